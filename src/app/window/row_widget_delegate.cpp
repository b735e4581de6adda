// SPDX-License-Identifier: GPL-3.0-or-later
#include "row_widget_delegate.h"

RowWidgetDelegate::RowWidgetDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view), view_(view) {}

QSize RowWidgetDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const QWidget* drawn = view_->indexWidget(index);
    if (!drawn) return QStyledItemDelegate::sizeHint(option, index);
    return {0, drawn->sizeHint().height()};
}
