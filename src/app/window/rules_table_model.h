// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

#include "base/lang.h"
#include "store/rule_set.h"

// The Rules tab's rows as a table model, newest first: address, for whom, from program, and the
// action and remove columns, whose controls the view lays over the cells. Rows are keyed by where
// a rule is kept (its target and program), so a new rule set inserts, removes, moves or changes
// only the rows whose rules did, and one that changes nothing touches no row.
class RulesTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { address, scope, fromProgram, action, remove, columns };

    explicit RulesTableModel(Lang lang, QObject* parent = nullptr);

    // Shows the rules of `rules` in `lang`; a new language changes the titles and every row.
    void show(const RuleSet& rules, Lang lang);
    const Rule& rule(int row) const { return rows_[static_cast<size_t>(row)]; }
    // The name of `action` in the language shown.
    QString actionText(RuleAction action) const;
    QStringList titles() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    using Place = std::pair<std::string, std::optional<std::string>>;
    static std::set<Place> places(const std::vector<Rule>& rules);

    // Removes the rows whose place is not among `kept`, each run of them at once.
    void dropAbsent(const std::set<Place>& kept);
    // Shows wanted[row] at `row`: the row there, or one moved up from below, updated; else a new
    // row. Returns the row after those it placed.
    int place(const std::vector<Rule>& wanted, const std::set<Place>& shown, int row);
    // Inserts wanted[row] and the rules after it whose places are not `shown`.
    int insert(const std::vector<Rule>& wanted, const std::set<Place>& shown, int row);
    // Removes the rows from `row` on, left over when the rules held the same place twice.
    void dropFrom(int row);
    void relabel();
    QString text(const Rule& rule, int column) const;

    std::vector<Rule> rows_;
    Lang lang_;
};
