// SPDX-License-Identifier: GPL-3.0-or-later
#include "flow_layout.h"

#include <algorithm>

#include <QWidget>

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(spacing);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

int FlowLayout::count() const {
    return static_cast<int>(items_.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return items_.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    return items_.takeAt(index);
}

Qt::Orientations FlowLayout::expandingDirections() const {
    return {};
}

bool FlowLayout::hasHeightForWidth() const {
    return true;
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty()) size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const {
    int width = 0, height = 0, shown = 0;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        width += item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
        ++shown;
    }
    const QMargins margins = contentsMargins();
    return {width + std::max(0, shown - 1) * spacing() + margins.left() + margins.right(),
            height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
    const QMargins margins = contentsMargins();
    const QRect area = rect.marginsRemoved(margins);
    const int gap = spacing();
    int x = area.x(), y = area.y(), rowHeight = 0;
    QList<QLayoutItem*> row;
    QList<QRect> cells;
    const auto endRow = [&] {
        if (place && !row.isEmpty()) placeRow(row, cells, area, rowHeight);
        row.clear();
        cells.clear();
    };
    for (QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        // An item wider than the whole row is given the row, down to its own minimum.
        QSize size = item->sizeHint();
        size.setWidth(std::min(size.width(), std::max(area.width(), item->minimumSize().width())));
        if (item->hasHeightForWidth()) size.setHeight(item->heightForWidth(size.width()));
        if (!row.isEmpty() && x + size.width() > area.right() + 1) {
            endRow();
            x = area.x();
            y += rowHeight + gap;
            rowHeight = 0;
        }
        row << item;
        cells << QRect(QPoint(x, y), size);
        x += size.width() + gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    endRow();
    return y + rowHeight - rect.y() + margins.bottom();
}

void FlowLayout::placeRow(const QList<QLayoutItem*>& row, QList<QRect>& cells, const QRect& area,
                          int height) const {
    if (row.last()->expandingDirections() & Qt::Horizontal)
        cells.last().setRight(std::max(cells.last().right(), area.right()));
    const int shift =
        alignment() & Qt::AlignRight ? std::max(0, area.right() - cells.last().right()) : 0;
    for (qsizetype i = 0; i < row.size(); ++i) {
        QRect cell = cells[i].translated(shift, 0);
        cell.moveTop(cell.top() + (height - cell.height()) / 2);
        row[i]->setGeometry(cell);
    }
}
