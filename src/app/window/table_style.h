// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QTableView>

// The look shared by the window's tables: no grid, no row numbers, no sorting, one text line a
// row, columns of fixed width (never narrower than their title) or sharing the rest.
namespace TableStyle {

// Gives a table over a model the look.
void apply(QTableView* table);
// Sizes the columns for `titles`: a width of 0 makes a column flexible, fixed columns whose title
// would not fit are widened.
void sizeColumns(QHeaderView* header, const std::vector<int>& widths, const QStringList& titles);

} // namespace TableStyle
