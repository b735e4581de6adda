// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QLocalSocket>
#include <QTimer>

#include "observe/ask_wire.h"
#include "observe/connect_event.h"
#include "window/keyed_rows_model.h"

// A question the service holds connections for, and how it ended once it did.
struct AskedQuestion {
    HeldQuestion question;
    std::optional<HeldSettled> settled;
    bool operator==(const AskedQuestion&) const = default;
};

// The questions the event service holds connections for, one row each in the order they came,
// keyed by their id. While on, it stays attached to the service's socket (connecting again every
// 2 s while it cannot); a question sent again updates its row. A question that ended stays
// listed, saying how, until dismissed or for a few minutes.
class HeldQuestions : public KeyedRowsModel<QAbstractListModel, AskedQuestion, uint64_t> {
    Q_OBJECT

  public:
    // `socketPath` empty: never attaches.
    explicit HeldQuestions(std::string socketPath, QObject* parent = nullptr);
    // The socket closing on its way out tells nothing to the rows already gone.
    ~HeldQuestions() override { socket_.disconnect(this); }

    // Attaches while `on`; a changed choice of what happens at the deadline attaches anew.
    void follow(bool on, bool blockAtDeadline);
    // Attached, and the service holds connections for questions.
    bool holding() const { return hello_ && !hello_->hold.empty(); }
    // How the service holds them; empty when it does not.
    std::string hold() const { return holding() ? hello_->hold : std::string(); }

    const AskedQuestion& asked(int at) const { return row(at); }
    std::optional<int> rowOf(uint64_t id) const;
    // Questions not answered yet.
    size_t waitingCount() const;
    void answer(uint64_t id, bool allow) { send(AskWire::Answer{id, allow}); }
    void extend(uint64_t id) { send(AskWire::Extend{id}); }
    // Stops listing a question.
    void dismiss(uint64_t id);

    QVariant data(const QModelIndex& index, int role) const override;

  signals:
    // A question not listed before came.
    void arrived(uint64_t id);
    // `holding` or `hold` changed.
    void holdingChanged();

  private:
    uint64_t keyOf(const AskedQuestion& asked) const override { return asked.question.id; }
    void connectNow();
    void read();
    void handle(const EventWire::Message& message);
    void take(const HeldQuestion& question);
    void end(const HeldSettled& settled);
    // The service went: questions it held are its own to decide, only the ended ones stay.
    void lost();
    void send(const AskWire::Request& request);

    std::string path_;
    bool on_ = false;
    bool blockAtDeadline_ = false;
    QLocalSocket socket_;
    QTimer retry_;
    std::string buffer_;
    std::optional<EventWire::Hello> hello_;
    std::vector<AskedQuestion> asked_;
};
