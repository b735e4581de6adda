// SPDX-License-Identifier: GPL-3.0-or-later
#include "badge.h"

#include <QPainter>
#include <QPainterPath>

#include "present/explainer.h"
#include "present/window_rows.h"
#include "view_style.h"

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;
constexpr qreal fillOpacity = 0.18;

QSize pillSize(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(text) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

QColor fillOf(Category category) {
    QColor color = ViewStyle::signal(SignalColors::of(category));
    color.setAlphaF(fillOpacity);
    return color;
}

QColor textOf(Category category) {
    return ViewStyle::signal(WindowRows::badgeText(category));
}

} // namespace

Badge::Badge(Category category, Lang lang, QWidget* parent)
    : QWidget(parent), category_(category), text_(ViewStyle::qt(Explainer::label(category, lang))) {
    setFont(ViewStyle::caption2());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Badge::sizeHint() const {
    return pillSize(font(), text_);
}

QColor Badge::fill() const {
    return fillOf(category_);
}

QColor Badge::textColor() const {
    return textOf(category_);
}

QRectF Badge::paint(QPainter& painter, const QRect& area, Category category, const QString& text) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = ViewStyle::caption2();
    const QSize size = pillSize(font, text);
    const QRectF pill(area.left(), area.top() + (area.height() - size.height()) / 2.0, size.width(),
                      size.height());
    QPainterPath capsule;
    capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.fillPath(capsule, fillOf(category));
    painter.setFont(font);
    painter.setPen(textOf(category));
    painter.drawText(pill, Qt::AlignCenter, text);
    painter.restore();
    return pill;
}

void Badge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), category_, text_);
}
