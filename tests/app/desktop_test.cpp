// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "qt_desktop.h"
#include "status_item.h"

// The parts every system's desktop shares; notifications and administrator commands do nothing.
class SharedDesktop : public QtDesktop {
  public:
    void notify(const std::string&, const std::string&, const std::string&,
                const NoticeActions&) override {}
    Result<void> runAsAdmin(const std::vector<std::string>&, const std::string&) override {
        return {};
    }
};

class DesktopTest : public QObject {
    Q_OBJECT

  private:
    // Clicks the button labelled `text` of the message box that is about to open, or closes the
    // box when no button has that label.
    static void clickWhenAsked(const QString& text) {
        QTimer::singleShot(50, [text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QAbstractButton* button : box->buttons())
                if (button->text() == text) return button->click();
            box->close();
        });
    }

  private slots:
    void questionsAnswerWithTheIndexOfTheButtonChosen() {
        SharedDesktop desktop;
        Question question{"“Mail” wants to reach x.example", "Why.", {"Allow", "Block", "Later"}};
        // Closed, the box answers with its last button.
        for (const auto& [text, answer] : {std::pair{"Block", 1}, {"Allow", 0}, {"", 2}}) {
            clickWhenAsked(text);
            QCOMPARE(desktop.ask(question), std::optional<size_t>(answer));
        }
    }

    // The macOS desktop posts through the item it finds here, so a destroyed one must be gone.
    void theStatusItemIsForgottenWhenDestroyed() {
        QVERIFY(!StatusItem::current());
        auto item = std::make_unique<QSystemTrayIcon>();
        StatusItem::publish(item.get());
        QCOMPARE(StatusItem::current(), item.get());
        item.reset();
        QVERIFY(!StatusItem::current());
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
