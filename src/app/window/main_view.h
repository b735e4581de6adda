#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QWidget>

class AppDelegate;
class Model;

// The window's root view: header with the state dot, name, status line and two switches; the tab
// selector; the tab's content; the footer. Redraws whenever the Model changes.
class MainView : public QWidget {
    Q_OBJECT

  public:
    MainView(Model& model, QPointer<AppDelegate> delegate, QWidget* parent = nullptr);

    // Re-reads everything shown from the Model, in the appearance in effect.
    void refresh();

  private:
    QWidget* header();
    QWidget* footer();

    Model& model_;
    QPointer<AppDelegate> delegate_;
    QLabel* dot_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QCheckBox* blockNew_ = nullptr;
    QCheckBox* quiet_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* content_ = nullptr;
    QWidget* footerBand_ = nullptr;
    QLabel* footerText_ = nullptr;
    QLabel* credit_ = nullptr;
};
