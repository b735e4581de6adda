// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QColor>
#include <QIcon>
#include <QImage>

#include "present/signal_color.h"

// The status item's picture and the coloured dots of the menu.
namespace StatusIcon {

// Side of the square status picture in points.
inline constexpr int side = 22;
// The pixel sizes the picture is drawn at, so that every tray and StatusNotifierItem host finds
// the one it asks for instead of scaling another.
inline constexpr std::array<int, 7> pixelSizes{16, 22, 24, 32, 44, 48, 64};

// The system's signal colour in the light or dark appearance.
QColor color(SignalColor signal, bool dark);

// A radio-wave glyph in `label` colour with a contrasting outline, so it shows on light and dark
// panels alike, filling the square's width, with a state dot of colour `state` in the bottom right
// corner, marked for `signal`; drawn at `scale` pixels per point.
QImage image(SignalColor signal, const QColor& state, const QColor& label, qreal scale = 2);

// The picture at each of `pixelSizes`.
QIcon icon(SignalColor signal, const QColor& state, const QColor& label);

// The state dot of `side` points in `color` with the mark of `signal`, which tells the state
// without its colour: a tick (green), two bars (gray, paused), an exclamation mark (yellow and
// orange), a cross (red).
QImage stateDot(SignalColor signal, const QColor& color, int side, qreal scale = 2);

// A 9 × 9 point filled circle.
QImage dot(const QColor& color, qreal scale = 2);

} // namespace StatusIcon
