// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QWidget>

class AppDelegate;
class JournalView;
class Model;
class WindowState;
class ProgramsView;
class RulesView;
class SettingsView;

// The window's root view: header with the state dot, name, status line and two switches; the tab
// selector; the tab's content; the footer. Redraws whenever the Model or the appearance changes.
class MainView : public QWidget {
    Q_OBJECT

  public:
    MainView(Model& model, WindowState& state, QPointer<AppDelegate> delegate,
             QWidget* parent = nullptr);

    // Re-reads everything shown from the Model, in the appearance in effect, tabs included.
    void refresh();

    ProgramsView* programs() const { return programs_; }
    JournalView* journal() const { return journal_; }
    RulesView* rules() const { return rules_; }
    SettingsView* settings() const { return settings_; }
    QTabBar* tabs() const { return tabs_; }
    QCheckBox* blockNewSwitch() const { return blockNew_; }
    QCheckBox* quietSwitch() const { return quiet_; }

  protected:
    // A switch of the system's light or dark appearance changes the application's palette; the
    // window keeps its own palette, so the change is watched on the application itself.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Ctrl+Tab and Ctrl+PgDn step to the next tab, with Shift or PgUp to the one before; Escape
    // and Ctrl+W close the window, Ctrl+Q quits, Ctrl+F goes to the journal's search.
    void addShortcuts();
    void stepTab(int step);
    // The header, tab selector and footer; each tab redraws itself on the Model's changes.
    void refreshFrame();
    QWidget* header();
    QWidget* footer();

    Model& model_;
    WindowState& state_;
    QPointer<AppDelegate> delegate_;
    QLabel* dot_ = nullptr;
    QColor dotColor_;
    QLabel* name_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QCheckBox* blockNew_ = nullptr;
    QCheckBox* quiet_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* content_ = nullptr;
    ProgramsView* programs_ = nullptr;
    JournalView* journal_ = nullptr;
    RulesView* rules_ = nullptr;
    SettingsView* settings_ = nullptr;
    QWidget* footerBand_ = nullptr;
    QLabel* footerText_ = nullptr;
    QLabel* credit_ = nullptr;
};
