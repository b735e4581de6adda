#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running program per data folder, so that two never scan and write the same journal,
// rules and block files. The first start holds a lock file in the folder and listens on a local
// socket named after the folder; a later start asks it to open its window instead of running.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(const QString& dataRoot, QObject* parent = nullptr);

    // True when this process is now the one running for the folder. Otherwise the running one
    // has been asked to open its window (as far as it could be reached) and this one should end.
    bool claim();

  signals:
    // A later start asked for the window.
    void openRequested();

  private:
    void listen();
    // Asks the running process to open its window; false when it could not be reached.
    bool askRunning() const;

    QLockFile lock_;
    QString socketPath_;
    QLocalServer server_;
};
