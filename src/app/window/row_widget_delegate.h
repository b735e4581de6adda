// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemView>
#include <QStyledItemDelegate>

// Gives each row of a view the height of the widget laid over it with setIndexWidget, so rows
// drawn by widgets of their own take the room those need; the width is the view's.
class RowWidgetDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    explicit RowWidgetDelegate(QAbstractItemView* view);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    QAbstractItemView* view_;
};
