#pragma once

#include <QPushButton>
#include <QScrollArea>

#include "app_row.h"

class Model;
class RulePicker;

// One program in detail: its header with the block-all button, one card per destination with
// the category, the sentence, the traffic and the rule pills, and the hint when nothing blocks.
class DetailView : public QScrollArea {
    Q_OBJECT

  public:
    explicit DetailView(Model& model, QWidget* parent = nullptr);

    // Rebuilds the pane for `row`, keeping the scroll position while it shows the same program.
    void show(const AppRow& row);

    const AppRow& row() const { return row_; }
    QList<RulePicker*> pickers() const;
    QPushButton* blockAllButton() const { return blockAll_; }

  private:
    QWidget* header();
    QWidget* card(const Connection& connection);

    Model& model_;
    AppRow row_;
    QPushButton* blockAll_ = nullptr;
};
