// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include "model_signals.h"
#include "window/programs_list_model.h"

// The Programs tab's list model: a new scan signals only the rows whose programs came, went,
// moved or changed what their rows show.
class ProgramsListModelTest : public QObject {
    Q_OBJECT

    static AppRow app(const char* name, size_t connections, std::optional<Rate> rate = {}) {
        AppRow row;
        row.name = name;
        row.conns.resize(connections);
        row.rate = rate;
        return row;
    }

  private slots:
    void rowsChangeOnlyWhereTheProgramsDid() {
        AppRow browser = app("Browser", 2), chat = app("Chat", 1), mail = app("Mail", 1);
        ProgramsListModel list(Lang::en);
        list.show({browser, mail}, Lang::en);
        ModelSignals spied(list);
        list.show({browser, chat, mail}, Lang::en);
        QCOMPARE(spied.heard(), QStringList{"inserted 1 1"});
        // Bytes sent are not shown in the list: a scan changing only those signals nothing.
        mail.bytesOut = 5000;
        list.show({browser, chat, mail}, Lang::en);
        QCOMPARE(spied.heard(), QStringList{});
        QCOMPARE(list.app(2).bytesOut, 5000);
        chat.rate = Rate{0, 2000};
        list.show({browser, chat, mail}, Lang::en);
        const QString figures = QStringLiteral("roles %1,%2,%3")
                                    .arg(Qt::AccessibleTextRole)
                                    .arg(ProgramsListModel::countRole)
                                    .arg(ProgramsListModel::rateRole);
        QCOMPARE(spied.heard(), QStringList{"changed 1:0 1:0 " + figures});
        QCOMPARE(list.index(1).data(ProgramsListModel::rateRole).toString(),
                 QString("↓ 0 B/s ↑ 2.0 kB/s"));
        QCOMPARE(list.index(1).data(Qt::AccessibleTextRole).toString(),
                 QString("Chat, 1 connection ↓ 0 B/s ↑ 2.0 kB/s"));
        list.show({browser, mail}, Lang::en);
        QCOMPARE(spied.heard(), QStringList{"removed 1 1"});
        // Mail reaches a tracker and comes first; its dot changes, so its row is drawn anew.
        mail.worst = Category::tracker;
        list.show({mail, browser}, Lang::en);
        QCOMPARE(spied.heard(), (QStringList{"moved 1 1 0", "changed 0:0 0:0"}));
        // A new language changes every row's texts, and resets nothing.
        list.show({mail, browser}, Lang::ru);
        QCOMPARE(spied.heard(), QStringList{"changed 0:0 1:0"});
        QVERIFY(list.index(1).data(ProgramsListModel::countRole).toString() != "2 connections");
    }
};

QTEST_GUILESS_MAIN(ProgramsListModelTest)
#include "programs_list_model_test.moc"
