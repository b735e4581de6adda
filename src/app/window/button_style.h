// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// The toolkit's style with push buttons a little wider than their text, so that labels such as
// the Russian ones do not touch the button's edge.
class ButtonStyle : public QProxyStyle {
    Q_OBJECT

  public:
    static constexpr int extraWidth = 16;

    // Makes it the application's style, once.
    static void install();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};
