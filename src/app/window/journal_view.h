// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

#include "base/lang.h"

class AppDelegate;
class JournalTable;
class Model;

// The Journal tab: the last seven days newest first, searchable by program or address, with a
// switch that keeps only tracking categories, a choice of today, yesterday or the whole week,
// and a button that wipes the journal after asking.
// While the tab is hidden it does no work; shown, it updates the rows a scan changed in place.
class JournalView : public QWidget {
    Q_OBJECT

  public:
    JournalView(Model& model, QPointer<AppDelegate> delegate, QWidget* parent = nullptr);

    void refresh();

    QLineEdit* search() const { return search_; }
    QCheckBox* onlyTrackers() const { return onlyTrackers_; }
    QComboBox* period() const { return period_; }
    QPushButton* wipeButton() const { return wipe_; }
    QTableView* table() const { return table_; }
    JournalTable* rows() const { return rows_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fillTable();
    // The period choices in `lang`, keeping the one chosen.
    void fillPeriods(Lang lang);

    Model& model_;
    QPointer<AppDelegate> delegate_;
    QLineEdit* search_ = nullptr;
    QCheckBox* onlyTrackers_ = nullptr;
    QComboBox* period_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* wipe_ = nullptr;
    QTableView* table_ = nullptr;
    JournalTable* rows_ = nullptr;
    // A change arrived while the tab was hidden.
    bool stale_ = false;
};
