// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include <QAbstractItemModel>
#include <QSignalSpy>
#include <QStringList>

// Listens to an item model's row, data and reset signals, and tells them one a line with the rows
// and cells they name, as "inserted 0 0", "moved 1 1 0" or "changed 2:0 2:4", and the roles
// changed when named, as "changed 1:0 1:0 roles 11,256".
class ModelSignals {
  public:
    explicit ModelSignals(const QAbstractItemModel& model) {
        const auto spy = [&](const QString& name, auto signal) {
            spies_.emplace_back(name, std::make_unique<QSignalSpy>(&model, signal));
        };
        spy("inserted", &QAbstractItemModel::rowsInserted);
        spy("removed", &QAbstractItemModel::rowsRemoved);
        spy("moved", &QAbstractItemModel::rowsMoved);
        spy("changed", &QAbstractItemModel::dataChanged);
        spy("header", &QAbstractItemModel::headerDataChanged);
        spy("reset", &QAbstractItemModel::modelReset);
        spy("layout", &QAbstractItemModel::layoutChanged);
    }

    // The signals heard since the last call, forgetting them.
    QStringList heard() {
        QStringList lines;
        for (auto& [name, spy] : spies_) {
            for (const QList<QVariant>& call : *spy)
                lines << line(name, call);
            spy->clear();
        }
        return lines;
    }

  private:
    static QString line(const QString& name, const QList<QVariant>& call) {
        QStringList words{name};
        for (const QVariant& argument : call)
            if (argument.typeId() == QMetaType::Int)
                words << QString::number(argument.toInt());
            else if (argument.canConvert<QList<int>>())
                words << roles(argument.value<QList<int>>());
            else if (const auto cell = argument.value<QModelIndex>(); cell.isValid())
                words << QStringLiteral("%1:%2").arg(cell.row()).arg(cell.column());
        return words.join(' ');
    }

    static QStringList roles(QList<int> named) {
        if (named.isEmpty()) return {};
        std::sort(named.begin(), named.end());
        QStringList numbers;
        for (int role : named)
            numbers << QString::number(role);
        return {"roles", numbers.join(',')};
    }

    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> spies_;
};
