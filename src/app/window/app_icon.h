// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <QIcon>
#include <QLabel>

#include "base/lang.h"

// A program's icon in a 22 × 22 point frame: the file icon of its bundle, else the icon of its
// desktop entry or the theme icon of its name or executable, else its first letter on a circle
// of a colour taken from its name, so programs without an icon still tell apart.
class AppIcon : public QLabel {
    Q_OBJECT

  public:
    AppIcon(const std::optional<std::string>& bundlePath,
            const std::optional<std::string>& executablePath, const std::string& name, Lang lang,
            QWidget* parent = nullptr);

    static constexpr int side = 22;
    // Whether the letter badge stands in for a missing icon.
    bool isPlaceholder() const { return placeholder_; }

    // The icon found for the program, or a null icon.
    static QIcon find(const std::optional<std::string>& bundlePath,
                      const std::optional<std::string>& executablePath, const std::string& name);
    // The first letter of `name` on a coloured circle, `side` points square.
    static QPixmap letter(const QString& name);

  private:
    bool placeholder_ = false;
};
