// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules_table_model.h"

#include <algorithm>

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
    : QAbstractTableModel(parent), lang_(lang) {}

void RulesTableModel::show(const RuleSet& rules, Lang lang) {
    const bool retitled = lang != lang_;
    lang_ = lang;
    const std::vector<Rule> wanted = WindowRows::newestFirst(rules.rules);
    const std::set<Place> shown = places(rows_);
    dropAbsent(places(wanted));
    const int count = static_cast<int>(wanted.size());
    for (int row = 0; row < count;)
        row = place(wanted, shown, row);
    dropFrom(count);
    if (retitled) relabel();
}

std::set<RulesTableModel::Place> RulesTableModel::places(const std::vector<Rule>& rules) {
    std::set<Place> result;
    for (const Rule& rule : rules)
        result.emplace(rule.target, rule.program);
    return result;
}

void RulesTableModel::dropAbsent(const std::set<Place>& kept) {
    const auto absent = [&](int row) { return !kept.count({rule(row).target, rule(row).program}); };
    for (int last = rowCount() - 1; last >= 0; --last) {
        if (!absent(last)) continue;
        int first = last;
        while (first > 0 && absent(first - 1))
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        last = first;
    }
}

int RulesTableModel::place(const std::vector<Rule>& wanted, const std::set<Place>& shown, int row) {
    const Rule& rule = wanted[static_cast<size_t>(row)];
    const auto from = std::find_if(rows_.begin() + row, rows_.end(), [&](const Rule& held) {
        return held.target == rule.target && held.program == rule.program;
    });
    if (from == rows_.end()) return insert(wanted, shown, row);
    const auto at = static_cast<int>(from - rows_.begin());
    if (at != row) {
        beginMoveRows({}, at, at, {}, row);
        std::rotate(rows_.begin() + row, from, from + 1);
        endMoveRows();
    }
    Rule& held = rows_[static_cast<size_t>(row)];
    if (held == rule) return row + 1;
    held = rule;
    emit dataChanged(index(row, 0), index(row, columns - 1));
    return row + 1;
}

int RulesTableModel::insert(const std::vector<Rule>& wanted, const std::set<Place>& shown,
                            int row) {
    int end = row + 1;
    while (end < static_cast<int>(wanted.size()) &&
           !shown.count(
               {wanted[static_cast<size_t>(end)].target, wanted[static_cast<size_t>(end)].program}))
        ++end;
    beginInsertRows({}, row, end - 1);
    rows_.insert(rows_.begin() + row, wanted.begin() + row, wanted.begin() + end);
    endInsertRows();
    return end;
}

void RulesTableModel::dropFrom(int row) {
    if (row >= rowCount()) return;
    beginRemoveRows({}, row, rowCount() - 1);
    rows_.erase(rows_.begin() + row, rows_.end());
    endRemoveRows();
}

void RulesTableModel::relabel() {
    emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columns - 1));
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

int RulesTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
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
    return QAbstractTableModel::headerData(section, orientation, role);
}
