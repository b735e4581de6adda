// SPDX-License-Identifier: GPL-3.0-or-later
#include "view_style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>

#include "palette.h"
#include "status_icon.h"
#include "wrapped_label.h"

namespace ViewStyle {

namespace {

QFont scaled(qreal factor, QFont::Weight weight = QFont::Normal) {
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

QLabel* styled(QLabel* label, const QFont& font, const QColor& color) {
    if (font != QFont()) label->setFont(font);
    if (color.isValid()) setColor(label, color);
    return label;
}

} // namespace

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QFont callout() {
    return scaled(0.95);
}

QFont caption() {
    return scaled(0.88);
}

QFont caption2() {
    return scaled(0.8, QFont::DemiBold);
}

QFont title2() {
    return scaled(1.35, QFont::Bold);
}

QFont monospaced(const QFont& font) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font.pointSizeF());
    fixed.setWeight(font.weight());
    return fixed;
}

QColor signal(SignalColor color) {
    return StatusIcon::color(color, Palette::isDark());
}

QColor ruleColor(RuleAction action) {
    switch (action) {
    case RuleAction::allow:
        return Palette::of(Palette::green);
    case RuleAction::block:
        return signal(SignalColor::red);
    case RuleAction::ask:
        break;
    }
    return Palette::of(Palette::gold);
}

QLabel* label(const QString& text, const QFont& font, const QColor& color) {
    return styled(new QLabel(text), font, color);
}

QLabel* wrapped(const QString& text, const QFont& font, const QColor& color) {
    return styled(new WrappedLabel(text), font, color);
}

void setColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* notice() {
    QLabel* result = wrapped(QString(), caption());
    result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result->hide();
    return result;
}

void showNotices(QLabel* label, const std::vector<std::string>& texts) {
    QStringList lines;
    for (const std::string& text : texts)
        lines << qt(text);
    label->setText(lines.join('\n'));
    setColor(label, Palette::of(Palette::gold));
    label->setVisible(!texts.empty());
}

QLabel* dot(const QColor& color, int diameter) {
    auto* result = new QLabel;
    paintDot(result, color, diameter);
    return result;
}

QPixmap drawn(int side, const QColor& color, const std::function<void(QPainter&)>& draw) {
    const qreal scale = 2;
    QPixmap pixmap(QSize(side, side) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    draw(painter);
    painter.end();
    return pixmap;
}

void paintDot(QLabel* label, const QColor& color, int diameter) {
    label->setPixmap(drawn(diameter, color, [diameter](QPainter& painter) {
        painter.drawEllipse(QRectF(0, 0, diameter, diameter));
    }));
    label->setFixedSize(diameter, diameter);
}

} // namespace ViewStyle
