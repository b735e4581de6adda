// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "base/bilingual.h"

// The texts of an enumeration, one row per key, each row naming its key. `Key::count` is the
// number of keys. A table whose rows are not in key order, or miss one, does not compile, so
// every key reads its own text.
template <typename Key, typename Text = Bilingual> class TextTable {
  public:
    struct Row {
        Key key;
        Text text;
    };
    static constexpr size_t size = static_cast<size_t>(Key::count);

    consteval TextTable(const Row (&rows)[size]) : rows_(std::to_array(rows)) {
        for (size_t i = 0; i < size; ++i)
            if (static_cast<size_t>(rows_[i].key) != i) throw "a row is out of key order";
    }

    constexpr const Text& operator[](Key key) const { return rows_[static_cast<size_t>(key)].text; }

  private:
    std::array<Row, size> rows_;
};
