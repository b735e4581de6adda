// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainter>
#include <QProxyStyle>

// The toolkit's style with push buttons a little wider than their text, so that labels such as
// the Russian ones do not touch the button's edge; a focus mark that stands out in the light and
// the dark appearance alike, and check boxes outlined in the text colour, which the toolkit's own
// faint frame is not in the dark.
class ButtonStyle : public QProxyStyle {
    Q_OBJECT

  public:
    static constexpr int extraWidth = 16;

    // Makes it the application's style, once.
    static void install();
    // The focus mark around `area`, with corners of `radius`.
    static void drawFocus(QPainter& painter, const QRectF& area, qreal radius = 4);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
