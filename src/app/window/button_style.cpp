// SPDX-License-Identifier: GPL-3.0-or-later
#include "button_style.h"

#include <QApplication>
#include <QStyleOption>

#include "palette.h"

void ButtonStyle::install() {
    if (!qobject_cast<ButtonStyle*>(QApplication::style())) QApplication::setStyle(new ButtonStyle);
}

void ButtonStyle::drawFocus(QPainter& painter, const QRectF& area, qreal radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::of(Palette::focus), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

QSize ButtonStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_PushButton) result.rwidth() += extraWidth;
    return result;
}

void ButtonStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect) {
        drawFocus(*painter, option->rect, 3);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_IndicatorCheckBox) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option->palette.color(QPalette::Text), 1.2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.6, 0.6, -0.6, -0.6), 2, 2);
        painter->restore();
    }
}

void ButtonStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    // The toolkit marks a focused push button by a slight tint only.
    if (element == CE_PushButton && option->state & State_HasFocus)
        drawFocus(*painter, option->rect);
}
