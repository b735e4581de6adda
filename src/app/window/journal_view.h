#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

class AppDelegate;
class Model;

// The Journal tab: the last seven days newest first, searchable by program or address, with a
// switch that keeps only tracking categories and a button that wipes the journal after asking.
class JournalView : public QWidget {
    Q_OBJECT

  public:
    JournalView(Model& model, QPointer<AppDelegate> delegate, QWidget* parent = nullptr);

    void refresh();

    QLineEdit* search() const { return search_; }
    QCheckBox* onlyTrackers() const { return onlyTrackers_; }
    QPushButton* wipeButton() const { return wipe_; }
    QTableWidget* table() const { return table_; }

  private:
    void fillTable();

    Model& model_;
    QPointer<AppDelegate> delegate_;
    QLineEdit* search_ = nullptr;
    QCheckBox* onlyTrackers_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* wipe_ = nullptr;
    QTableWidget* table_ = nullptr;
};
