// SPDX-License-Identifier: GPL-3.0-or-later
#include "rule_picker.h"

#include <QKeyEvent>
#include <QPainter>

#include "button_style.h"
#include "flow_layout.h"
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

// A rounded button drawn by hand: a style sheet per button made up most of the cost of a card,
// and cards come and go with every scan while connections churn.
class Pill : public QPushButton {
  public:
    Pill(const QString& text, const QColor& fill, const QColor& border, const QColor& ink)
        : QPushButton(text), fill_(fill), border_(border), ink_(ink) {}

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 2 * (horizontalPadding + 1),
                metrics.height() + 2 * (verticalPadding + 1)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    // Enter presses a pill as Space does; outside dialogs the toolkit's buttons ignore it.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            click();
        else
            QPushButton::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(border_);
        painter.setBrush(fill_);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        painter.setPen(ink_);
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) ButtonStyle::drawFocus(painter, rect(), radius + 1);
    }

  private:
    static constexpr int horizontalPadding = 9;
    static constexpr int verticalPadding = 2;
    static constexpr qreal radius = 5;
    QColor fill_;
    QColor border_;
    QColor ink_;
};

} // namespace

RulePicker::RulePicker(Model& model, Connection connection, QWidget* parent)
    : QWidget(parent), model_(model), connection_(std::move(connection)),
      current_(model.rules().action(connection_.dest())) {
    // Pills that do not fit beside each other go on to a second row, kept to the right.
    (new FlowLayout(this))->setAlignment(Qt::AlignRight);
    for (size_t i = 0; i < RuleActions::allCases.size(); ++i) {
        const RuleAction action = RuleActions::allCases[i];
        pills_[i] = addPill(action, current_ == action, label(action));
        connect(pills_[i], &QPushButton::clicked, this, [this, action] {
            model_.setRule(connection_, StatusMenu::afterClick(current_, action));
        });
    }
    if (!connection_.app.exePath) return;
    const auto own = StatusMenu::currentAction(model.rules(), connection_, RuleScope::program);
    programPill_ =
        addPill(RuleAction::block, own == RuleAction::block, WindowTexts::Key::thisProgramOnly);
    connect(programPill_, &QPushButton::clicked, this, [this, own] {
        model_.setRule(connection_, StatusMenu::afterClick(own, RuleAction::block),
                       RuleScope::program);
    });
}

QPushButton* RulePicker::addPill(RuleAction action, bool on, WindowTexts::Key key) {
    const Lang lang = model_.lang();
    const QString text = ViewStyle::qt(WindowTexts::text(key, lang));
    const QColor onText = Palette::isDark() ? Palette::of(Palette::bg) : QColor(Qt::white);
    auto* button =
        on ? new Pill(text, ViewStyle::ruleColor(action), ViewStyle::ruleColor(action), onText)
           : new Pill(text, Palette::of(Palette::card), Palette::of(Palette::line),
                      Palette::of(Palette::text));
    button->setFont(ViewStyle::caption());
    button->setCursor(Qt::PointingHandCursor);
    // The pills of every card read alike: their name says which destination they act on.
    const QString name = ViewStyle::qt(WindowTexts::ruleButtonName(key, connection_.dest(), lang));
    button->setAccessibleName(name);
    button->setToolTip(name);
    layout()->addWidget(button);
    return button;
}

QPushButton* RulePicker::pill(RuleAction action) const {
    return pills_[static_cast<size_t>(action)];
}
