// SPDX-License-Identifier: GPL-3.0-or-later
#include "palette.h"

#include <QGuiApplication>

namespace Palette {

namespace {

std::optional<bool> forced;

} // namespace

void force(std::optional<bool> dark) {
    forced = dark;
}

bool isDark() {
    if (forced) return *forced;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

QColor of(Pair pair) {
    return QColor::fromRgba(isDark() ? pair.dark : pair.light);
}

QPalette window() {
    QPalette palette;
    palette.setColor(QPalette::Window, of(bg));
    palette.setColor(QPalette::Base, of(card));
    palette.setColor(QPalette::AlternateBase, of(bg));
    palette.setColor(QPalette::Button, of(card));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, of(text));
    palette.setColor(QPalette::PlaceholderText, of(muted));
    palette.setColor(QPalette::Highlight, of(line));
    palette.setColor(QPalette::HighlightedText, of(text));
    palette.setColor(QPalette::Link, of(gold));
    palette.setColor(QPalette::Mid, of(line));
    return palette;
}

} // namespace Palette
