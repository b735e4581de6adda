// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_panel.h"

#include <utility>

#include <QDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "model.h"
#include "palette.h"
#include "present/traffic_texts.h"
#include "traffic_chart.h"
#include "view_style.h"

using ViewStyle::qt;

TrafficPanel::TrafficPanel(Model& model, TrafficSeries::Subject subject, QWidget* parent)
    : QWidget(parent), model_(model), subject_(std::move(subject)) {
    setObjectName("traffic");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* switches = new QHBoxLayout;
    hour_ = spanButton(TrafficSeries::Span::hour);
    days_ = spanButton(TrafficSeries::Span::days);
    switches->addWidget(hour_);
    switches->addWidget(days_);
    switches->addStretch();
    column->addLayout(switches);
    chart_ = new TrafficChart;
    column->addWidget(chart_);
    connect(&model_, &Model::changed, this, &TrafficPanel::refresh);
    refresh();
}

QPushButton* TrafficPanel::spanButton(TrafficSeries::Span span) {
    auto* button = new QPushButton;
    // Both are stops of the Tab key, unlike the buttons of an exclusive group.
    button->setCheckable(true);
    button->setFont(ViewStyle::caption());
    connect(button, &QPushButton::clicked, this, [this, span] {
        span_ = span;
        refresh();
    });
    return button;
}

void TrafficPanel::refresh() {
    const Lang lang = model_.lang();
    hour_->setText(qt(TrafficTexts::text(TrafficTexts::Key::lastHour, lang)));
    days_->setText(qt(TrafficTexts::text(TrafficTexts::Key::lastDays, lang)));
    // The span shown is checked and raised; the other is a flat choice beside it.
    for (auto [button, span] : {std::pair(hour_, TrafficSeries::Span::hour),
                                std::pair(days_, TrafficSeries::Span::days)}) {
        button->setChecked(span == span_);
        button->setFlat(span != span_);
    }
    chart_->show(subject_, span_, model_.traffic(subject_, span_), lang);
}

QPushButton* TrafficPanel::opener(Model& model, const std::string& destination) {
    auto* button =
        new QPushButton(qt(TrafficTexts::text(TrafficTexts::Key::showTraffic, model.lang())));
    button->setObjectName("showTraffic");
    button->setFont(ViewStyle::caption2());
    button->setAccessibleName(button->text() + " " + qt(destination));
    QObject::connect(button, &QPushButton::clicked, button, [&model, button, destination] {
        const TrafficSeries::Subject subject{TrafficSeries::Subject::Kind::destination,
                                             destination};
        // Not modal, and closed by Escape like any dialog.
        auto* window = new QDialog(button->window());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName("trafficWindow");
        window->setWindowTitle(qt(TrafficTexts::heading(subject, model.lang())));
        window->setPalette(Palette::window());
        window->setAutoFillBackground(true);
        auto* column = new QVBoxLayout(window);
        column->addWidget(new TrafficPanel(model, subject));
        window->resize(420, window->sizeHint().height());
        window->show();
    });
    return button;
}
