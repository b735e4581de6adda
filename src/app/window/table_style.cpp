// SPDX-License-Identifier: GPL-3.0-or-later
#include "table_style.h"

#include <QHeaderView>

#include "palette.h"

namespace TableStyle {

namespace {

constexpr int titlePadding = 16;

} // namespace

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

} // namespace TableStyle
