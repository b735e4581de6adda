// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_icon.h"

#include <map>

#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "desktop/desktop_entry.h"
#include "palette.h"
#include "view_style.h"

namespace {

constexpr qreal scale = 2;

// Desktop entries are read once per executable.
QIcon desktopIcon(const std::string& executable) {
    static std::map<std::string, std::optional<std::string>> found;
    auto known = found.find(executable);
    if (known == found.end())
        known = found
                    .emplace(executable,
                             DesktopEntry::find(DesktopEntry::applicationDirectories(), executable))
                    .first;
    if (!known->second) return {};
    const QString icon = QString::fromStdString(*known->second);
    if (QFileInfo(icon).isAbsolute()) return QFileInfo::exists(icon) ? QIcon(icon) : QIcon();
    return QIcon::hasThemeIcon(icon) ? QIcon::fromTheme(icon) : QIcon();
}

void drawGear(QPainter& painter, QPointF centre, qreal radius, int teeth) {
    QPainterPath outline;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal angle = M_PI * i / teeth;
        const qreal r = i % 2 == 0 ? radius : radius * 0.78;
        const qreal half = M_PI / teeth / 2;
        const QPointF a = centre + QPointF(r * qCos(angle - half), r * qSin(angle - half));
        const QPointF b = centre + QPointF(r * qCos(angle + half), r * qSin(angle + half));
        if (i == 0)
            outline.moveTo(a);
        else
            outline.lineTo(a);
        outline.lineTo(b);
    }
    outline.closeSubpath();
    outline.addEllipse(centre, radius * 0.35, radius * 0.35);
    outline.setFillRule(Qt::OddEvenFill);
    painter.drawPath(outline);
}

} // namespace

AppIcon::AppIcon(const std::optional<std::string>& bundlePath,
                 const std::optional<std::string>& executablePath, const std::string& name,
                 QWidget* parent)
    : QLabel(parent) {
    setFixedSize(side, side);
    const QIcon icon = find(bundlePath, executablePath, name);
    placeholder_ = icon.isNull();
    setPixmap(placeholder_ ? gears(Palette::of(Palette::muted))
                           : icon.pixmap(QSize(side, side), scale));
    setScaledContents(true);
}

QIcon AppIcon::find(const std::optional<std::string>& bundlePath,
                    const std::optional<std::string>& executablePath, const std::string& name) {
    if (bundlePath && QFileInfo::exists(QString::fromStdString(*bundlePath)))
        return QFileIconProvider().icon(QFileInfo(QString::fromStdString(*bundlePath)));
    if (executablePath)
        if (QIcon icon = desktopIcon(*executablePath); !icon.isNull()) return icon;
    const QString themeName = QString::fromStdString(name).toLower();
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
    return {};
}

QPixmap AppIcon::gears(const QColor& color) {
    return ViewStyle::drawn(side, color, [](QPainter& painter) {
        drawGear(painter, QPointF(8.5, 8.5), 7.5, 8);
        drawGear(painter, QPointF(16, 16), 5.5, 6);
    });
}
