#pragma once

#include <QColor>
#include <QImage>

#include "present/signal_color.h"

// The status item's picture and the coloured dots of the menu.
namespace StatusIcon {

// Size of the status picture in points.
inline constexpr int width = 22;
inline constexpr int height = 18;

// The system's signal colour in the light or dark appearance.
QColor color(SignalColor signal, bool dark);

// A radio-wave glyph in `label` colour with a contrasting outline, so it shows on light and dark
// panels alike, flush left and vertically centred, with a 7 × 7 state dot one point in from the
// bottom right corner; drawn at `scale` pixels per point.
QImage image(const QColor& state, const QColor& label, qreal scale = 2);

// A 9 × 9 point filled circle.
QImage dot(const QColor& color, qreal scale = 2);

} // namespace StatusIcon
