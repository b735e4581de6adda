// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QWidget>

#include "base/lang.h"
#include "present/traffic_series.h"

// Bars of traffic over time: for each bar what was sent and what was received side by side,
// lighter where it came from the journal, a legend above, the time below and the largest amount
// on the left. The bar under the pointer tells its numbers in a tooltip; assistive technology
// reads every bar from the description.
class TrafficChart : public QWidget {
    Q_OBJECT

  public:
    explicit TrafficChart(QWidget* parent = nullptr);

    void show(const TrafficSeries::Subject& subject, TrafficSeries::Span span,
              std::vector<TrafficSeries::Bar> bars, Lang lang);
    const std::vector<TrafficSeries::Bar>& bars() const { return bars_; }
    // The bar drawn at `point`, or -1.
    int barAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // Where the bars stand, between the legend and the axis.
    QRectF plot() const;
    // The width each bar has in `area`.
    qreal step(const QRectF& area) const;
    // The largest amount of any bar, which reaches the top.
    int64_t largest() const;
    void paintLegend(QPainter& painter) const;
    void paintAxis(QPainter& painter, const QRectF& area) const;
    void paintBars(QPainter& painter, const QRectF& area) const;

    TrafficSeries::Span span_ = TrafficSeries::Span::hour;
    std::vector<TrafficSeries::Bar> bars_;
    Lang lang_ = Lang::en;
};
