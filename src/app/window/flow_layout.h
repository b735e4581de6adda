// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLayout>
#include <QList>

// Lays its items out in a row and starts another row where the next one does not fit, so a
// group of buttons takes two lines rather than being cut when the text is large. Rows keep the
// layout's horizontal alignment: left unless it is set to Qt::AlignRight. An item that expands
// horizontally and ends its row takes the rest of the row.
class FlowLayout : public QLayout {
  public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

  private:
    // Places the items in `rect` when `place` is true; returns the height they take.
    int arrange(const QRect& rect, bool place) const;
    // Gives the items of one row of `height` their `cells` in `area`, aligned.
    void placeRow(const QList<QLayoutItem*>& row, QList<QRect>& cells, const QRect& area,
                  int height) const;

    QList<QLayoutItem*> items_;
};
