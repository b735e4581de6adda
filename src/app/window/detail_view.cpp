// SPDX-License-Identifier: GPL-3.0-or-later
#include "detail_view.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include "app_icon.h"
#include "badge.h"
#include "elided_label.h"
#include "flow_layout.h"
#include "model.h"
#include "observe/traffic_rate.h"
#include "palette.h"
#include "present/explainer.h"
#include "present/status_menu.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "rounded_panel.h"
#include "rule_picker.h"
#include "traffic_panel.h"
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

// Which of the card's buttons has the keyboard focus; -1 when none has.
int focusedButton(const QWidget* frame) {
    return static_cast<int>(frame->findChildren<QPushButton*>().indexOf(
        qobject_cast<QPushButton*>(QApplication::focusWidget())));
}

} // namespace

DetailView::DetailView(Model& model, QWidget* parent)
    : QScrollArea(parent), model_(model), destinations_(new DestinationsModel(this)) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(destinations_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { insertCards(first, last); });
    connect(destinations_, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { removeCards(first, last); });
    // The model moves one row at a time, up: to `to` before the move is to `to` after it.
    connect(destinations_, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                moveCard(from, to);
            });
    connect(destinations_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& top, const QModelIndex& bottom, const QList<int>& roles) {
                updateCards(top.row(), bottom.row(), roles);
            });
}

void DetailView::show(const AppRow& row) {
    const bool same = row.name == row_.name;
    std::vector<Connection> destinations = WindowRows::uniqueDestinations(row.conns);
    // The cards' rows hold what they show: the program's connections are not held again.
    row_ = row.withFirstConnection();
    const size_t more = destinations.size() > mostCards ? destinations.size() - mostCards : 0;
    destinations.resize(destinations.size() - more);
    std::vector<DestinationRow> rows;
    rows.reserve(destinations.size());
    for (const Connection& connection : destinations)
        rows.push_back(rowOf(connection));
    Head head = headOf();
    const int scrolled = verticalScrollBar()->value();
    const bool redrawn = head_ != head;
    if (redrawn) {
        head_ = std::move(head);
        rebuild();
    }
    destinations_->show(rows);
    showMore(more);
    if (redrawn && same) verticalScrollBar()->setValue(scrolled);
}

void DetailView::clear() {
    destinations_->show({});
    head_.reset();
    row_ = {};
}

void DetailView::showMore(size_t more) {
    more_->setVisible(more > 0);
    if (more > 0) more_->setText(qt(WindowTexts::moreDestinations(more, model_.lang())));
}

DetailView::Head DetailView::headOf() const {
    const Connection* first = row_.conns.empty() ? nullptr : &row_.conns.front();
    return {.name = row_.name,
            .bundlePath = row_.bundlePath,
            .isSystem = row_.isSystem,
            .executable = first ? first->app.exePath : std::nullopt,
            .programRule =
                first ? StatusMenu::currentAction(model_.rules(), *first, RuleScope::wholeProgram)
                      : std::nullopt,
            .helperInstalled = model_.helper().installed(),
            .lang = model_.lang(),
            .dark = Palette::isDark()};
}

DestinationRow DetailView::rowOf(const Connection& connection) const {
    return {connection, model_.rules().action(connection.dest()),
            StatusMenu::currentAction(model_.rules(), connection, RuleScope::program)};
}

void DetailView::insertCards(int first, int last) {
    for (int at = first; at <= last; ++at) {
        cards_.insert(cards_.begin() + at, card(destinations_->destination(at).connection));
        placeCard(at);
    }
}

void DetailView::removeCards(int first, int last) {
    // A card gone may hold the pill whose click changed the rules.
    for (int at = first; at <= last; ++at) {
        QWidget* frame = cards_[static_cast<size_t>(at)].frame;
        column_->removeWidget(frame);
        frame->hide();
        frame->deleteLater();
    }
    cards_.erase(cards_.begin() + first, cards_.begin() + last + 1);
}

void DetailView::moveCard(int from, int to) {
    const Shown moved = cards_[static_cast<size_t>(from)];
    cards_.erase(cards_.begin() + from);
    cards_.insert(cards_.begin() + to, moved);
    placeCard(to);
}

void DetailView::updateCards(int first, int last, const QList<int>& roles) {
    for (int at = first; at <= last; ++at)
        roles == QList<int>{DestinationsModel::trafficRole} ? showTraffic(at) : redrawCard(at);
}

void DetailView::redrawCard(int at) {
    const int focused = focusedButton(cards_[static_cast<size_t>(at)].frame);
    removeCards(at, at);
    insertCards(at, at);
    // The new card shows once the layout has placed it, and only then can take the focus.
    QPointer<QPushButton> refocus =
        cards_[static_cast<size_t>(at)].frame->findChildren<QPushButton*>().value(focused);
    if (focused >= 0 && refocus) QTimer::singleShot(0, refocus, [refocus] { refocus->setFocus(); });
}

void DetailView::placeCard(int at) {
    QWidget* frame = cards_[static_cast<size_t>(at)].frame;
    const int wanted = firstCard_ + at;
    if (column_->indexOf(frame) == wanted) return;
    column_->removeWidget(frame);
    column_->insertWidget(wanted, frame);
}

void DetailView::showTraffic(int at) {
    const Connection& connection = destinations_->destination(at).connection;
    const Shown& shown = cards_[static_cast<size_t>(at)];
    shown.port->setText(portText(connection));
    shown.traffic->setText(trafficText(connection, model_.lang()));
}

