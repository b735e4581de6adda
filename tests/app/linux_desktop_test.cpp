// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include <unistd.h>

#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include "linux_desktop.h"
#include "temp_dir.h"

// Stands in for the desktop's notification server and keeps what it was sent.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList received;

  public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
        received << appName + "|" + summary + "|" + body + "|" + actions.join(",") + "|" +
                        hints.value("desktop-entry").toString();
        return 1;
    }
    QStringList GetCapabilities() { return {"body", "actions"}; }
};

class LinuxDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void notificationsReachTheServerOnTheBus() {
        if (!std::filesystem::exists("/usr/bin/dbus-daemon")) QSKIP("dbus-daemon is missing");
        QProcess daemon;
        daemon.start("/usr/bin/dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(daemon.waitForReadyRead(5000));
        QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection serverBus = QDBusConnection::connectToBus(address, "server");
        QDBusConnection clientBus = QDBusConnection::connectToBus(address, "client");
        FakeNotificationServer server;
        QVERIFY(serverBus.registerObject("/org/freedesktop/Notifications", &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService("org.freedesktop.Notifications"));

        LinuxDesktop desktop(clientBus);
        desktop.notify("trk|Mail|Acme", "Nattervane", "“Mail” talks to Acme.", {});
        QTRY_COMPARE(server.received.size(), 1);
        QCOMPARE(server.received[0], QString("Nattervane|Nattervane|“Mail” talks to Acme.||"
                                             "nattervane"));

        // Buttons, once the server said it shows them; only its own report of a choice counts.
        QTRY_VERIFY(desktop.showsButtons());
        std::vector<std::string> chosen;
        desktop.notify("new|x", "Blocked", "x", {{{"allow", "Allow"}}, [&](const std::string& key) {
                                                     chosen.push_back(key);
                                                 }});
        QTRY_COMPARE(server.received.size(), 2);
        QVERIFY(server.received[1].contains("|allow,Allow|"));
        const auto invoked = [](const QDBusConnection& from, const QString& key) {
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            QVERIFY(QDBusConnection(from).send(signal << uint(1) << key));
        };
        invoked(QDBusConnection::connectToBus(address, "other"), "block");
        invoked(serverBus, "allow");
        QTRY_COMPARE(chosen, std::vector<std::string>{"allow"});

        daemon.terminate();
        QVERIFY(daemon.waitForFinished(5000));
    }

    void adminCommandsRunDirectlyForRoot() {
        if (geteuid() != 0) QSKIP("needs root; others get the password dialog");
        TempDir dir;
        LinuxDesktop desktop(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none"));
        QVERIFY(desktop.runAsAdmin({"/usr/bin/touch", dir / "ran"}, "prompt").ok());
        QVERIFY(std::filesystem::exists(dir / "ran"));
        Result<void> failed = desktop.runAsAdmin({"/bin/sh", "-c", "echo no room >&2; exit 1"}, "");
        QVERIFY(!failed.ok());
        QCOMPARE(failed.error().message, std::string("no room"));
    }
};

QTEST_MAIN(LinuxDesktopTest)
#include "linux_desktop_test.moc"
