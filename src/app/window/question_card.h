// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "base/dates.h"
#include "held_questions.h"
#include "observe/connection.h"
#include "rounded_panel.h"
#include "store/rule_set.h"

class Model;

// One held question: the program with its icon and executable, the destination and who is
// behind it, how many connections wait and the seconds left. Allow and Block answer it once, or
// always with a rule in the scope chosen; once it ended, it says how and can be dismissed. While
// the pointer or the keyboard focus is on it, its deadline is moved on.
class QuestionCard : public RoundedPanel {
    Q_OBJECT

  public:
    QuestionCard(Model& model, const AskedQuestion& asked, QWidget* parent = nullptr);

    uint64_t id() const { return asked_.question.id; }
    // Shows the question as it is now.
    void fill(const AskedQuestion& asked);
    // Counts down to the deadline, moving it on while the card is attended to.
    void tick(Dates::TimePoint now);

    QPushButton* allowButton() const { return allow_; }
    QPushButton* blockButton() const { return block_; }
    QPushButton* dismissButton() const { return dismiss_; }
    // Once or always; this destination or everything the program reaches; this or every program.
    QComboBox* howLong() const { return howLong_; }
    QComboBox* what() const { return what_; }
    QComboBox* forWhom() const { return forWhom_; }
    QLabel* outcome() const { return outcome_; }

  private:
    void build();
    // The program's icon, name and category.
    QHBoxLayout* header();
    // The three choices, then Allow and Block.
    QWidget* answers();
    // Only "always" has a scope; everything a program reaches is that program's.
    void limitChoices();
    void relabel();
    void answer(bool allow);
    std::optional<RuleScope> scope() const;
    bool attended() const;

    Model& model_;
    AskedQuestion asked_;
    Connection connection_;
    // The deadline an extension was asked for last.
    std::optional<Dates::TimePoint> extendedFrom_;
    QLabel* executable_ = nullptr;
    QLabel* destination_ = nullptr;
    QLabel* sentence_ = nullptr;
    QLabel* waiting_ = nullptr;
    QLabel* left_ = nullptr;
    QWidget* controls_ = nullptr;
    QComboBox* howLong_ = nullptr;
    QComboBox* what_ = nullptr;
    QComboBox* forWhom_ = nullptr;
    QPushButton* allow_ = nullptr;
    QPushButton* block_ = nullptr;
    QLabel* outcome_ = nullptr;
    QPushButton* dismiss_ = nullptr;
};
