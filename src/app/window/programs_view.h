#pragma once

#include <vector>

#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QWidget>

#include "base/lang.h"
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

  private:
    void fillList();
    QWidget* listRow(const AppRow& row);
    QString countText(const AppRow& row) const;
    QString rateText(const AppRow& row) const;

    Model& model_;
    QListWidget* list_ = nullptr;
    QStackedWidget* right_ = nullptr;
    DetailView* detail_ = nullptr;
    QLabel* empty_ = nullptr;
    // What the list shows, to rebuild it only when the rows or the language change.
    std::vector<AppRow> listed_;
    // The second and third lines of each listed program, redrawn in place at every scan.
    std::vector<QLabel*> counts_;
    std::vector<QLabel*> rates_;
    Lang listedLang_ = Lang::en;
    bool listedDark_ = false;
};
