// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>

#include <QAbstractTableModel>
#include <QStringList>

#include "base/lang.h"
#include "keyed_rows_model.h"
#include "store/rule_set.h"

// The Rules tab's rows as a table model, newest first: address, for whom, from program, and the
// action and remove columns, whose controls the view lays over the cells. Rows are keyed by where
// a rule is kept (its target and program), so a new rule set inserts, removes, moves or changes
// only the rows whose rules did, and one that changes nothing touches no row.
class RulesTableModel : public KeyedRowsModel<QAbstractTableModel, Rule,
                                              std::pair<std::string, std::optional<std::string>>> {
    Q_OBJECT

  public:
    enum Column { address, scope, fromProgram, action, remove, columns };

    explicit RulesTableModel(Lang lang, QObject* parent = nullptr);

    // Shows the rules of `rules` in `lang`; a new language changes the titles and every row.
    void show(const RuleSet& rules, Lang lang);
    const Rule& rule(int at) const { return row(at); }
    // The name of `action` in the language shown.
    QString actionText(RuleAction action) const;
    QStringList titles() const;

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::pair<std::string, std::optional<std::string>> keyOf(const Rule& rule) const override {
        return {rule.target, rule.program};
    }
    void relabel();
    QString text(const Rule& rule, int column) const;

    Lang lang_;
};
