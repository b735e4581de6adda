#pragma once

#include <array>
#include <optional>

#include <QPushButton>
#include <QWidget>

#include "observe/connection.h"
#include "store/rule.h"

class Model;

// Three pills, Allow, Block and Ask next time, for one connection's destination: the pill of the
// current rule is tinted, pressing it clears the rule, pressing another sets that one.
class RulePicker : public QWidget {
    Q_OBJECT

  public:
    RulePicker(Model& model, Connection connection, QWidget* parent = nullptr);

    QPushButton* pill(RuleAction action) const;
    // The action of the tinted pill, absent when none is.
    std::optional<RuleAction> tinted() const { return current_; }

  private:
    Model& model_;
    Connection connection_;
    std::optional<RuleAction> current_;
    std::array<QPushButton*, 3> pills_{};
};
