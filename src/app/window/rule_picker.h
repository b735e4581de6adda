// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>

#include <QPushButton>
#include <QWidget>

#include "observe/connection.h"
#include "present/window_texts.h"
#include "store/rule.h"

class Model;

// Three pills, Allow, Block and Ask next time, for one connection's destination, and for a
// program known by its executable a fourth, Block for this program only: the pill of the current
// rule is tinted, pressing it clears the rule, pressing another sets that one.
class RulePicker : public QWidget {
    Q_OBJECT

  public:
    RulePicker(Model& model, Connection connection, QWidget* parent = nullptr);

    QPushButton* pill(RuleAction action) const;
    // The pill of the program's own block; null when the program cannot have rules of its own.
    QPushButton* programPill() const { return programPill_; }
    // The action of the tinted pill, absent when none is.
    std::optional<RuleAction> tinted() const { return current_; }

  private:
    QPushButton* addPill(RuleAction action, bool on, WindowTexts::Key key);

    Model& model_;
    Connection connection_;
    std::optional<RuleAction> current_;
    std::array<QPushButton*, 3> pills_{};
    QPushButton* programPill_ = nullptr;
};
