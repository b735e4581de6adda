// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

// A panel on the card colour outlined in the line colour with rounded corners, painted in the
// appearance in effect. Painted rather than styled, so that its children keep the window's
// palette.
class RoundedPanel : public QFrame {
    Q_OBJECT

  public:
    explicit RoundedPanel(qreal radius, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    qreal radius_;
};
