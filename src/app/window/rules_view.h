// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QWidget>

#include "base/lang.h"
#include "store/rule.h"

class Model;

// The Rules tab: every rule newest first with whom it is for, the program it was made from, its
// action (which can be changed there) and a remove button, or a hint when there are none; a header
// button removes all rules (and the helper, when installed). Its note says so when rules for single
// programs are not in force.
class RulesView : public QWidget {
    Q_OBJECT

  public:
    explicit RulesView(Model& model, QWidget* parent = nullptr);

    void refresh();

    QPushButton* removeAllButton() const { return removeAll_; }
    QTableWidget* table() const { return table_; }
    QLabel* hint() const { return hint_; }
    // The notice about a rules file that could not be used, hidden when there is none.
    QLabel* fileNotice() const { return fileNotice_; }
    // The remove button and the action chooser of table row `row`.
    QPushButton* removeButton(int row) const;
    QComboBox* actionBox(int row) const;

  private:
    void fillTable();
    // The columns' widths, 0 for those sharing what is left.
    std::vector<int> widths();
    QComboBox* actionChooser(const Rule& rule);
    // The remove button of `rule`'s row, in a box that keeps it off the cell's edges.
    QWidget* removeBox(const Rule& rule);
    void removeAll();

    Model& model_;
    // What the table shows, to draw it anew only when the rules, language or appearance change:
    // a scan leaves a button being pressed alone.
    std::vector<Rule> shown_;
    Lang shownLang_ = Lang::en;
    bool shownDark_ = false;
    bool drawn_ = false;
    // The language of the column titles, once set.
    bool titled_ = false;
    Lang titledLang_ = Lang::en;
    QLabel* note_ = nullptr;
    QLabel* fileNotice_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QStackedWidget* body_ = nullptr;
    QLabel* hint_ = nullptr;
    QTableWidget* table_ = nullptr;
};
