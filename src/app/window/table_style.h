// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QTableWidget>

// The look shared by the window's tables: no grid, no row numbers, no sorting, one text line a
// row, columns of fixed width (never narrower than their title) or sharing the rest.
namespace TableStyle {

// A width of 0 makes a column flexible.
QTableWidget* make(const std::vector<int>& widths);
// Gives a table over a model of its own the same look.
void apply(QTableView* table);
// Sets the titles, widening fixed columns whose title would not fit.
void setTitles(QTableWidget* table, const std::vector<int>& widths, const QStringList& titles);
// Sizes the columns for `titles` as `setTitles` does.
void sizeColumns(QHeaderView* header, const std::vector<int>& widths, const QStringList& titles);
// A cell showing `text` in `font` (and `color` when valid), with the whole text as its tooltip so
// a cut-off value can still be read.
QTableWidgetItem* cell(const QString& text, const QFont& font, const QColor& color = QColor());

} // namespace TableStyle
