// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/lang.h"
#include "classify/category.h"
#include "classify/verdict.h"
#include "observe/app_identity.h"
#include "observe/connection.h"
#include "platform.h"

// Words for the user: category labels and the plain sentence about one connection.
namespace Explainer {

std::string label(Category category, Lang lang);

// The sentence about program `app` reaching `ip` (host name `host`, when known). The party named
// is the verdict's company, else the host, else the address.
std::string sentence(std::string_view app, const Verdict& verdict,
                     const std::optional<std::string>& host, std::string_view ip, Lang lang,
                     platform::Wording wording = platform::current().wording);
// The same about a program not named: "A program talks to …".
std::string sentenceOfAnyProgram(const Verdict& verdict, const std::optional<std::string>& host,
                                 std::string_view ip, Lang lang,
                                 platform::Wording wording = platform::current().wording);
// The same about `app`; a program known only by its user, or not at all, is described rather than
// quoted.
std::string sentence(const AppIdentity& app, const Verdict& verdict,
                     const std::optional<std::string>& host, std::string_view ip, Lang lang,
                     platform::Wording wording = platform::current().wording);

// The sentence about `connection`: the one above for a connection its program made, and who
// connected to it for one it accepted.
std::string sentence(const Connection& connection, Lang lang,
                     platform::Wording wording = platform::current().wording);
// Said of an accepted connection where rules would be offered.
std::string rulesDoNotApply(Lang lang);

} // namespace Explainer
