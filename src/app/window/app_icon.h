// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <QIcon>
#include <QLabel>

// A program's icon in a 22 × 22 point frame: the file icon of its bundle, else the icon of its
// desktop entry or the theme icon of its name, else the two-gears symbol in the muted colour.
class AppIcon : public QLabel {
    Q_OBJECT

  public:
    AppIcon(const std::optional<std::string>& bundlePath,
            const std::optional<std::string>& executablePath, const std::string& name,
            QWidget* parent = nullptr);

    static constexpr int side = 22;
    // Whether the two-gears symbol stands in for a missing icon.
    bool isPlaceholder() const { return placeholder_; }

    // The icon found for the program, or a null icon.
    static QIcon find(const std::optional<std::string>& bundlePath,
                      const std::optional<std::string>& executablePath, const std::string& name);
    // Two gears in `color`, `side` points square.
    static QPixmap gears(const QColor& color);

  private:
    bool placeholder_ = false;
};
