// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules_table_model.h"

#include "present/window_rows.h"
#include "present/window_texts.h"
#include "view_style.h"

using ViewStyle::qt;
using WindowTexts::Key;

namespace {

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

RulesTableModel::RulesTableModel(Lang lang, QObject* parent)
    : KeyedRowsModel(parent), lang_(lang) {}

void RulesTableModel::show(const RuleSet& rules, Lang lang) {
    const bool retitled = lang != lang_;
    lang_ = lang;
    showRows(WindowRows::newestFirst(rules.rules));
    if (retitled) relabel();
}

void RulesTableModel::relabel() {
    emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
    changedAll();
}

QString RulesTableModel::actionText(RuleAction action) const {
    return qt(WindowTexts::text(label(action), lang_));
}

QStringList RulesTableModel::titles() const {
    return {qt(WindowTexts::text(Key::columnAddress, lang_)),
            qt(WindowTexts::text(Key::columnFor, lang_)),
            qt(WindowTexts::text(Key::columnFromProgram, lang_)),
            qt(WindowTexts::text(Key::columnAction, lang_)), QString()};
}

int RulesTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Column::columns;
}

QString RulesTableModel::text(const Rule& rule, int column) const {
    switch (column) {
    case address:
        return qt(rule.target);
    case scope:
        return qt(WindowTexts::ruleFor(rule.program, lang_));
    case fromProgram:
        return rule.app ? qt(*rule.app) : QStringLiteral("—");
    }
    return {};
}

QVariant RulesTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Rule& shown = rule(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(shown, index.column());
    case Qt::ToolTipRole:
        // A rule for one program names its whole executable.
        if (index.column() == scope && shown.program) return qt(*shown.program);
        return text(shown, index.column());
    case Qt::FontRole:
        if (index.column() == address) return ViewStyle::monospaced(ViewStyle::caption());
        return {};
    case Qt::AccessibleTextRole:
        // The cells under the controls are read by assistive technology by what they hold.
        if (index.column() == action) return actionText(shown.action);
        if (index.column() == remove)
            return qt(WindowTexts::ruleButtonName(Key::remove, shown.target, lang_));
        return {};
    }
    return {};
}

QVariant RulesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return titles().value(section);
    return KeyedRowsModel::headerData(section, orientation, role);
}