void DetailView::rebuild() {
    // The old pane's cards go first, with their rows; the pane's rows are then inserted anew.
    destinations_->show({});
    blockProgram_ = nullptr;
    auto* content = new QWidget;
    column_ = new QVBoxLayout(content);
    column_->setContentsMargins(16, 16, 16, 16);
    column_->setSpacing(12);
    column_->addWidget(header());
    if (head_->executable) {
        QLabel* follows = ViewStyle::wrapped(
            qt(WindowTexts::programRulesFollow(*head_->executable, model_.lang())),
            ViewStyle::caption(), Palette::of(Palette::muted));
        follows->setObjectName("programRulesFollow");
        column_->addWidget(follows);
    }
    column_->addWidget(
        new TrafficPanel(model_, {TrafficSeries::Subject::Kind::program, row_.name}));
    firstCard_ = column_->count();
    more_ = ViewStyle::wrapped({}, ViewStyle::caption(), Palette::of(Palette::muted));
    more_->setObjectName("moreDestinations");
    column_->addWidget(more_);
    if (!head_->helperInstalled) {
        QLabel* hint =
            ViewStyle::wrapped(qt(WindowTexts::text(WindowTexts::Key::blockingHint, model_.lang())),
                               ViewStyle::caption(), Palette::of(Palette::gold));
        hint->setObjectName("blockingHint");
        column_->addWidget(hint);
    }
    column_->addStretch();
    // The old pane, cards and all, may hold the sender of the change that rebuilds it.
    if (QWidget* old = takeWidget()) old->deleteLater();
    setWidget(content);
}

QList<RulePicker*> DetailView::pickers() const {
    QList<RulePicker*> found;
    for (const Shown& shown : cards_)
        if (auto* picker = shown.frame->findChild<RulePicker*>()) found << picker;
    return found;
}

QWidget* DetailView::header() {
    // The buttons follow the name on its line, at the right, or take a line of their own when
    // the name leaves them no room; the name is cut only where it is wider than the pane.
    auto* line = new QWidget;
    auto* lines = new FlowLayout(line, 6);
    auto* identity = new QWidget;
    auto* row = new QHBoxLayout(identity);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(
        new AppIcon(row_.bundlePath, WindowRows::executableOf(row_), row_.name, model_.lang()));
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
    lines->addWidget(identity);
    auto* buttons = new QWidget;
    buttons->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* flow = new FlowLayout(buttons, row->spacing());
    flow->setAlignment(Qt::AlignRight);
    lines->addWidget(buttons);
    blockAll_ = new QPushButton(
        qt(WindowTexts::text(WindowTexts::Key::blockAllItsAddresses, model_.lang())));
    // The program's row as the Model has it when pressed: its connections change from scan to
    // scan.
    connect(blockAll_, &QPushButton::clicked, this, [this] {
        const std::vector<AppRow>& apps = model_.apps();
        const auto row = std::find_if(apps.begin(), apps.end(),
                                      [&](const AppRow& app) { return app.name == row_.name; });
        if (row != apps.end()) model_.blockAllOf(AppRow(*row));
    });
    flow->addWidget(blockAll_);
    if (head_->executable) {
        // Pressed again, it takes the program's block away.
        blockProgram_ = new QPushButton(
            qt(WindowTexts::text(WindowTexts::Key::blockThisProgram, model_.lang())));
        blockProgram_->setCheckable(true);
        blockProgram_->setChecked(head_->programRule == RuleAction::block);
        connect(blockProgram_, &QPushButton::clicked, this,
                [this, connection = row_.conns.front(), blocked = blockProgram_->isChecked()] {
                    model_.setRule(connection,
                                   blocked ? std::nullopt : std::optional(RuleAction::block),
                                   RuleScope::wholeProgram);
                });
        flow->addWidget(blockProgram_);
    }
    return line;
}

DetailView::Shown DetailView::card(const Connection& connection) {
    auto* frame = new RoundedPanel(10);
    frame->setObjectName("card");
    frame->setAccessibleName(qt(connection.dest()));
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(6);
    const QColor muted = Palette::of(Palette::muted);
    const QFont fixedCaption = ViewStyle::monospaced(ViewStyle::caption());

    // The name and address go on to further lines rather than push the port out of the card.
    auto* first = new QHBoxLayout;
    auto* names = new FlowLayout(nullptr, first->spacing());
    names->addWidget(new Badge(connection.verdict.category, model_.lang()));
    auto* dest = new ElidedLabel(qt(connection.dest()));
    dest->setFont(ViewStyle::monospaced(font()));
    dest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dest->setObjectName("destination");
    names->addWidget(dest);
    if (connection.host) {
        QLabel* ip = ViewStyle::label(qt(connection.ip), fixedCaption, muted);
        ip->setObjectName("address");
        names->addWidget(ip);
    }
    first->addLayout(names);
    first->addStretch();
    QLabel* port = ViewStyle::label(portText(connection), fixedCaption, muted);
    first->addWidget(port, 0, Qt::AlignTop);
    first->addWidget(TrafficPanel::opener(model_, connection.dest()), 0, Qt::AlignTop);
    column->addLayout(first);

    QLabel* sentence = ViewStyle::wrapped(
        qt(Explainer::sentence(connection, model_.lang(), model_.platform().wording)));
    column->addWidget(sentence);
    frame->setAccessibleDescription(sentence->text());

    auto* last = new QHBoxLayout;
    QLabel* traffic =
        ViewStyle::label(trafficText(connection, model_.lang()), ViewStyle::caption(), muted);
    traffic->setObjectName("traffic");
    last->addWidget(traffic);
    last->addStretch();
    if (connection.incoming)
        last->addWidget(ViewStyle::wrapped(qt(Explainer::rulesDoNotApply(model_.lang())),
                                           ViewStyle::caption(), muted),
                        1);
    else
        last->addWidget(new RulePicker(model_, connection));
    column->addLayout(last);
    return {frame, port, traffic};
}
