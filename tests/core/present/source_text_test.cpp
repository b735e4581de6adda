// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/source_text.h"

TEST(SourceText, SaysWhetherTheEventsCameAndWhyNot) {
    struct Case {
        ScanSource source;
        std::string en;
        std::string ru;
    };
    using State = EventFeed::State;
    for (const Case& c : {
             Case{
                 {"netlink", State::live, ""}, "kernel events + netlink", "события ядра + netlink"},
             Case{{"netlink", State::absent, ""},
                  "netlink (the event service is not running)",
                  "netlink (служба событий не запущена)"},
             Case{{"ss", State::lost, "gone"},
                  "ss (the event service stopped answering)",
                  "ss (служба событий перестала отвечать)"},
             Case{{"netlink", State::refused, "not you"},
                  "netlink (the event service refused: not you)",
                  "netlink (служба событий отказала: not you)"},
         }) {
        EXPECT_EQ(SourceText::describe(c.source, Lang::en), c.en);
        EXPECT_EQ(SourceText::describe(c.source, Lang::ru), c.ru);
    }
}
