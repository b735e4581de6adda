#include <filesystem>

#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
};

class LinuxDesktopTest : public QObject {
    Q_OBJECT

  private:
    // Clicks the button labelled `text` of the message box that is about to open.
    static void clickWhenAsked(const QString& text) {
        QTimer::singleShot(50, [text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QAbstractButton* button : box->buttons())
                if (button->text() == text) button->click();
        });
    }

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
        desktop.notify("trk|Mail|Acme", "Nattervane", "“Mail” talks to Acme.");
        QTRY_COMPARE(server.received.size(), 1);
        QCOMPARE(server.received[0], QString("Nattervane|Nattervane|“Mail” talks to Acme.||"
                                             "nattervane"));

        daemon.terminate();
        QVERIFY(daemon.waitForFinished(5000));
        QTRY_VERIFY(!clientBus.isConnected());
        desktop.notify("new|x", "Blocked a new connection", "gone");
        QDBusConnection::disconnectFromBus("server");
        QDBusConnection::disconnectFromBus("client");
    }

    void withoutABusNothingIsPosted() {
        QDBusConnection none = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none");
        QVERIFY(!none.isConnected());
        LinuxDesktop(none).notify("id", "title", "body");
    }

    void questionsAnswerWithTheIndexOfTheButtonChosen() {
        LinuxDesktop desktop(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none"));
        Question question{"“Mail” wants to reach x.example", "Why.", {"Allow", "Block", "Later"}};
        clickWhenAsked("Block");
        QCOMPARE(desktop.ask(question), std::optional<size_t>(1));
        clickWhenAsked("Allow");
        QCOMPARE(desktop.ask(question), std::optional<size_t>(0));
        QTimer::singleShot(50, [] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        QCOMPARE(desktop.ask(question), std::optional<size_t>(2));
    }

    void adminCommandsRunDirectlyForRoot() {
        if (geteuid() != 0) QSKIP("needs root; others get the password dialog");
        TempDir dir;
        LinuxDesktop desktop(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none"));
        desktop.runAsAdmin({"/usr/bin/touch", dir / "ran"}, "prompt");
        QVERIFY(std::filesystem::exists(dir / "ran"));
    }
};

QTEST_MAIN(LinuxDesktopTest)
#include "linux_desktop_test.moc"
