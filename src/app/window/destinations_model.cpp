// SPDX-License-Identifier: GPL-3.0-or-later
#include "destinations_model.h"

#include <tuple>

#include "view_style.h"

using ViewStyle::qt;

namespace {

// What a card is drawn from once: all but its traffic and port.
auto look(const DestinationRow& row) {
    const Connection& connection = row.connection;
    return std::tie(connection.ip, connection.host, connection.verdict, connection.incoming,
                    row.rule, row.programRule);
}

auto traffic(const DestinationRow& row) {
    const Connection& connection = row.connection;
    return std::tie(connection.port, connection.proto, connection.bytesIn, connection.bytesOut);
}

} // namespace

std::optional<QList<int>> DestinationsModel::changedRoles(const DestinationRow& was,
                                                          const DestinationRow& now) const {
    if (look(was) != look(now)) return QList<int>{};
    if (traffic(was) == traffic(now)) return std::nullopt;
    return QList<int>{trafficRole};
}

QVariant DestinationsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return qt(destination(index.row()).connection.dest());
    return {};
}
