// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "base/lang.h"
#include "classify/category.h"

// A category pill: the category's label in its signal colour on a pale capsule of that colour,
// at its natural width.
class Badge : public QWidget {
    Q_OBJECT

  public:
    Badge(Category category, Lang lang, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QColor fill() const;
    QColor textColor() const;
    const QString& text() const { return text_; }

    // Paints a pill of `category` with `text` at the left of `area`, vertically centred, in the
    // badge's font; the pill's rectangle. Tables paint their badges this way.
    static QRectF paint(QPainter& painter, const QRect& area, Category category,
                        const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Category category_;
    QString text_;
};
