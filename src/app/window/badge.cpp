#include "badge.h"

#include <QPainter>
#include <QPainterPath>

#include "explainer.h"
#include "view_style.h"
#include "window_rows.h"

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;
constexpr qreal fillOpacity = 0.18;

} // namespace

Badge::Badge(Category category, Lang lang, QWidget* parent)
    : QWidget(parent), category_(category), text_(ViewStyle::qt(Explainer::label(category, lang))) {
    setFont(ViewStyle::caption2());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Badge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

QColor Badge::fill() const {
    QColor color = ViewStyle::signal(SignalColors::of(category_));
    color.setAlphaF(fillOpacity);
    return color;
}

QColor Badge::textColor() const {
    return ViewStyle::signal(WindowRows::badgeText(category_));
}

void Badge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize size = sizeHint();
    const QRectF pill(0, (height() - size.height()) / 2.0, size.width(), size.height());
    QPainterPath capsule;
    capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.fillPath(capsule, fill());
    painter.setPen(textColor());
    painter.drawText(pill, Qt::AlignCenter, text_);
}
