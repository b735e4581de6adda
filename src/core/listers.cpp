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

namespace {

std::vector<Flow> run(const platform::ToolCommand& command) {
    return parse(command.format, runTool(command.path, command.arguments, command.timeout));
}

} // namespace

Listing list(const platform::ToolCommand& primary, const platform::ToolCommand& fallback) {
    std::vector<Flow> flows = run(primary);
    if (!flows.empty()) return {std::move(flows), primary.source};
    return {run(fallback), fallback.source};
}

} // namespace Listers
