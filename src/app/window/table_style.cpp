// SPDX-License-Identifier: GPL-3.0-or-later
#include "table_style.h"

#include <QHeaderView>

#include "palette.h"

namespace TableStyle {

namespace {

constexpr int titlePadding = 16;

} // namespace

QTableWidget* make(const std::vector<int>& widths) {
    auto* table = new QTableWidget(0, static_cast<int>(widths.size()));
    apply(table);
    return table;
}

void apply(QTableView* table) {
    table->setShowGrid(false);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setWordWrap(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Rows are two text lines high, less a little: room for the controls some cells hold.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() * 2 - 2);
}

void setTitles(QTableWidget* table, const std::vector<int>& widths, const QStringList& titles) {
    table->setHorizontalHeaderLabels(titles);
    sizeColumns(table->horizontalHeader(), widths, titles);
}

void sizeColumns(QHeaderView* header, const std::vector<int>& widths, const QStringList& titles) {
    const QFontMetrics metrics(header->font());
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        const int width = widths[static_cast<size_t>(column)];
        if (width == 0) {
            header->setSectionResizeMode(column, QHeaderView::Stretch);
            continue;
        }
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(
            column,
            std::max(width, metrics.horizontalAdvance(titles.value(column)) + titlePadding));
    }
}

QTableWidgetItem* cell(const QString& text, const QFont& font, const QColor& color) {
    auto* item = new QTableWidgetItem(text);
    item->setFont(font);
    if (color.isValid()) item->setForeground(color);
    item->setToolTip(text);
    return item;
}

} // namespace TableStyle
