// SPDX-License-Identifier: GPL-3.0-or-later
#include "held_questions.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto retryPeriod = 2s;
constexpr auto settledKept = 3min;
// A line longer than any the service writes: a peer sending one is no service of ours.
constexpr size_t longestLine = 64 * 1024;

} // namespace

HeldQuestions::HeldQuestions(std::string socketPath, QObject* parent)
    : KeyedRowsModel(parent), path_(std::move(socketPath)) {
    retry_.setObjectName("questionsRetry");
    connect(&retry_, &QTimer::timeout, this, &HeldQuestions::connectNow);
    connect(&socket_, &QLocalSocket::readyRead, this, &HeldQuestions::read);
    connect(&socket_, &QLocalSocket::disconnected, this, &HeldQuestions::lost);
    connect(&socket_, &QLocalSocket::errorOccurred, this, [this] {
        if (socket_.state() == QLocalSocket::UnconnectedState) lost();
    });
}

void HeldQuestions::follow(bool on, bool blockAtDeadline) {
    if (on == on_ && blockAtDeadline == blockAtDeadline_) return;
    on_ = on && !path_.empty();
    blockAtDeadline_ = blockAtDeadline;
    socket_.abort();
    lost();
    if (!on_) {
        retry_.stop();
        return;
    }
    retry_.start(retryPeriod);
    connectNow();
}

void HeldQuestions::connectNow() {
    if (on_ && socket_.state() == QLocalSocket::UnconnectedState)
        socket_.connectToServer(QString::fromStdString(path_));
}

void HeldQuestions::read() {
    buffer_ += socket_.readAll().toStdString();
    const size_t last = buffer_.rfind('\n');
    const std::string lines =
        last == std::string::npos ? std::string() : buffer_.substr(0, last + 1);
    buffer_.erase(0, lines.size());
    for (std::string_view rest = lines; !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        if (line.size() > longestLine) {
            socket_.abort();
            return;
        }
        rest.remove_prefix(line.size() + 1);
        if (auto message = EventWire::read(line)) handle(*message);
        // A refusal or a lost connection ends what was read.
        if (socket_.state() != QLocalSocket::ConnectedState) return;
    }
    if (buffer_.size() > longestLine) socket_.abort();
}

void HeldQuestions::handle(const EventWire::Message& message) {
    if (const auto* hello = std::get_if<EventWire::Hello>(&message)) {
        hello_ = *hello;
        send(AskWire::Attach{blockAtDeadline_});
        emit holdingChanged();
    } else if (const auto* question = std::get_if<HeldQuestion>(&message)) {
        take(*question);
    } else if (const auto* settled = std::get_if<HeldSettled>(&message)) {
        end(*settled);
    } else if (std::holds_alternative<EventWire::Refusal>(message)) {
        socket_.abort();
    }
}

void HeldQuestions::take(const HeldQuestion& question) {
    const auto held = std::find_if(asked_.begin(), asked_.end(), [&](const AskedQuestion& each) {
        return each.question.id == question.id;
    });
    if (held != asked_.end()) {
        held->question = question;
        showRows(asked_);
        return;
    }
    asked_.push_back({question, std::nullopt});
    showRows(asked_);
    emit arrived(question.id);
}

void HeldQuestions::end(const HeldSettled& settled) {
    for (AskedQuestion& each : asked_)
        if (each.question.id == settled.id) each.settled = settled;
    showRows(asked_);
    QTimer::singleShot(settledKept, this, [this, id = settled.id] { dismiss(id); });
}

void HeldQuestions::dismiss(uint64_t id) {
    std::erase_if(asked_, [id](const AskedQuestion& each) { return each.question.id == id; });
    showRows(asked_);
}

void HeldQuestions::lost() {
    buffer_.clear();
    std::erase_if(asked_, [](const AskedQuestion& each) { return !each.settled; });
    showRows(asked_);
    if (!hello_) return;
    hello_.reset();
    emit holdingChanged();
}

void HeldQuestions::send(const AskWire::Request& request) {
    if (socket_.state() != QLocalSocket::ConnectedState) return;
    const std::string line = AskWire::line(request);
    socket_.write(line.data(), static_cast<qint64>(line.size()));
}

size_t HeldQuestions::waitingCount() const {
    return static_cast<size_t>(
        std::ranges::count_if(asked_, [](const AskedQuestion& asked) { return !asked.settled; }));
}

std::optional<int> HeldQuestions::rowOf(uint64_t id) const {
    for (int at = 0; at < rowCount(); ++at)
        if (row(at).question.id == id) return at;
    return std::nullopt;
}

QVariant HeldQuestions::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return QString::fromStdString(row(index.row()).question.first.comm);
}
