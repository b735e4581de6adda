// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>
#include <fstream>

#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

#include "quit_signals.h"
#include "single_instance.h"
#include "temp_dir.h"

// How the program keeps to one process per data folder and ends cleanly on a signal.
class InstanceTest : public QObject {
    Q_OBJECT

  private slots:
    void aSecondStartAsksTheFirstToOpenItsWindowAndAStaleLockIsTakenOver() {
        TempDir dir;
        const Paths root(dir / "data");
        SingleInstance first(root);
        QVERIFY(first.claim().value_or(false));
        QSignalSpy asked(&first, &SingleInstance::openRequested);
        SingleInstance second(root);
        QVERIFY(!second.claim().value_or(true));
        QTRY_COMPARE(asked.count(), 1);
        // Another data folder runs on its own.
        SingleInstance other(Paths(dir / "other"));
        QVERIFY(other.claim().value_or(false));
        QCOMPARE(asked.count(), 1);
        // A lock file as a crashed run leaves it, with a process id that no longer exists, is
        // taken over.
        std::filesystem::create_directories(dir / "crashed");
        std::ofstream(dir / "crashed/nattervane.lock")
            << "2147483600\nnattervane\n"
            << QSysInfo::machineHostName().toStdString() << "\n";
        QVERIFY(SingleInstance(Paths(dir / "crashed")).claim().value_or(false));
    }

    void quitSignalsReachTheEventLoop() {
        int calls = 0;
        {
            QuitSignals watcher([&calls] { ++calls; });
            std::raise(SIGTERM);
            std::raise(SIGHUP);
            QTRY_VERIFY(calls >= 1);
        }
        // Afterwards the default actions are back.
        struct sigaction current {};
        sigaction(SIGTERM, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_DFL);
    }
};

QTEST_MAIN(InstanceTest)
#include "instance_test.moc"
