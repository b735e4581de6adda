// SPDX-License-Identifier: GPL-3.0-or-later
#include "questions_command.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <ostream>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/owned_fd.h"
#include "base/text.h"
#include "cli_options.h"
#include "observe/ask_wire.h"
#include "observe/connect_event.h"
#include "platform.h"
#include "usage.h"

namespace QuestionsCommand {

namespace {

// How long the service has to answer each step.
constexpr int answerMilliseconds = 3000;

// The service's socket, read one message at a time.
class ServiceLines {
  public:
    bool connect(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) return false;
        std::memcpy(address.sun_path, path.data(), path.size());
        fd_ = OwnedFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        return fd_ &&
               ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    bool send(const AskWire::Request& request) {
        const std::string line = AskWire::line(request);
        return ::send(fd_.get(), line.data(), line.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(line.size());
    }
    // The next message, absent when the service ended, wrote what is none, or took too long.
    std::optional<EventWire::Message> next() {
        for (;;) {
            if (size_t end = pending_.find('\n'); end != std::string::npos) {
                std::optional<EventWire::Message> message =
                    EventWire::read(pending_.substr(0, end));
                pending_.erase(0, end + 1);
                return message;
            }
            pollfd ready{fd_.get(), POLLIN, 0};
            char buffer[16 * 1024];
            if (poll(&ready, 1, answerMilliseconds) != 1) return std::nullopt;
            ssize_t count = recv(fd_.get(), buffer, sizeof buffer, 0);
            if (count <= 0 || pending_.size() > (1u << 20)) return std::nullopt;
            pending_.append(buffer, static_cast<size_t>(count));
        }
    }

  private:
    OwnedFd fd_;
    std::string pending_;
};

std::string destination(const HeldQuestion& question) {
    const ConnectEvent& event = question.first;
    const std::string host = question.host ? Text::escapedForTerminal(*question.host) + " " : "";
    return host + event.remoteIP + ":" + std::to_string(event.remotePort) + " " + event.proto;
}

std::string program(const ConnectEvent& event) {
    return Text::escapedForTerminal(event.exePath.value_or(event.comm));
}

int64_t secondsLeft(const HeldQuestion& question) {
    auto left = std::chrono::duration_cast<std::chrono::seconds>(question.deadline -
                                                                 std::chrono::system_clock::now());
    return std::max<int64_t>(left.count(), 0);
}

void list(const std::vector<HeldQuestion>& questions, bool json, std::ostream& out) {
    if (json) {
        nlohmann::json rows = nlohmann::json::array();
        for (const HeldQuestion& question : questions)
            rows.push_back({{"id", question.id},
                            {"program", question.first.exePath.value_or(question.first.comm)},
                            {"pid", question.first.pid},
                            {"host", question.host.value_or("")},
                            {"ip", question.first.remoteIP},
                            {"port", question.first.remotePort},
                            {"proto", question.first.proto},
                            {"waiting", question.waiting},
                            {"secondsLeft", secondsLeft(question)}});
        out << JsonText::dump(rows) << "\n";
        return;
    }
    if (questions.empty()) out << "No connection waits for an answer.\n";
    for (const HeldQuestion& question : questions)
        out << question.id << "  " << program(question.first) << " to " << destination(question)
            << ", " << question.waiting << " waiting, " << secondsLeft(question) << " s left\n";
}

// Reads the greeting and the questions waiting; says on `err` why it cannot.
std::optional<std::vector<HeldQuestion>> waiting(ServiceLines& service, const std::string& path,
                                                 std::ostream& err) {
    if (!service.connect(path)) {
        err << "nattervane-cli: the event service is not running (" << path
            << "); no connection is held\n";
        return std::nullopt;
    }
    std::optional<EventWire::Message> hello = service.next();
    if (auto* refusal = hello ? std::get_if<EventWire::Refusal>(&*hello) : nullptr) {
        err << "nattervane-cli: " << Text::escapedForTerminal(refusal->reason) << "\n";
        return std::nullopt;
    }
    if (!hello || !std::holds_alternative<EventWire::Hello>(*hello) ||
        !service.send(AskWire::List{})) {
        err << "nattervane-cli: the event service does not answer\n";
        return std::nullopt;
    }
    if (std::get<EventWire::Hello>(*hello).hold.empty())
        err << "nattervane-cli: the event service holds no connection here: connections to ask "
               "about are asked about once they are seen\n";
    std::vector<HeldQuestion> questions;
    while (std::optional<EventWire::Message> message = service.next()) {
        if (std::holds_alternative<EventWire::Listed>(*message)) return questions;
        if (auto* question = std::get_if<HeldQuestion>(&*message)) questions.push_back(*question);
    }
    err << "nattervane-cli: the event service does not answer\n";
    return std::nullopt;
}

int answer(ServiceLines& service, const std::vector<HeldQuestion>& questions, uint64_t id,
           bool allow, std::ostream& out, std::ostream& err) {
    auto asked = std::ranges::find(questions, id, &HeldQuestion::id);
    if (asked == questions.end()) {
        err << "nattervane-cli: no question " << id << " waits for an answer\n";
        return 1;
    }
    if (!service.send(AskWire::Answer{id, allow})) return 1;
    while (std::optional<EventWire::Message> message = service.next())
        if (auto* settled = std::get_if<HeldSettled>(&*message); settled && settled->id == id) {
            out << (settled->allowed ? "Let through once: " : "Blocked once: ")
                << program(asked->first) << " to " << destination(*asked) << "\n";
            return settled->by == HeldSettled::By::answer && settled->allowed == allow ? 0 : 1;
        }
    err << "nattervane-cli: the event service did not say whether the answer was taken\n";
    return 1;
}

} // namespace

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    return run(options, platform::current().eventsSocketPath, out, err);
}

int run(const std::vector<std::string>& options, const std::string& socketPath, std::ostream& out,
        std::ostream& err) {
    const bool json = options.size() == 1 && options[0] == "--json";
    const bool answering = options.size() == 2 && (options[0] == "allow" || options[0] == "block");
    std::optional<uint64_t> id =
        answering ? Text::parseDecimal<uint64_t>(options[1]) : std::nullopt;
    if (!(options.empty() || json || id))
        return Usage::fail(err, "questions", "questions takes --json, or allow or block and an ID");
    ServiceLines service;
    std::optional<std::vector<HeldQuestion>> questions = waiting(service, socketPath, err);
    if (!questions) return 1;
    if (!id) {
        list(*questions, json, out);
        return 0;
    }
    return answer(service, *questions, *id, options[0] == "allow", out, err);
}

} // namespace QuestionsCommand
