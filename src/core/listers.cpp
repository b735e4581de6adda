#include "listers.h"

#include "parsers.h"
#include "tool_runner.h"

namespace Listers {

std::vector<Flow> parse(platform::ListerFormat format, std::string_view text) {
    switch (format) {
    case platform::ListerFormat::nettop:
        return Parsers::parseNettop(text);
    case platform::ListerFormat::ss:
        return Parsers::parseSs(text);
    case platform::ListerFormat::lsof:
        return Parsers::parseLsof(text);
    }
    return {};
}

Listing list(const platform::ToolCommand& primary, const platform::ToolCommand& fallback) {
    for (const platform::ToolCommand* command : {&primary, &fallback}) {
        std::vector<Flow> flows =
            parse(command->format, runTool(command->path, command->arguments, command->timeout));
        if (!flows.empty()) return {std::move(flows), command->source};
    }
    return {};
}

} // namespace Listers
