// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_chart.h"

#include <algorithm>

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "observe/traffic_rate.h"
#include "palette.h"
#include "present/traffic_texts.h"
#include "view_style.h"

using ViewStyle::qt;

namespace {

constexpr qreal journalOpacity = 0.4;
constexpr int swatch = 10;
constexpr int gap = 6;

QColor sentColor() {
    return Palette::of(Palette::gold);
}

QColor receivedColor() {
    return Palette::of(Palette::green);
}

QString textOf(TrafficTexts::Key key, Lang lang) {
    return qt(TrafficTexts::text(key, lang));
}

} // namespace

TrafficChart::TrafficChart(QWidget* parent) : QWidget(parent) {
    setFont(ViewStyle::caption2());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TrafficChart::show(const TrafficSeries::Subject& subject, TrafficSeries::Span span,
                        std::vector<TrafficSeries::Bar> bars, Lang lang) {
    if (span == span_ && bars == bars_ && lang == lang_) return;
    span_ = span;
    bars_ = std::move(bars);
    lang_ = lang;
    setAccessibleName(qt(TrafficTexts::title(subject, span_, lang_)));
    setAccessibleDescription(qt(TrafficTexts::bars(bars_, span_, lang_)));
    update();
}

QSize TrafficChart::sizeHint() const {
    return {360, minimumSizeHint().height()};
}

QSize TrafficChart::minimumSizeHint() const {
    return {240, 6 * fontMetrics().height() + 48};
}

QRectF TrafficChart::plot() const {
    const int line = fontMetrics().height();
    // Room on the left for the scale's labels.
    const qreal left = std::max(fontMetrics().horizontalAdvance(
                                    qt(RateText::size(static_cast<double>(largest()), lang_))),
                                fontMetrics().horizontalAdvance(qt(RateText::size(0, lang_)))) +
                       gap;
    return QRectF(left, line + gap * 2, width() - left - 1, height() - 2 * line - gap * 3);
}

qreal TrafficChart::step(const QRectF& area) const {
    return area.width() / static_cast<qreal>(std::max<size_t>(bars_.size(), 1));
}

int64_t TrafficChart::largest() const {
    int64_t most = 0;
    for (const TrafficSeries::Bar& bar : bars_)
        most = std::max({most, bar.in, bar.out});
    return most;
}

int TrafficChart::barAt(const QPoint& point) const {
    const QRectF area = plot();
    if (bars_.empty() || point.x() < area.left() || point.x() >= area.right()) return -1;
    const auto index = static_cast<int>((point.x() - area.left()) / step(area));
    return std::clamp(index, 0, static_cast<int>(bars_.size()) - 1);
}

bool TrafficChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = barAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(),
                       qt(TrafficTexts::bar(bars_[static_cast<size_t>(index)], span_, lang_)),
                       this);
    return true;
}

void TrafficChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plot();
    paintLegend(painter);
    paintAxis(painter, area);
    paintBars(painter, area);
}

void TrafficChart::paintLegend(QPainter& painter) const {
    const int line = fontMetrics().height();
    qreal x = plot().left();
    auto entry = [&](const QColor& color, const QString& label) {
        painter.fillRect(QRectF(x, (line - swatch) / 2.0, swatch, swatch), color);
        x += swatch + gap / 2.0;
        painter.setPen(Palette::of(Palette::text));
        painter.drawText(QPointF(x, fontMetrics().ascent()), label);
        x += fontMetrics().horizontalAdvance(label) + 2 * gap;
    };
    entry(sentColor(), textOf(TrafficTexts::Key::sent, lang_));
    entry(receivedColor(), textOf(TrafficTexts::Key::received, lang_));
    if (std::any_of(bars_.begin(), bars_.end(), [](const auto& bar) { return bar.fromJournal; })) {
        QColor light = Palette::of(Palette::muted);
        light.setAlphaF(journalOpacity);
        entry(light, textOf(TrafficTexts::Key::fromJournal, lang_));
    }
}

void TrafficChart::paintAxis(QPainter& painter, const QRectF& area) const {
    const QColor muted = Palette::of(Palette::muted);
    painter.setPen(Palette::of(Palette::line));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.topLeft(), area.topRight());
    painter.setPen(muted);
    const QRectF scale(0, area.top() - fontMetrics().height() / 2.0, area.left() - gap,
                       fontMetrics().height());
    if (largest() > 0)
        painter.drawText(scale, Qt::AlignRight | Qt::AlignVCenter,
                         qt(RateText::size(static_cast<double>(largest()), lang_)));
    painter.drawText(scale.translated(0, area.height()), Qt::AlignRight | Qt::AlignVCenter,
                     qt(RateText::size(0, lang_)));
    const qreal each = step(area);
    const bool hour = span_ == TrafficSeries::Span::hour;
    for (size_t i = 0; i < bars_.size(); ++i) {
        // The hour's labels every quarter; its right end is now.
        if (hour && i % 3 != 0) continue;
        const QRectF label(area.left() + each * static_cast<qreal>(i), area.bottom() + gap / 2.0,
                           hour ? each * 3 : each, fontMetrics().height());
        painter.drawText(label, hour ? Qt::AlignLeft : Qt::AlignHCenter,
                         qt(TrafficTexts::axis(bars_[i], span_, lang_)));
    }
    if (hour)
        painter.drawText(
            QRectF(area.left(), area.bottom() + gap / 2.0, area.width(), fontMetrics().height()),
            Qt::AlignRight, textOf(TrafficTexts::Key::now, lang_));
}

void TrafficChart::paintBars(QPainter& painter, const QRectF& area) const {
    const double most = static_cast<double>(std::max<int64_t>(largest(), 1));
    const qreal each = step(area);
    const qreal width = std::max<qreal>(1, each * 0.35);
    auto column = [&](qreal left, int64_t bytes, QColor color, bool light) {
        if (bytes <= 0) return;
        // Any traffic at all stands at least a pixel above the axis.
        const qreal height = std::max<qreal>(
            1, area.height() * static_cast<qreal>(static_cast<double>(bytes) / most));
        if (light) color.setAlphaF(journalOpacity);
        painter.fillRect(QRectF(left, area.bottom() - height, width, height), color);
    };
    for (size_t i = 0; i < bars_.size(); ++i) {
        const TrafficSeries::Bar& bar = bars_[i];
        const qreal middle = area.left() + each * (static_cast<qreal>(i) + 0.5);
        column(middle - width, bar.out, sentColor(), bar.fromJournal);
        column(middle, bar.in, receivedColor(), bar.fromJournal);
    }
}
