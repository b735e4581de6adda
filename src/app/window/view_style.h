// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QString>

#include "present/signal_color.h"
#include "store/rule.h"

// Text styles and colours shared by the window's views.
namespace ViewStyle {

QString qt(const std::string& text);

// The named text styles, relative to the toolkit's body font.
QFont callout();
QFont caption();
QFont caption2();
QFont title2();
QFont monospaced(const QFont& font);

// The toolkit's plain signal colour in the appearance in effect.
QColor signal(SignalColor color);
// The colour of a rule action wherever it is shown: allow green, block red, ask gold.
QColor ruleColor(RuleAction action);

// A label in `font` and `color`; `color` invalid keeps the window's text colour.
QLabel* label(const QString& text, const QFont& font = QFont(), const QColor& color = QColor());
// A label whose words wrap.
QLabel* wrapped(const QString& text, const QFont& font = QFont(), const QColor& color = QColor());
void setColor(QWidget* widget, const QColor& color);

// A wrapped caption line for notices about data files, hidden until it has some.
QLabel* notice();
// Shows `texts` one per line in gold on `label`, or hides it when there are none.
void showNotices(QLabel* label, const std::vector<std::string>& texts);

// A transparent square pixmap of `side` points at twice the pixels, on which `draw` paints
// shapes filled with `color` and no outline.
QPixmap drawn(int side, const QColor& color, const std::function<void(QPainter&)>& draw);

// A filled circle of `diameter` points.
QLabel* dot(const QColor& color, int diameter);
void paintDot(QLabel* label, const QColor& color, int diameter);

} // namespace ViewStyle
