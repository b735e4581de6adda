// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules_view.h"

#include <memory>

#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include "model.h"
#include "palette.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "table_style.h"
#include "view_style.h"

using ViewStyle::qt;
using WindowTexts::Key;

namespace {

constexpr int columns = 5, actionColumn = 3, removeColumn = 4;

Key label(RuleAction action) {
    switch (action) {
    case RuleAction::allow:
        return Key::allow;
    case RuleAction::block:
        return Key::block;
    case RuleAction::ask:
        break;
    }
    return Key::askAction;
}

} // namespace

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
    table_ = TableStyle::make(std::vector<int>(columns));
    body_->addWidget(hint_);
    body_->addWidget(table_);
    column->addWidget(body_, 1);
    connect(removeAll_, &QPushButton::clicked, this, &RulesView::removeAll);
    connect(&model_, &Model::changed, this, &RulesView::refresh);
    refresh();
}

QPushButton* RulesView::removeButton(int row) const {
    QWidget* box = table_->cellWidget(row, removeColumn);
    return box ? box->findChild<QPushButton*>() : nullptr;
}

QComboBox* RulesView::actionBox(int row) const {
    return qobject_cast<QComboBox*>(table_->cellWidget(row, actionColumn));
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
    // New titles make the header items anew.
    if (!titled_ || lang != titledLang_)
        TableStyle::setTitles(table_, widths(),
                              {qt(WindowTexts::text(Key::columnAddress, lang)),
                               qt(WindowTexts::text(Key::columnFor, lang)),
                               qt(WindowTexts::text(Key::columnFromProgram, lang)),
                               qt(WindowTexts::text(Key::columnAction, lang)), QString()});
    titled_ = true;
    titledLang_ = lang;
    fillTable();
    body_->setCurrentWidget(model_.rules().rules.empty() ? static_cast<QWidget*>(hint_) : table_);
}

void RulesView::fillTable() {
    const Lang lang = model_.lang();
    std::vector<Rule> rows = WindowRows::newestFirst(model_.rules().rules);
    if (drawn_ && rows == shown_ && lang == shownLang_ && Palette::isDark() == shownDark_) return;
    drawn_ = true;
    shown_ = rows;
    shownLang_ = lang;
    shownDark_ = Palette::isDark();
    const int scrolled = table_->verticalScrollBar()->value();
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(rows.size()));
    const QFont fixed = ViewStyle::monospaced(ViewStyle::caption());
    for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
        const Rule& rule = rows[static_cast<size_t>(index)];
        table_->setItem(index, 0, TableStyle::cell(qt(rule.target), fixed));
        QTableWidgetItem* scope =
            TableStyle::cell(qt(WindowTexts::ruleFor(rule.program, lang)), font());
        if (rule.program) scope->setToolTip(qt(*rule.program));
        table_->setItem(index, 1, scope);
        table_->setItem(index, 2,
                        TableStyle::cell(rule.app ? qt(*rule.app) : QString("—"), font()));
        // Cells holding a control are read by assistive technology through an item of their own.
        const auto named = [this, index](int column, const std::string& name) {
            auto* cell = new QTableWidgetItem;
            cell->setData(Qt::AccessibleTextRole, qt(name));
            table_->setItem(index, column, cell);
        };
        named(actionColumn, WindowTexts::text(label(rule.action), lang));
        named(removeColumn, WindowTexts::ruleButtonName(Key::remove, rule.target, lang));
        table_->setCellWidget(index, actionColumn, actionChooser(rule));
        table_->setCellWidget(index, removeColumn, removeBox(rule));
    }
    table_->verticalScrollBar()->setValue(scrolled);
}

std::vector<int> RulesView::widths() {
    // Address, for whom, from program share the width; the controls' columns fit the controls.
    std::vector<int> result(columns);
    const Rule sample;
    const std::unique_ptr<QWidget> chooser(actionChooser(sample)), remove(removeBox(sample));
    result[actionColumn] = chooser->sizeHint().width();
    result[removeColumn] = remove->sizeHint().width();
    return result;
}

QWidget* RulesView::removeBox(const Rule& rule) {
    const Lang lang = model_.lang();
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 2, 4, 2);
    auto* remove = new QPushButton(qt(WindowTexts::text(Key::remove, lang)));
    remove->setFont(ViewStyle::caption());
    remove->setAccessibleName(qt(WindowTexts::ruleButtonName(Key::remove, rule.target, lang)));
    connect(remove, &QPushButton::clicked, this,
            [this, target = rule.target, program = rule.program] {
                RuleSet rules = model_.rules();
                rules.remove(target, program);
                model_.setRules(rules);
            });
    row->addWidget(remove);
    return box;
}

QComboBox* RulesView::actionChooser(const Rule& rule) {
    auto* chooser = new QComboBox;
    chooser->setFont(ViewStyle::caption());
    for (RuleAction action : RuleActions::allCases)
        chooser->addItem(qt(WindowTexts::text(label(action), model_.lang())));
    chooser->setCurrentIndex(static_cast<int>(rule.action));
    connect(chooser, &QComboBox::activated, this, [this, rule](int chosen) {
        RuleSet rules = model_.rules();
        rules.set(rule.target, rule.app, RuleActions::allCases[static_cast<size_t>(chosen)],
                  rule.ips, rule.created, rule.program);
        model_.setRules(rules);
    });
    return chooser;
}

void RulesView::removeAll() {
    if (model_.helperInstalled()) {
        model_.uninstallHelper(true);
        return;
    }
    model_.setRules(RuleSet{});
}
