// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QColor>
#include <QImage>
#include <QMenu>
#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "present/menu_entry.h"
#include "present/signal_color.h"
#include "store/settings.h"
#include "window/window_state.h"

class Model;
class QuestionWindow;
class Snapshot;

// The program's presence on screen: the status item with its picture and menu, and the window.
class AppDelegate : public QObject {
    Q_OBJECT

  public:
    explicit AppDelegate(Model& model, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Creates the status item and its menu, follows the Model's changes, starts the Model, and
    // opens the window or starts snapshot mode when asked to. Without a system tray the window
    // opens at once, so the program is never invisible, and the item docks as soon as a tray
    // appears (a panel started after the program at login).
    void launch(const QStringList& arguments);
    // Whether the status item is in a tray.
    bool docked() const { return item_ != nullptr; }

    // Redraws the status picture and its tool tip.
    void updateIcon();
    std::string statusLine() const;
    SignalColor stateColor() const;
    // The status picture as it is drawn now.
    QImage statusImage() const;

    // The status menu as the Model's state gives it now.
    std::vector<MenuEntry> menuEntries() const;
    // Refills `menu` with `menuEntries()`; the status menu calls it before every opening.
    void rebuildMenu(QMenu& menu);
    // Carries out the command of a chosen item.
    void perform(const MenuEntry& entry);

    // Asks before wiping the journal; only the first button wipes it.
    void confirmWipe();
    // Creates the window on first use (closing only hides it) and brings it to the front.
    void openWindow();
    QWidget* window() const { return window_.get(); }
    // Shows the window of held questions, made on first use, without taking the keyboard.
    void openQuestions();
    QuestionWindow* questionWindow() const { return questions_.get(); }
    // The tab and program the window shows, kept while it is closed.
    WindowState& windowState() { return windowState_; }
    QMenu& menu() { return menu_; }

  protected:
    // Redraws the status picture when the system switches between light and dark.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Puts the status item in the tray.
    void dock();
    // Once per data folder, a message at the icon says that the window opens from it.
    void hintOnce();
    // A click on the icon: under an XEmbed tray the menu opens at the icon; on a
    // StatusNotifierItem host, whose right click opens the exported menu, the window opens.
    void activate();
    // Where the menu opens for an icon at `icon`: below it, or above it when there is no room.
    QPoint menuPosition(const QRect& icon);
    // The glyph's colour and the shade of the state dot in the current appearance.
    static QColor labelColor();
    QColor stateShade() const;
    void ruleClicked(const MenuSubject& subject);
    void openApp(const MenuSubject& subject);
    // Opens the window on the Programs tab with `app` chosen, or the first program.
    void showProgram(const std::optional<std::string>& app);
    // A new held question: the question window opens; one that was closed is also posted.
    void asked(uint64_t id);
    // Switches one setting and stores the settings; the new value.
    bool flip(bool Settings::*setting);

    Model& model_;
    QMenu menu_;
    // What the status menu was last filled with.
    std::vector<MenuEntry> filled_;
    bool filledDark_ = false;
    std::unique_ptr<QSystemTrayIcon> item_;
    // The state shade and glyph colour of the picture the item shows.
    std::optional<std::pair<QColor, QColor>> iconColours_;
    // Looks for a tray until one appears.
    QTimer trayWatch_;
    // Declared before the window, which refers to it.
    WindowState windowState_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<QuestionWindow> questions_;
    std::unique_ptr<Snapshot> snapshot_;
};
