// SPDX-License-Identifier: GPL-3.0-or-later
#include "rounded_panel.h"

#include <QPainter>

#include "palette.h"

RoundedPanel::RoundedPanel(qreal radius, QWidget* parent) : QFrame(parent), radius_(radius) {}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::of(Palette::line), 1));
    painter.setBrush(Palette::of(Palette::card));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
}
