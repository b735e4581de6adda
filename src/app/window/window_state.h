// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <QObject>

// What the window shows: its tab and the program chosen on the Programs tab. Kept while no window
// is open, so that the menu can open one at a tab or a program.
class WindowState : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    const std::optional<std::string>& selectedApp() const { return selectedApp_; }
    void setSelectedApp(std::optional<std::string> name);
    int tab() const { return tab_; }
    // Takes 0 (Programs) to 3 (Settings); others count as 0.
    void setTab(int tab);

  signals:
    void changed();

  private:
    std::optional<std::string> selectedApp_;
    int tab_ = 0;
};
