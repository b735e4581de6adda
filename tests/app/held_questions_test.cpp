// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QComboBox>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "model_fixture.h"
#include "ss_text.h"
#include "window/question_card.h"
#include "window/question_window.h"
#include "window/settings_view.h"

// The held questions over a stand-in for the event service's socket, as the Model and the
// question window use them.
class HeldQuestionsTest : public QObject, public ModelFixture {
    Q_OBJECT

    std::unique_ptr<QLocalServer> server;
    QLocalSocket* service = nullptr;

    HeldQuestions& held() { return model->held(); }

    void say(const EventWire::Message& message) {
        service->write(QByteArray::fromStdString(EventWire::line(message)));
        service->flush();
    }

    // The next line the application wrote.
    std::optional<AskWire::Request> heard() {
        for (int i = 0; i < 200 && !service->canReadLine(); ++i)
            QTest::qWait(10);
        return AskWire::read(service->readLine().trimmed().toStdString());
    }

    // Takes the application's connection and greets it as a service that holds.
    void greet(bool blockAtDeadline = false) {
        QTRY_VERIFY(server->hasPendingConnections());
        service = server->nextPendingConnection();
        say(EventWire::Hello{EventWire::version, "nft queue"});
        QCOMPARE(heard(), AskWire::Request(AskWire::Attach{blockAtDeadline}));
        QTRY_VERIFY(held().holding());
    }

    HeldQuestion question(uint64_t id, const std::string& ip, uint32_t waiting = 1) {
        ConnectEvent first;
        first.pid = 4;
        first.comm = "mailer";
        first.exePath = *dir / "mailer";
        first.proto = "tcp";
        first.remoteIP = ip;
        first.remotePort = 443;
        return {id, first, std::nullopt, waiting, *now + 30s};
    }

  private slots:
    void init() {
        setUp();
        writeExecutable(*dir / "mailer", "#!/bin/sh\n");
        server = std::make_unique<QLocalServer>();
        QVERIFY(server->listen(QString::fromStdString(*dir / "questions")));
        QVERIFY(started());
        greet();
    }

    void cleanup() {
        tearDown();
        server.reset();
    }

    // A question sent again updates its row; answers go out as lines; one that ended stays
    // listed; while the service holds, a scan asks nothing, and without it, the scan asks.
    void questionsAreListedOnceAnsweredAndSettled() {
        QSignalSpy arrived(&held(), &HeldQuestions::arrived);
        say(question(7, "203.0.113.20"));
        say(question(7, "203.0.113.20", 3));
        QTRY_COMPARE(held().rowCount() == 1 ? held().asked(0).question.waiting : 0u, 3u);
        QCOMPARE(arrived.count(), 1);
        held().answer(7, false);
        QCOMPARE(heard(), AskWire::Request(AskWire::Answer{7, false}));
        held().extend(7);
        QCOMPARE(heard(), AskWire::Request(AskWire::Extend{7}));
        say(HeldSettled{7, false, HeldSettled::By::deadline});
        QTRY_VERIFY(held().asked(0).settled);

        RuleSet rules;
        rules.set("203.0.113.20", std::nullopt, RuleAction::ask, std::nullopt, {});
        model->setRules(rules);
        listing(ssLine(1, "curl", "203.0.113.20:443"));
        QVERIFY(scanned());
        QVERIFY(desktop->questions.empty());
        service->abort();
        QTRY_VERIFY(!held().holding());
        QVERIFY(scanned());
        QCOMPARE(desktop->questions.size(), size_t(1));
        QCOMPARE(held().rowCount(), 1);
        // The Settings tab says how the service holds; a new choice for the deadline attaches
        // anew.
        SettingsView settings(*model);
        greet();
        QVERIFY(settings.askingLine()->text().contains("(nft queue)"));
        emit settings.atDeadline()->activated(1);
        greet(true);
    }

    // "Always" makes the rule in the scope chosen and answers; "once" only answers.
    void theWindowMakesRulesOnlyForAlways() {
        say(question(1, "203.0.113.5"));
        say(question(2, "203.0.113.6"));
        QuestionWindow window(*model);
        QTRY_VERIFY(window.card(2));
        QuestionCard& always = *window.card(1);
        // Read with less than 25 s left, a question's deadline is moved on, once a deadline.
        window.present();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        always.howLong()->setFocus();
        QTRY_VERIFY(always.howLong()->hasFocus());
        for (int second : {6, 7}) {
            always.tick(*now + std::chrono::seconds(second));
            window.card(2)->tick(*now + std::chrono::seconds(second));
        }
        QCOMPARE(heard(), AskWire::Request(AskWire::Extend{1}));
        always.howLong()->setCurrentIndex(1);
        QVERIFY(always.forWhom()->isEnabled());
        QTest::mouseClick(always.allowButton(), Qt::LeftButton);
        QCOMPARE(heard(), AskWire::Request(AskWire::Answer{1, true}));
        QCOMPARE(model->rules().rules.size(), size_t(1));
        QCOMPARE(model->rules().rules[0].target, std::string("203.0.113.5"));
        QCOMPARE(model->rules().rules[0].program, std::optional(*dir / "mailer"));
        QTest::mouseClick(window.card(2)->blockButton(), Qt::LeftButton);
        QCOMPARE(heard(), AskWire::Request(AskWire::Answer{2, false}));
        QCOMPARE(model->rules().rules.size(), size_t(1));
        say(HeldSettled{2, false, HeldSettled::By::answer});
        QTRY_VERIFY(window.card(2)->dismissButton()->isVisibleTo(window.card(2)));
        QCOMPARE(window.card(2)->outcome()->text(), QString("Blocked"));
        QTest::mouseClick(window.card(2)->dismissButton(), Qt::LeftButton);
        QVERIFY(!window.card(2));
    }
};

QTEST_MAIN(HeldQuestionsTest)
#include "held_questions_test.moc"
