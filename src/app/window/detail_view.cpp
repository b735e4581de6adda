#include "detail_view.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app_icon.h"
#include "badge.h"
#include "elided_label.h"
#include "model.h"
#include "observe/traffic_rate.h"
#include "palette.h"
#include "present/explainer.h"
#include "present/status_menu.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "rounded_panel.h"
#include "rule_picker.h"
#include "view_style.h"

using ViewStyle::qt;

namespace {

QString portText(const Connection& connection) {
    return QString(":%1 %2").arg(connection.port).arg(qt(connection.proto));
}

QString trafficText(const Connection& connection, Lang lang) {
    return qt(WindowTexts::traffic(RateText::size(static_cast<double>(connection.bytesOut), lang),
                                   RateText::size(static_cast<double>(connection.bytesIn), lang),
                                   lang));
}

} // namespace

DetailView::DetailView(Model& model, QWidget* parent) : QScrollArea(parent), model_(model) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void DetailView::show(const AppRow& row) {
    const std::vector<Connection> destinations = WindowRows::uniqueDestinations(row.conns);
    Shape shape = shapeOf(destinations);
    const bool same = row.name == row_.name;
    row_ = row;
    if (shown_ == shape) {
        updateLive(destinations);
        return;
    }
    shown_ = std::move(shape);
    const int scrolled = verticalScrollBar()->value();
    rebuild(destinations);
    if (same) verticalScrollBar()->setValue(scrolled);
}

DetailView::Shape DetailView::shapeOf(const std::vector<Connection>& destinations) const {
    const Connection* first = row_.conns.empty() ? nullptr : &row_.conns.front();
    Shape shape{.name = row_.name,
                .bundlePath = row_.bundlePath,
                .isSystem = row_.isSystem,
                .cards = {},
                .executable = first ? first->app.exePath : std::nullopt,
                .programRule = first ? StatusMenu::currentAction(model_.rules(), *first,
                                                                 RuleScope::wholeProgram)
                                     : std::nullopt,
                .helperInstalled = model_.helperInstalled(),
                .lang = model_.lang(),
                .dark = Palette::isDark()};
    for (const Connection& connection : destinations)
        shape.cards.push_back(
            {connection.dest(), connection.ip, connection.host, connection.verdict,
             model_.rules().action(connection.dest()),
             StatusMenu::currentAction(model_.rules(), connection, RuleScope::program)});
    return shape;
}

void DetailView::updateLive(const std::vector<Connection>& destinations) {
    for (size_t i = 0; i < destinations.size() && i < live_.size(); ++i) {
        live_[i].port->setText(portText(destinations[i]));
        live_[i].traffic->setText(trafficText(destinations[i], model_.lang()));
    }
}

void DetailView::rebuild(const std::vector<Connection>& destinations) {
    live_.clear();
    blockProgram_ = nullptr;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(header());
    if (shown_->executable) {
        QLabel* follows = ViewStyle::label(
            qt(WindowTexts::programRulesFollow(*shown_->executable, model_.lang())),
            ViewStyle::caption(), Palette::of(Palette::muted));
        follows->setWordWrap(true);
        follows->setObjectName("programRulesFollow");
        column->addWidget(follows);
    }
    for (const Connection& connection : destinations)
        column->addWidget(card(connection));
    if (!model_.helperInstalled()) {
        QLabel* hint =
            ViewStyle::label(qt(WindowTexts::text(WindowTexts::Key::blockingHint, model_.lang())),
                             ViewStyle::caption(), Palette::of(Palette::gold));
        hint->setWordWrap(true);
        hint->setObjectName("blockingHint");
        column->addWidget(hint);
    }
    column->addStretch();
    // The old pane may be the sender of the change that rebuilds it.
    if (QWidget* old = takeWidget()) old->deleteLater();
    setWidget(content);
}

QList<RulePicker*> DetailView::pickers() const {
    return widget() ? widget()->findChildren<RulePicker*>() : QList<RulePicker*>();
}

QWidget* DetailView::header() {
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new AppIcon(row_.bundlePath, WindowRows::executableOf(row_), row_.name));
    auto* name = new ElidedLabel(qt(row_.name));
    name->setFont(ViewStyle::title2());
    name->setObjectName("programName");
    row->addWidget(name);
    if (row_.isSystem) {
        QLabel* service =
            ViewStyle::label(qt(WindowTexts::text(WindowTexts::Key::systemService, model_.lang(),
                                                  model_.platform().wording)),
                             ViewStyle::caption(), Palette::of(Palette::muted));
        service->setObjectName("systemService");
        row->addWidget(service);
    }
    row->addStretch();
    blockAll_ = new QPushButton(
        qt(WindowTexts::text(WindowTexts::Key::blockAllItsAddresses, model_.lang())));
    connect(blockAll_, &QPushButton::clicked, this, [this, row = row_] { model_.blockAllOf(row); });
    row->addWidget(blockAll_);
    if (shown_->executable) {
        // Pressed again, it takes the program's block away.
        blockProgram_ = new QPushButton(
            qt(WindowTexts::text(WindowTexts::Key::blockThisProgram, model_.lang())));
        blockProgram_->setCheckable(true);
        blockProgram_->setChecked(shown_->programRule == RuleAction::block);
        connect(blockProgram_, &QPushButton::clicked, this,
                [this, connection = row_.conns.front(), blocked = blockProgram_->isChecked()] {
                    model_.setRule(connection,
                                   blocked ? std::nullopt : std::optional(RuleAction::block),
                                   RuleScope::wholeProgram);
                });
        row->addWidget(blockProgram_);
    }
    return line;
}

QWidget* DetailView::card(const Connection& connection) {
    auto* frame = new RoundedPanel(10);
    frame->setObjectName("card");
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(6);
    const QColor muted = Palette::of(Palette::muted);
    const QFont fixedCaption = ViewStyle::monospaced(ViewStyle::caption());

    auto* first = new QHBoxLayout;
    first->addWidget(new Badge(connection.verdict.category, model_.lang()));
    QLabel* dest = ViewStyle::label(qt(connection.dest()), ViewStyle::monospaced(font()));
    dest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dest->setObjectName("destination");
    first->addWidget(dest);
    if (connection.host) {
        QLabel* ip = ViewStyle::label(qt(connection.ip), fixedCaption, muted);
        ip->setObjectName("address");
        first->addWidget(ip);
    }
    first->addStretch();
    QLabel* port = ViewStyle::label(portText(connection), fixedCaption, muted);
    first->addWidget(port);
    column->addLayout(first);

    QLabel* sentence = ViewStyle::label(
        qt(Explainer::sentence(connection.app, connection.verdict, connection.host, connection.ip,
                               model_.lang(), model_.platform().wording)));
    sentence->setWordWrap(true);
    column->addWidget(sentence);

    auto* last = new QHBoxLayout;
    QLabel* traffic =
        ViewStyle::label(trafficText(connection, model_.lang()), ViewStyle::caption(), muted);
    traffic->setObjectName("traffic");
    last->addWidget(traffic);
    live_.push_back({port, traffic});
    last->addStretch();
    last->addWidget(new RulePicker(model_, connection));
    column->addLayout(last);
    return frame;
}
