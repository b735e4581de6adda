// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/source_text.h"

#include "base/bilingual.h"

namespace SourceText {

namespace {

constexpr Bilingual withEvents{"kernel events + ", "события ядра + "};
constexpr Bilingual notRunning{" (the event service is not running)",
                               " (служба событий не запущена)"};
constexpr Bilingual stoppedAnswering{" (the event service stopped answering)",
                                     " (служба событий перестала отвечать)"};
constexpr Bilingual refused{" (the event service refused: ", " (служба событий отказала: "};

} // namespace

std::string describe(const ScanSource& source, Lang lang) {
    switch (source.events) {
    case EventFeed::State::live:
        return std::string(withEvents.in(lang)).append(source.lister);
    case EventFeed::State::absent:
        return source.lister + std::string(notRunning.in(lang));
    case EventFeed::State::lost:
        return source.lister + std::string(stoppedAnswering.in(lang));
    case EventFeed::State::refused:
        return source.lister + std::string(refused.in(lang)) + source.eventsProblem + ")";
    }
    return source.lister;
}

} // namespace SourceText
