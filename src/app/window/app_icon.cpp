// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_icon.h"

#include <algorithm>
#include <array>
#include <map>

#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>

#include "desktop/desktop_entry.h"
#include "present/window_texts.h"
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

// Mid shades that carry white letters in the light and the dark appearance.
constexpr std::array<QRgb, 8> badgeColors{0xFF3B6FB6, 0xFF2E8B6E, 0xFF8A5CB8, 0xFFB5563A,
                                          0xFF4F7F2A, 0xFFA8457A, 0xFF2F7F9A, 0xFF8C6D1F};

} // namespace

AppIcon::AppIcon(const std::optional<std::string>& bundlePath,
                 const std::optional<std::string>& executablePath, const std::string& name,
                 Lang lang, QWidget* parent)
    : QLabel(parent) {
    setFixedSize(side, side);
    setAccessibleName(QString::fromStdString(WindowTexts::iconName(name, lang)));
    const QIcon icon = find(bundlePath, executablePath, name);
    placeholder_ = icon.isNull();
    setPixmap(placeholder_ ? letter(QString::fromStdString(name))
                           : icon.pixmap(QSize(side, side), scale));
    setScaledContents(true);
}

QIcon AppIcon::find(const std::optional<std::string>& bundlePath,
                    const std::optional<std::string>& executablePath, const std::string& name) {
    if (bundlePath && QFileInfo::exists(QString::fromStdString(*bundlePath)))
        return QFileIconProvider().icon(QFileInfo(QString::fromStdString(*bundlePath)));
    if (executablePath)
        if (QIcon icon = desktopIcon(*executablePath); !icon.isNull()) return icon;
    QStringList themeNames{QString::fromStdString(name).toLower()};
    if (executablePath) themeNames << QFileInfo(QString::fromStdString(*executablePath)).fileName();
    for (const QString& themeName : themeNames)
        if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
            return QIcon::fromTheme(themeName);
    return {};
}

QPixmap AppIcon::letter(const QString& name) {
    const auto first =
        std::find_if(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); });
    const QString shown = first == name.end() ? QString("?") : QString(*first).toUpper();
    const QColor fill = QColor::fromRgba(badgeColors[qHash(name, 0) % badgeColors.size()]);
    return ViewStyle::drawn(side, fill, [&shown](QPainter& painter) {
        painter.drawEllipse(QRectF(0, 0, side, side));
        QFont font = painter.font();
        font.setPixelSize(13);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, shown);
    });
}
