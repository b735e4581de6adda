// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/question_texts.h"

TEST(QuestionTexts, WaitingAgreesWithTheCountAndEndingsSayWhoDecided) {
    EXPECT_EQ(QuestionTexts::waiting(1, Lang::en), "1 connection waits");
    EXPECT_EQ(QuestionTexts::waiting(2, Lang::en), "2 connections wait");
    EXPECT_EQ(QuestionTexts::waiting(21, Lang::ru), "Ждёт 21 соединение");
    EXPECT_EQ(QuestionTexts::waiting(11, Lang::ru), "Ждут 11 соединений");
    EXPECT_EQ(QuestionTexts::destination("x.example", "192.0.2.1", 443, "udp", Lang::ru),
              "x.example (192.0.2.1), порт 443, UDP");
    using By = HeldSettled::By;
    EXPECT_EQ(QuestionTexts::settled({1, true, By::deadline}, Lang::en),
              "Let through at the deadline");
    EXPECT_EQ(QuestionTexts::settled({1, false, By::answer}, Lang::ru), "Запрещено");
    EXPECT_EQ(QuestionTexts::settled({1, true, By::nobody}, Lang::en),
              "Let through: nobody could answer");
}
