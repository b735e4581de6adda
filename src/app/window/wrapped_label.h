// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>
#include <vector>

#include <QLabel>

// A label that wraps its words and remembers its height for the widths it was asked about. A
// layout asks at every pass, and a pass comes whenever a label beside it changes, as traffic
// figures do at every scan: shaping the text anew each time was most of an open window's work.
class WrappedLabel : public QLabel {
    Q_OBJECT

  public:
    explicit WrappedLabel(const QString& text, QWidget* parent = nullptr);

    int heightForWidth(int width) const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // The text the heights are for: QLabel::setText is not virtual, so a change is seen here.
    mutable QString measured_;
    // (width, height) pairs, a few at most: the widths a window's layout tries.
    mutable std::vector<std::pair<int, int>> heights_;
};
