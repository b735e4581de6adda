// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>

#include "base/paths.h"
#include "store/rule_edit.h"

// One running program per data folder, so that two never scan and write the same journal,
// rules and block files. The first start holds a lock file in the folder and listens on a local
// socket named after the folder; a later start asks it to open its window instead of running,
// and the command-line tool sends it the rule edits and system journal switches it is asked for,
// one a line, each answered with "ok" or "error: REASON".
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(const Paths& paths, QObject* parent = nullptr);

    // What is done with a rule edit: nothing when it succeeds, else why not.
    using EditHandler = std::function<Result<void>(const RuleEdit&)>;
    void onRuleEdit(EditHandler handler) { editHandler_ = std::move(handler); }
    // What is done with "export on" or "export off": the system journal switch.
    using ExportHandler = std::function<Result<void>(bool)>;
    void onExport(ExportHandler handler) { exportHandler_ = std::move(handler); }

    // True when this process is now the one running for the folder. False when another holds
    // it: that one has been asked to open its window (as far as it could be reached) and this one
    // should end. An Error when the folder's lock cannot be taken at all (no other holds it).
    Result<bool> claim();

  signals:
    // A later start asked for the window.
    void openRequested();

  private:
    void listen();
    // Asks the running process to open its window; false when it could not be reached.
    bool askRunning() const;

    // Answers one line of a peer.
    QByteArray answer(const QByteArray& line);
    static QByteArray reply(const Result<void>& made);
    // Answers every whole line the peer sent; lets go of a peer whose line has no end.
    void answerAll(QLocalSocket* peer);
    static bool peerIsThisUser(qintptr fd);

    Paths paths_;
    QLockFile lock_;
    QString socketPath_;
    QLocalServer server_;
    EditHandler editHandler_;
    ExportHandler exportHandler_;
};
