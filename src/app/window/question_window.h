// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>

#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

class Model;
class QuestionCard;

// The held questions, one card each in the order they came, beside the other windows rather
// than over them: it is no modal question, scanning goes on while it is open. It counts the cards
// down every second and closes when the last one is dismissed.
class QuestionWindow : public QWidget {
    Q_OBJECT

  public:
    explicit QuestionWindow(Model& model, QWidget* parent = nullptr);

    // Shows the window, raised but leaving the keyboard where it is when it was hidden.
    void present();
    QuestionCard* card(uint64_t id) const;

  private:
    // Makes the cards match the questions listed.
    void sync();

    Model& model_;
    QVBoxLayout* cards_ = nullptr;
    std::map<uint64_t, QuestionCard*> byId_;
    QTimer ticks_;
};
