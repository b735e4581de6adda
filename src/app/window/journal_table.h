// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QFont>
#include <QStyledItemDelegate>

#include "base/lang.h"
#include "store/journal_entry.h"

// The Journal tab's rows as a table model: day, program, address, who, last seen, sent, blocked.
// Rows are keyed by day, program and destination, so a new scan changes only the rows it touched
// and the view keeps its scroll position; only visible rows are ever drawn.
class JournalTable : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { day, program, address, who, last, sent, received, blocked, columns };
    // The category of the "who" column and its label, for its painter.
    static constexpr int categoryRole = Qt::UserRole;
    static constexpr int labelRole = Qt::UserRole + 1;

    explicit JournalTable(QObject* parent = nullptr);

    // Shows `rows` in the given order, in `lang`, with `body` as the main font.
    void show(std::vector<JournalEntry> rows, Lang lang, const QFont& body);
    const std::vector<JournalEntry>& rows() const { return rows_; }

    // Whether they differ from those shown before.
    bool setTitles(const QStringList& titles);
    // The width `column` needs for its longest text in `lang` and its font; 0 for the columns that
    // share what is left.
    int width(int column, Lang lang) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    QString text(const JournalEntry& entry, int column) const;
    QFont font(int column) const;
    // The longest text a column of fixed width shows; empty for the others.
    QString longest(int column, Lang lang) const;
    // Replaces the rows when they are other keys or in another order, moving what the view holds
    // on to (current cell, selection) with its key.
    void relayout(std::vector<JournalEntry> rows);

    std::vector<JournalEntry> rows_;
    QStringList titles_;
    Lang lang_ = Lang::en;
    QFont body_;
};

// Paints the "who" column: the category pill, then the company.
class JournalWhoPainter : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
