// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QWidget>

#include "base/lang.h"
#include "classify/category.h"
#include "present/app_row.h"

class DetailView;
class Model;

// The Programs tab: the list of programs online on the left, the chosen one in detail on the
// right. The choice lives in the Model's selectedApp; a program gone offline shows the first.
class ProgramsView : public QWidget {
    Q_OBJECT

  public:
    explicit ProgramsView(Model& model, QWidget* parent = nullptr);

    void refresh();

    QListWidget* list() const { return list_; }
    // Null while no program is online.
    DetailView* detail() const;
    QLabel* emptyText() const { return empty_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // One line of the list, which shows a program until another takes its place.
    struct Line {
        // What the line was made for: name, icon and the worst category's dot.
        std::string name;
        std::optional<std::string> bundlePath;
        std::optional<std::string> executable;
        Category worst = Category::unknown;
        // The second and third lines, redrawn in place at every scan.
        QLabel* count = nullptr;
        QLabel* rate = nullptr;
    };

    // The least width of the list.
    int listWidth() const;
    // Gives the list one line per program, in order, touching only lines that change.
    void fillList();
    void showLine(int index, const AppRow& row);
    QWidget* listRow(const AppRow& row, Line& line);
    QString countText(const AppRow& row) const;
    QString rateText(const AppRow& row) const;

    Model& model_;
    QListWidget* list_ = nullptr;
    QStackedWidget* right_ = nullptr;
    DetailView* detail_ = nullptr;
    QLabel* empty_ = nullptr;
    std::vector<Line> lines_;
    // The language and appearance the lines are drawn in.
    Lang listedLang_ = Lang::en;
    bool listedDark_ = false;
    // Whether a scan came while the tab was hidden.
    bool stale_ = false;
};
