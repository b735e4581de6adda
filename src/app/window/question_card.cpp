// SPDX-License-Identifier: GPL-3.0-or-later
#include "question_card.h"

#include <array>

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app_icon.h"
#include "badge.h"
#include "model.h"
#include "present/question_texts.h"
#include "present/window_texts.h"
#include "view_style.h"

using namespace std::chrono_literals;
using QuestionTexts::Key;
using ViewStyle::qt;

namespace {

// Less than this left while the user reads the card: its deadline is moved on.
constexpr auto extendBelow = 25s;

} // namespace

QuestionCard::QuestionCard(Model& model, const AskedQuestion& asked, QWidget* parent)
    : RoundedPanel(8, parent), model_(model), asked_(asked),
      connection_(model.heldConnection(asked.question)) {
    build();
    fill(asked);
}

void QuestionCard::build() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->addLayout(header());
    executable_ = ViewStyle::label(QString(), ViewStyle::caption());
    destination_ = ViewStyle::wrapped(QString());
    sentence_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    for (QLabel* line : {executable_, destination_, sentence_})
        column->addWidget(line);
    auto* counts = new QHBoxLayout;
    waiting_ = ViewStyle::label(QString(), ViewStyle::caption());
    left_ = ViewStyle::label(QString(), ViewStyle::caption());
    counts->addWidget(waiting_);
    counts->addStretch();
    counts->addWidget(left_);
    column->addLayout(counts);
    column->addWidget(answers());
    auto* ended = new QHBoxLayout;
    outcome_ = ViewStyle::label(QString());
    dismiss_ = new QPushButton;
    ended->addWidget(outcome_, 1);
    ended->addWidget(dismiss_);
    column->addLayout(ended);
    connect(dismiss_, &QPushButton::clicked, this, [this] { model_.held().dismiss(id()); });
    limitChoices();
}

QHBoxLayout* QuestionCard::header() {
    auto* head = new QHBoxLayout;
    const AppIdentity& app = connection_.app;
    head->addWidget(new AppIcon(app.bundlePath, app.exePath, app.name, model_.lang()));
    head->addWidget(ViewStyle::label(qt(app.name), ViewStyle::callout()), 1);
    head->addWidget(new Badge(connection_.verdict.category, model_.lang()));
    return head;
}

QWidget* QuestionCard::answers() {
    controls_ = new QWidget;
    auto* controls = new QVBoxLayout(controls_);
    controls->setContentsMargins(0, 0, 0, 0);
    auto* choices = new QHBoxLayout;
    howLong_ = new QComboBox;
    what_ = new QComboBox;
    forWhom_ = new QComboBox;
    for (QComboBox* box : {howLong_, what_, forWhom_}) {
        box->addItems({QString(), QString()});
        choices->addWidget(box);
        connect(box, &QComboBox::currentIndexChanged, this, &QuestionCard::limitChoices);
    }
    choices->addStretch();
    auto* buttons = new QHBoxLayout;
    allow_ = new QPushButton;
    block_ = new QPushButton;
    buttons->addStretch();
    buttons->addWidget(allow_);
    buttons->addWidget(block_);
    connect(allow_, &QPushButton::clicked, this, [this] { answer(true); });
    connect(block_, &QPushButton::clicked, this, [this] { answer(false); });
    controls->addLayout(choices);
    controls->addLayout(buttons);
    return controls_;
}

void QuestionCard::limitChoices() {
    const bool always = howLong_->currentIndex() == 1;
    // A program known by no executable can have no rules of its own.
    const bool ownRules = connection_.app.exePath.has_value();
    if (!ownRules) what_->setCurrentIndex(0);
    if (what_->currentIndex() == 1) forWhom_->setCurrentIndex(0);
    if (!ownRules) forWhom_->setCurrentIndex(1);
    what_->setEnabled(always && ownRules);
    forWhom_->setEnabled(always && ownRules && what_->currentIndex() == 0);
}

void QuestionCard::fill(const AskedQuestion& asked) {
    asked_ = asked;
    // The name of the address may have become known since.
    connection_ = model_.heldConnection(asked.question);
    const Lang lang = model_.lang();
    const Connection& c = connection_;
    executable_->setText(qt(c.app.exePath.value_or(asked.question.first.comm)));
    destination_->setText(qt(QuestionTexts::destination(c.host, c.ip, c.port, c.proto, lang)));
    sentence_->setText(qt(model_.sentence(c)));
    waiting_->setText(qt(QuestionTexts::waiting(asked.question.waiting, lang)));
    setAccessibleName(qt(QuestionTexts::cardName(c.app.name, c.dest(), lang)));
    relabel();
    const bool open = !asked.settled;
    controls_->setVisible(open);
    left_->setVisible(open);
    waiting_->setVisible(open);
    outcome_->setVisible(!open);
    dismiss_->setVisible(!open);
    if (asked.settled) outcome_->setText(qt(QuestionTexts::settled(*asked.settled, lang)));
    tick(model_.now());
}

void QuestionCard::relabel() {
    const Lang lang = model_.lang();
    const auto text = [lang](Key key) { return qt(QuestionTexts::text(key, lang)); };
    const std::pair<QComboBox*, std::array<Key, 3>> boxes[] = {
        {howLong_, {Key::howLong, Key::once, Key::always}},
        {what_, {Key::what, Key::thisDestination, Key::everythingItReaches}},
        {forWhom_, {Key::forWhom, Key::thisProgram, Key::everyProgram}}};
    for (const auto& [box, keys] : boxes) {
        box->setAccessibleName(text(keys[0]));
        box->setItemText(0, text(keys[1]));
        box->setItemText(1, text(keys[2]));
    }
    allow_->setText(text(Key::allow));
    block_->setText(text(Key::block));
    dismiss_->setText(text(Key::dismiss));
    for (QPushButton* button : {allow_, block_, dismiss_})
        button->setAccessibleName(button->text().remove('&') + " — " + accessibleName());
}

void QuestionCard::tick(Dates::TimePoint now) {
    if (asked_.settled) return;
    const Dates::TimePoint deadline = asked_.question.deadline;
    const auto left = std::chrono::ceil<std::chrono::seconds>(deadline - now);
    left_->setText(qt(QuestionTexts::secondsLeft(left.count(), model_.lang())));
    if (attended() && left < extendBelow && extendedFrom_ != deadline) {
        extendedFrom_ = deadline;
        model_.held().extend(id());
    }
}

bool QuestionCard::attended() const {
    const QWidget* focus = QApplication::focusWidget();
    return underMouse() || (focus && (focus == this || isAncestorOf(focus)));
}

std::optional<RuleScope> QuestionCard::scope() const {
    if (howLong_->currentIndex() == 0) return std::nullopt;
    if (what_->currentIndex() == 1) return RuleScope::wholeProgram;
    return forWhom_->currentIndex() == 0 ? RuleScope::program : RuleScope::everywhere;
}

void QuestionCard::answer(bool allow) {
    // Answered once; the card says how it ended when the service tells.
    controls_->setEnabled(false);
    model_.answerHeld(id(), connection_, allow, scope());
}
