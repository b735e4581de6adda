// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QAbstractListModel>

#include "keyed_rows_model.h"
#include "observe/connection.h"
#include "store/rule.h"

// One destination of a program as its card shows it: the destination's first connection and the
// rules in force for it.
struct DestinationRow {
    Connection connection;
    // The rule for the destination, and the one kept for this program alone.
    std::optional<RuleAction> rule;
    std::optional<RuleAction> programRule;
    bool operator==(const DestinationRow&) const = default;
};

// A program's destinations, keyed by destination. A new scan inserts, removes or moves only the
// rows of destinations that came, went or moved; a row whose traffic or port alone changed
// signals `trafficRole`, one whose card shows something else signals all roles, to be drawn anew.
class DestinationsModel : public KeyedRowsModel<QAbstractListModel, DestinationRow, std::string> {
    Q_OBJECT

  public:
    enum Role { trafficRole = Qt::UserRole };

    explicit DestinationsModel(QObject* parent = nullptr) : KeyedRowsModel(parent) {}

    void show(const std::vector<DestinationRow>& rows) { showRows(rows); }
    const DestinationRow& destination(int at) const { return row(at); }

    // The destination's name, for assistive technology.
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::string keyOf(const DestinationRow& row) const override { return row.connection.dest(); }
    std::optional<QList<int>> changedRoles(const DestinationRow& was,
                                           const DestinationRow& now) const override;
};
