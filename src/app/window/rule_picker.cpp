#include "rule_picker.h"

#include <QHBoxLayout>

#include "model.h"
#include "palette.h"
#include "present/status_menu.h"
#include "present/window_texts.h"
#include "view_style.h"

namespace {

WindowTexts::Key label(RuleAction action) {
    switch (action) {
    case RuleAction::allow:
        return WindowTexts::Key::allow;
    case RuleAction::block:
        return WindowTexts::Key::block;
    case RuleAction::ask:
        break;
    }
    return WindowTexts::Key::ask;
}

QString pillStyle(const QColor& fill, const QColor& border, const QColor& text) {
    return QString("QPushButton { background: %1; border: 1px solid %2; color: %3; "
                   "border-radius: 5px; padding: 2px 9px; }")
        .arg(fill.name(QColor::HexArgb), border.name(), text.name());
}

} // namespace

RulePicker::RulePicker(Model& model, Connection connection, QWidget* parent)
    : QWidget(parent), model_(model), connection_(std::move(connection)),
      current_(model.rules().action(connection_.dest())) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (size_t i = 0; i < RuleActions::allCases.size(); ++i) {
        const RuleAction action = RuleActions::allCases[i];
        pills_[i] =
            addPill(action, current_ == action, WindowTexts::text(label(action), model.lang()));
        connect(pills_[i], &QPushButton::clicked, this, [this, action] {
            model_.setRule(connection_, StatusMenu::afterClick(current_, action));
        });
    }
    if (!connection_.app.exePath) return;
    const auto own = StatusMenu::currentAction(model.rules(), connection_, RuleScope::program);
    programPill_ = addPill(RuleAction::block, own == RuleAction::block,
                           WindowTexts::text(WindowTexts::Key::thisProgramOnly, model.lang()));
    connect(programPill_, &QPushButton::clicked, this, [this, own] {
        model_.setRule(connection_, StatusMenu::afterClick(own, RuleAction::block),
                       RuleScope::program);
    });
}

QPushButton* RulePicker::addPill(RuleAction action, bool on, const std::string& text) {
    auto* button = new QPushButton(ViewStyle::qt(text));
    button->setFont(ViewStyle::caption());
    button->setCursor(Qt::PointingHandCursor);
    const QColor onText = Palette::isDark() ? Palette::of(Palette::bg) : QColor(Qt::white);
    button->setStyleSheet(
        on ? pillStyle(ViewStyle::ruleColor(action), ViewStyle::ruleColor(action), onText)
           : pillStyle(Palette::of(Palette::card), Palette::of(Palette::line),
                       Palette::of(Palette::text)));
    layout()->addWidget(button);
    return button;
}

QPushButton* RulePicker::pill(RuleAction action) const {
    return pills_[static_cast<size_t>(action)];
}
