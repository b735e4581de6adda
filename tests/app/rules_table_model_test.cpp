// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include "model_signals.h"
#include "window/rules_table_model.h"

using namespace std::chrono_literals;

// The Rules tab's table model: a new rule set signals only the rows whose rules changed.
class RulesTableModelTest : public QObject {
    Q_OBJECT

    RuleSet rules;

    void set(const char* target, RuleAction action, std::chrono::seconds created,
             std::optional<std::string> program = std::nullopt) {
        rules.set(target, std::nullopt, action, std::nullopt, std::chrono::sys_seconds(created),
                  program);
    }

  private slots:
    void rowsChangeOnlyWhereTheRulesDid() {
        set("a.example", RuleAction::allow, 1s);
        set("b.example", RuleAction::block, 2s);
        RulesTableModel table(Lang::en);
        table.show(rules, Lang::en);
        ModelSignals spied(table);
        // The same target for one program is a rule of its own, and the newest comes first.
        set("a.example", RuleAction::block, 3s, "/usr/bin/mail");
        table.show(rules, Lang::en);
        QCOMPARE(spied.heard(), QStringList{"inserted 0 0"});
        QCOMPARE(table.index(0, RulesTableModel::scope).data().toString(), QString("only mail"));
        table.show(rules, Lang::en);
        QCOMPARE(spied.heard(), QStringList{});
        set("a.example", RuleAction::ask, 1s);
        table.show(rules, Lang::en);
        QCOMPARE(spied.heard(), QStringList{"changed 2:0 2:4"});
        QCOMPARE(table.rule(2).action, RuleAction::ask);
        rules.remove("b.example");
        table.show(rules, Lang::en);
        QCOMPARE(spied.heard(), QStringList{"removed 1 1"});
        // A rule made anew is the newest: its row moves to the top.
        set("a.example", RuleAction::allow, 4s);
        table.show(rules, Lang::en);
        QCOMPARE(spied.heard(), (QStringList{"moved 1 1 0", "changed 0:0 0:4"}));
        QCOMPARE(table.index(0, 0).data().toString(), QString("a.example"));
        // A new language retitles the columns and every row.
        table.show(rules, Lang::ru);
        QCOMPARE(spied.heard(), (QStringList{"changed 0:0 1:4", "header 0 4"}));
        QCOMPARE(table.index(0, RulesTableModel::action).data(Qt::AccessibleTextRole).toString(),
                 QString("Разрешить"));
    }
};

QTEST_GUILESS_MAIN(RulesTableModelTest)
#include "rules_table_model_test.moc"
