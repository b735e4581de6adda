// SPDX-License-Identifier: GPL-3.0-or-later
#include "button_style.h"

#include <QApplication>

void ButtonStyle::install() {
    if (!qobject_cast<ButtonStyle*>(QApplication::style())) QApplication::setStyle(new ButtonStyle);
}

QSize ButtonStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_PushButton) result.rwidth() += extraWidth;
    return result;
}
