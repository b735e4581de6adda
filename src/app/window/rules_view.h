// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QWidget>

class Model;
class RulesTableModel;

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
    QTableView* table() const { return table_; }
    QLabel* hint() const { return hint_; }
    // The notice about a rules file that could not be used, hidden when there is none.
    QLabel* fileNotice() const { return fileNotice_; }
    // The remove button and the action chooser of table row `row`.
    QPushButton* removeButton(int row) const;
    QComboBox* actionBox(int row) const;

  private:
    void sizeColumns();
    // The columns' widths, 0 for those sharing what is left.
    std::vector<int> widths();
    QComboBox* actionChooser();
    // A remove button in a box that keeps it off the cell's edges.
    QWidget* removeBox();
    // Lays the controls over the rows inserted, and shows what the rows changed hold.
    void addControls(int first, int last);
    void showControls(int first, int last);
    void setAction(int row, int chosen);
    void removeRule(int row);
    void removeAll();

    Model& model_;
    QLabel* note_ = nullptr;
    QLabel* fileNotice_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QStackedWidget* body_ = nullptr;
    QLabel* hint_ = nullptr;
    RulesTableModel* rows_ = nullptr;
    QTableView* table_ = nullptr;
};
