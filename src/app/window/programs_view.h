// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QListView>
#include <QStackedWidget>
#include <QWidget>

#include "present/app_row.h"

class DetailView;
class Model;
class WindowState;
class ProgramsListModel;

// The Programs tab: the list of programs online on the left, the chosen one in detail on the
// right. The choice lives in the window state's selectedApp; a program gone offline shows the
// first.
class ProgramsView : public QWidget {
    Q_OBJECT

  public:
    ProgramsView(Model& model, WindowState& state, QWidget* parent = nullptr);

    void refresh();

    QListView* list() const { return list_; }
    // Null while no program is online.
    DetailView* detail() const;
    QLabel* emptyText() const { return empty_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The least width of the list.
    int listWidth() const;
    // Shows the programs online in the list and the current one's row as current.
    void showList(const AppRow* current);
    // Lays a widget drawn anew over each row from `first` to `last`.
    void drawRows(int first, int last);
    // Redraws the rows from `first` to `last` whose `roles` changed: only their figures, unless
    // all changed.
    void redrawRows(int first, int last, const QList<int>& roles);
    QWidget* listRow(int row) const;

    Model& model_;
    WindowState& state_;
    ProgramsListModel* rows_ = nullptr;
    QListView* list_ = nullptr;
    QStackedWidget* right_ = nullptr;
    DetailView* detail_ = nullptr;
    QLabel* empty_ = nullptr;
    // The appearance the rows are drawn in.
    bool listedDark_ = false;
    // Set while the list follows the Model, whose choice it then leaves as it is.
    bool following_ = false;
    // Whether a scan came while the tab was hidden.
    bool stale_ = false;
};
