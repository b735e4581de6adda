// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A one-line label that may shrink below its text's width: what does not fit ends in "…", and
// the whole text is its tool tip.
class ElidedLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    // The text as drawn at the current width.
    QString shown() const;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
