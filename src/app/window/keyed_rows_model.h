// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include <QAbstractItemModel>
#include <QList>

// An item model over rows of `Row`, each known by a `Key` of its own. Given new rows it inserts,
// removes, moves and changes only the rows that differ, so views keep their selection, scroll
// position and the widgets laid over the rows; rows that did not change signal nothing.
template <class Base, class Row, class Key> class KeyedRowsModel : public Base {
  public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }

  protected:
    explicit KeyedRowsModel(QObject* parent) : Base(parent) {}

    const Row& row(int at) const { return rows_[static_cast<size_t>(at)]; }
    virtual Key keyOf(const Row& row) const = 0;
    // The roles that changed from `was` to `now`, unequal rows: none when nothing shown did, an
    // empty list when all did.
    virtual std::optional<QList<int>> changedRoles(const Row& /*was*/, const Row& /*now*/) const {
        return QList<int>{};
    }

    // Shows `wanted` in its order.
    void showRows(const std::vector<Row>& wanted) {
        const std::set<Key> shown = keys(rows_);
        dropAbsent(keys(wanted));
        const int count = static_cast<int>(wanted.size());
        for (int at = 0; at < count;)
            at = place(wanted, shown, at);
        dropFrom(count);
    }

    // Signals every row changed, as when its texts change language.
    void changedAll() {
        if (rows_.empty()) return;
        emit this->dataChanged(this->index(0, 0), this->index(rowCount() - 1, lastColumn()));
    }

  private:
    int lastColumn() const {
        // A list model hides its column count; every model answers it as an item model.
        return static_cast<const QAbstractItemModel*>(this)->columnCount() - 1;
    }

    std::set<Key> keys(const std::vector<Row>& rows) const {
        std::set<Key> result;
        for (const Row& each : rows)
            result.insert(keyOf(each));
        return result;
    }

    // Removes the rows whose key is not among `kept`, each run of them at once.
    void dropAbsent(const std::set<Key>& kept) {
        const auto absent = [&](int at) { return !kept.count(keyOf(row(at))); };
        for (int last = rowCount() - 1; last >= 0; --last) {
            if (!absent(last)) continue;
            int first = last;
            while (first > 0 && absent(first - 1))
                --first;
            this->beginRemoveRows({}, first, last);
            rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
            this->endRemoveRows();
            last = first;
        }
    }

    // Shows wanted[at] at `at`: the row there, or one moved up from below, updated; else a new
    // row. Returns the row after those it placed.
    int place(const std::vector<Row>& wanted, const std::set<Key>& shown, int at) {
        const Row& now = wanted[static_cast<size_t>(at)];
        const Key key = keyOf(now);
        const auto from = std::find_if(rows_.begin() + at, rows_.end(),
                                       [&](const Row& held) { return keyOf(held) == key; });
        if (from == rows_.end()) return insert(wanted, shown, at);
        const auto was = static_cast<int>(from - rows_.begin());
        if (was != at) {
            this->beginMoveRows({}, was, was, {}, at);
            std::rotate(rows_.begin() + at, from, from + 1);
            this->endMoveRows();
        }
        update(at, now);
        return at + 1;
    }

    void update(int at, const Row& now) {
        Row& held = rows_[static_cast<size_t>(at)];
        if (held == now) return;
        const std::optional<QList<int>> roles = changedRoles(held, now);
        held = now;
        if (roles)
            emit this->dataChanged(this->index(at, 0), this->index(at, lastColumn()), *roles);
    }

    // Inserts wanted[at] and the rows after it whose keys are not `shown`.
    int insert(const std::vector<Row>& wanted, const std::set<Key>& shown, int at) {
        int end = at + 1;
        while (end < static_cast<int>(wanted.size()) &&
               !shown.count(keyOf(wanted[static_cast<size_t>(end)])))
            ++end;
        this->beginInsertRows({}, at, end - 1);
        rows_.insert(rows_.begin() + at, wanted.begin() + at, wanted.begin() + end);
        this->endInsertRows();
        return end;
    }

    // Removes the rows from `at` on, left over when the wanted rows held a key twice.
    void dropFrom(int at) {
        if (at >= rowCount()) return;
        this->beginRemoveRows({}, at, rowCount() - 1);
        rows_.erase(rows_.begin() + at, rows_.end());
        this->endRemoveRows();
    }

    std::vector<Row> rows_;
};
