// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QPushButton>
#include <QWidget>

#include "present/traffic_series.h"

class Model;
class TrafficChart;

// The traffic chart of one program or destination with its switch between the last hour and the
// last days, redrawn at every change of the model.
class TrafficPanel : public QWidget {
    Q_OBJECT

  public:
    TrafficPanel(Model& model, TrafficSeries::Subject subject, QWidget* parent = nullptr);

    // A small button that opens the chart of `destination`, across programs, in a window of its
    // own over the button's.
    static QPushButton* opener(Model& model, const std::string& destination);

    TrafficChart* chart() const { return chart_; }
    // The switch's two buttons: the last hour, the last days.
    QPushButton* hourButton() const { return hour_; }
    QPushButton* daysButton() const { return days_; }

  private:
    void refresh();
    QPushButton* spanButton(TrafficSeries::Span span);

    Model& model_;
    TrafficSeries::Subject subject_;
    TrafficSeries::Span span_ = TrafficSeries::Span::hour;
    TrafficChart* chart_ = nullptr;
    QPushButton* hour_ = nullptr;
    QPushButton* days_ = nullptr;
};
