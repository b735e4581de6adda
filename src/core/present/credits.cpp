// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/credits.h"

namespace Credits {

std::string trackerLists(Lang lang) {
    // Names the lists resources/trackers.txt is made from (see tools/update-trackers).
    if (lang == Lang::ru)
        return "Открытые списки трекеров EasyPrivacy и EasyList (лицензия GPL 3 или CC BY-SA "
               "3.0) и uBlock filters – Privacy (лицензия GPL 3) встроены в программу.";
    return "The open tracker lists EasyPrivacy and EasyList (licensed under GPL 3 or CC BY-SA "
           "3.0) and uBlock filters – Privacy (licensed under GPL 3) come built into the program.";
}

std::string makerLine() {
    return "Orvelle · orvelle.app";
}

std::string makerSite() {
    return "https://orvelle.app";
}

} // namespace Credits
