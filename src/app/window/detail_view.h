#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "base/lang.h"
#include "classify/verdict.h"
#include "present/app_row.h"
#include "store/rule.h"

class Model;
class RulePicker;

// One program in detail: its header with the block-all button, one card per destination with
// the category, the sentence, the traffic and the rule pills, and the hint when nothing blocks.
// A scan that changes only traffic and ports updates those in place, so a text selection, the
// scroll position and a pill being pressed survive it.
class DetailView : public QScrollArea {
    Q_OBJECT

  public:
    explicit DetailView(Model& model, QWidget* parent = nullptr);

    // Shows `row`: in place when only its traffic and ports changed, else drawn anew (keeping
    // the scroll position while it shows the same program).
    void show(const AppRow& row);

    const AppRow& row() const { return row_; }
    QList<RulePicker*> pickers() const;
    QPushButton* blockAllButton() const { return blockAll_; }
    // "Block this program"; null for a program not known by its executable.
    QPushButton* blockProgramButton() const { return blockProgram_; }

  private:
    // Everything the pane draws but traffic and ports.
    struct Card {
        std::string dest;
        std::string ip;
        std::optional<std::string> host;
        Verdict verdict;
        std::optional<RuleAction> rule;
        // The rule for the destination kept for this program alone.
        std::optional<RuleAction> programRule;
        bool operator==(const Card&) const = default;
    };
    struct Shape {
        std::string name;
        std::optional<std::string> bundlePath;
        bool isSystem = false;
        std::vector<Card> cards;
        // The program's executable, and its rule for everything it reaches.
        std::optional<std::string> executable;
        std::optional<RuleAction> programRule;
        bool helperInstalled = false;
        Lang lang = Lang::en;
        bool dark = false;
        bool operator==(const Shape&) const = default;
    };
    // The labels a scan updates in place, one pair per card.
    struct Live {
        QLabel* port;
        QLabel* traffic;
    };

    Shape shapeOf(const std::vector<Connection>& destinations) const;
    void rebuild(const std::vector<Connection>& destinations);
    void updateLive(const std::vector<Connection>& destinations);
    QWidget* header();
    QWidget* card(const Connection& connection);

    Model& model_;
    AppRow row_;
    std::optional<Shape> shown_;
    std::vector<Live> live_;
    QPushButton* blockAll_ = nullptr;
    QPushButton* blockProgram_ = nullptr;
};
