// SPDX-License-Identifier: GPL-3.0-or-later
#include "question_window.h"

#include <set>

#include <QScrollArea>

#include "model.h"
#include "present/question_texts.h"
#include "question_card.h"
#include "view_style.h"

using namespace std::chrono_literals;

QuestionWindow::QuestionWindow(Model& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(560, 420);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The keyboard goes to the questions' own controls: the window's first is a question's.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* page = new QWidget;
    cards_ = new QVBoxLayout(page);
    cards_->addStretch();
    scroll->setWidget(page);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->addWidget(scroll);
    HeldQuestions& held = model_.held();
    connect(&held, &HeldQuestions::rowsInserted, this, &QuestionWindow::sync);
    connect(&held, &HeldQuestions::rowsRemoved, this, &QuestionWindow::sync);
    connect(&held, &HeldQuestions::rowsMoved, this, &QuestionWindow::sync);
    connect(&held, &HeldQuestions::dataChanged, this, &QuestionWindow::sync);
    connect(&model_, &Model::changed, this, &QuestionWindow::sync);
    ticks_.setObjectName("questionTicks");
    connect(&ticks_, &QTimer::timeout, this, [this] {
        for (const auto& [id, card] : byId_)
            card->tick(model_.now());
    });
    ticks_.start(1s);
    sync();
}

void QuestionWindow::present() {
    show();
    raise();
}

QuestionCard* QuestionWindow::card(uint64_t id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

void QuestionWindow::sync() {
    setWindowTitle(
        ViewStyle::qt(QuestionTexts::text(QuestionTexts::Key::windowTitle, model_.lang())));
    const HeldQuestions& held = model_.held();
    std::set<uint64_t> listed;
    for (int at = 0; at < held.rowCount(); ++at) {
        const AskedQuestion& asked = held.asked(at);
        listed.insert(asked.question.id);
        if (QuestionCard* shown = card(asked.question.id)) {
            shown->fill(asked);
            continue;
        }
        auto* made = new QuestionCard(model_, asked);
        byId_.emplace(asked.question.id, made);
        cards_->insertWidget(cards_->count() - 1, made);
    }
    std::erase_if(byId_, [&](const auto& shown) {
        if (listed.contains(shown.first)) return false;
        shown.second->deleteLater();
        return true;
    });
    if (byId_.empty()) hide();
}
