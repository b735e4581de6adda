// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules_view.h"

#include <memory>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QVBoxLayout>

#include "model.h"
#include "palette.h"
#include "present/window_texts.h"
#include "rules_table_model.h"
#include "table_style.h"
#include "view_style.h"

using ViewStyle::qt;
using WindowTexts::Key;

RulesView::RulesView(Model& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 0, 16, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    note_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    removeAll_ = new QPushButton;
    header->addWidget(note_, 1);
    header->addWidget(removeAll_);
    column->addLayout(header);
    fileNotice_ = ViewStyle::notice();
    column->addWidget(fileNotice_);
    body_ = new QStackedWidget;
    hint_ = ViewStyle::wrapped(QString());
    hint_->setAlignment(Qt::AlignCenter);
    rows_ = new RulesTableModel(model_.lang(), this);
    table_ = new QTableView;
    TableStyle::apply(table_);
    table_->setModel(rows_);
    body_->addWidget(hint_);
    body_->addWidget(table_);
    column->addWidget(body_, 1);
    connect(rows_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { addControls(first, last); });
    connect(rows_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                showControls(first.row(), last.row());
            });
    connect(rows_, &QAbstractItemModel::headerDataChanged, this, &RulesView::sizeColumns);
    connect(removeAll_, &QPushButton::clicked, this, &RulesView::removeAll);
    connect(&model_, &Model::changed, this, &RulesView::refresh);
    sizeColumns();
    refresh();
}

QPushButton* RulesView::removeButton(int row) const {
    QWidget* box = table_->indexWidget(rows_->index(row, RulesTableModel::remove));
    return box ? box->findChild<QPushButton*>() : nullptr;
}

QComboBox* RulesView::actionBox(int row) const {
    return qobject_cast<QComboBox*>(
        table_->indexWidget(rows_->index(row, RulesTableModel::action)));
}

void RulesView::refresh() {
    const Lang lang = model_.lang();
    // Rules for single programs need the event service; without it they are only kept.
    const bool lapse = model_.programRulesLapse();
    note_->setText(qt(WindowTexts::text(lapse ? Key::programRulesOff : Key::rulesNote, lang,
                                        model_.platform().wording)));
    ViewStyle::setColor(note_,
                        lapse ? ViewStyle::signal(SignalColor::red) : Palette::of(Palette::muted));
    removeAll_->setText(qt(WindowTexts::text(Key::removeAllRules, lang)));
    ViewStyle::showNotices(fileNotice_, model_.notices(Model::NoticeTab::rules));
    hint_->setText(qt(WindowTexts::text(Key::noRules, lang)));
    ViewStyle::setColor(hint_, Palette::of(Palette::muted));
    rows_->show(model_.rules(), lang);
    body_->setCurrentWidget(rows_->rowCount() == 0 ? static_cast<QWidget*>(hint_) : table_);
}

void RulesView::sizeColumns() {
    TableStyle::sizeColumns(table_->horizontalHeader(), widths(), rows_->titles());
}

std::vector<int> RulesView::widths() {
    // Address, for whom, from program share the width; the controls' columns fit the controls.
    std::vector<int> result(RulesTableModel::columns);
    const std::unique_ptr<QWidget> chooser(actionChooser()), remove(removeBox());
    result[RulesTableModel::action] = chooser->sizeHint().width();
    result[RulesTableModel::remove] = remove->sizeHint().width();
    return result;
}

QWidget* RulesView::removeBox() {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 2, 4, 2);
    auto* remove = new QPushButton(qt(WindowTexts::text(Key::remove, model_.lang())));
    remove->setFont(ViewStyle::caption());
    row->addWidget(remove);
    return box;
}

QComboBox* RulesView::actionChooser() {
    auto* chooser = new QComboBox;
    chooser->setFont(ViewStyle::caption());
    for (RuleAction action : RuleActions::allCases)
        chooser->addItem(rows_->actionText(action));
    return chooser;
}

void RulesView::addControls(int first, int last) {
    for (int row = first; row <= last; ++row) {
        // The controls act on the row they were laid over, wherever it has moved since.
        const QPersistentModelIndex at = rows_->index(row, 0);
        QComboBox* chooser = actionChooser();
        connect(chooser, &QComboBox::activated, this,
                [this, at](int chosen) { setAction(at.row(), chosen); });
        QWidget* box = removeBox();
        connect(box->findChild<QPushButton*>(), &QPushButton::clicked, this,
                [this, at] { removeRule(at.row()); });
        table_->setIndexWidget(rows_->index(row, RulesTableModel::action), chooser);
        table_->setIndexWidget(rows_->index(row, RulesTableModel::remove), box);
    }
    showControls(first, last);
}

void RulesView::showControls(int first, int last) {
    for (int row = first; row <= last; ++row) {
        QComboBox* chooser = actionBox(row);
        for (int item = 0; item < chooser->count(); ++item)
            chooser->setItemText(
                item, rows_->actionText(RuleActions::allCases.at(static_cast<size_t>(item))));
        chooser->setCurrentIndex(static_cast<int>(rows_->rule(row).action));
        QPushButton* remove = removeButton(row);
        remove->setText(qt(WindowTexts::text(Key::remove, model_.lang())));
        remove->setAccessibleName(
            rows_->index(row, RulesTableModel::remove).data(Qt::AccessibleTextRole).toString());
    }
}

void RulesView::setAction(int row, int chosen) {
    if (row < 0) return;
    const Rule rule = rows_->rule(row);
    RuleSet rules = model_.rules();
    rules.set(rule.target, rule.app, RuleActions::allCases.at(static_cast<size_t>(chosen)),
              rule.ips, rule.created, rule.program);
    model_.setRules(rules);
}

void RulesView::removeRule(int row) {
    if (row < 0) return;
    RuleSet rules = model_.rules();
    rules.remove(rows_->rule(row).target, rows_->rule(row).program);
    model_.setRules(rules);
}

void RulesView::removeAll() {
    if (model_.helper().installed()) {
        model_.uninstallHelper(true);
        return;
    }
    model_.setRules(RuleSet{});
}
