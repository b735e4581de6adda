// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "base/lang.h"
#include "destinations_model.h"
#include "present/app_row.h"
#include "store/rule.h"

class Model;
class RulePicker;

// One program in detail: its header with the block-all button, one card per destination with
// the category, the sentence, the traffic and the rule pills (for the first `mostCards`
// destinations, worst first, and a line saying how many more), and the hint when nothing blocks.
// A scan touches only what changed: cards are kept by destination, their traffic and ports
// updated in place, a card drawn anew only when what it offers changed, and cards that come or go
// added or removed alone, as the destinations' item model signals them. So a text selection, the
// scroll position and a pill being pressed survive it.
class DetailView : public QScrollArea {
    Q_OBJECT

  public:
    explicit DetailView(Model& model, QWidget* parent = nullptr);

    // The most destinations shown with a card of their own.
    static constexpr size_t mostCards = 100;

    // Shows `row`: in place while the header stays the same, else drawn anew (keeping the scroll
    // position while it shows the same program).
    void show(const AppRow& row);
    // Lets go of the program shown and its cards, as when no program is online.
    void clear();

    // The program shown, with its first connection only.
    const AppRow& row() const { return row_; }
    // The cards' pickers, in the order the cards are shown.
    QList<RulePicker*> pickers() const;
    QPushButton* blockAllButton() const { return blockAll_; }
    // "Block this program"; null for a program not known by its executable.
    QPushButton* blockProgramButton() const { return blockProgram_; }

  private:
    // Everything the pane draws around the cards.
    struct Head {
        std::string name;
        std::optional<std::string> bundlePath;
        bool isSystem = false;
        // The program's executable, and its rule for everything it reaches.
        std::optional<std::string> executable;
        std::optional<RuleAction> programRule;
        bool helperInstalled = false;
        Lang lang = Lang::en;
        bool dark = false;
        bool operator==(const Head&) const = default;
    };
    // A card on the pane, with the labels a scan updates in place.
    struct Shown {
        QWidget* frame = nullptr;
        QLabel* port = nullptr;
        QLabel* traffic = nullptr;
    };

    Head headOf() const;
    DestinationRow rowOf(const Connection& connection) const;
    // The pane without cards: header, the note on the program's rules, the hint.
    void rebuild();
    // Says how many destinations are left without a card.
    void showMore(size_t more);
    QWidget* header();
    Shown card(const Connection& connection);
    // What the destinations' rows signalled, done to their cards.
    void insertCards(int first, int last);
    void removeCards(int first, int last);
    void moveCard(int from, int to);
    void updateCards(int first, int last, const QList<int>& roles);
    // Draws the card at `at` anew, the keyboard focus kept on the same button.
    void redrawCard(int at);
    // Puts the card's frame where its row is in the column.
    void placeCard(int at);
    void showTraffic(int at);

    Model& model_;
    AppRow row_;
    std::optional<Head> head_;
    DestinationsModel* destinations_ = nullptr;
    // The cards of the destinations' rows, in their order.
    std::vector<Shown> cards_;
    QVBoxLayout* column_ = nullptr;
    // Where the first card goes in the column.
    int firstCard_ = 0;
    // Below the cards: how many destinations have none; hidden when all have.
    QLabel* more_ = nullptr;
    QPushButton* blockAll_ = nullptr;
    QPushButton* blockProgram_ = nullptr;
};
