// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>
#include <utility>
#include <vector>

#include <QSignalSpy>
#include <QTest>

#include "window/rules_table_model.h"

using namespace std::chrono_literals;

// The Rules tab's table model: a new rule set signals only the rows whose rules changed.
class RulesTableModelTest : public QObject {
    Q_OBJECT

    RuleSet rules;
    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> spies;

    void set(const char* target, RuleAction action, std::chrono::seconds created,
             std::optional<std::string> program = std::nullopt) {
        rules.set(target, std::nullopt, action, std::nullopt, std::chrono::sys_seconds(created),
                  program);
    }

    // The signals heard since the last call, one a line with their rows and cells, forgetting them.
    QStringList heard() {
        QStringList lines;
        for (auto& [name, spy] : spies) {
            for (const QList<QVariant>& call : *spy) {
                QStringList line{name};
                for (const QVariant& argument : call)
                    if (argument.typeId() == QMetaType::Int)
                        line << QString::number(argument.toInt());
                    else if (const auto cell = argument.value<QModelIndex>(); cell.isValid())
                        line << QStringLiteral("%1:%2").arg(cell.row()).arg(cell.column());
                lines << line.join(' ');
            }
            spy->clear();
        }
        return lines;
    }

    void listen(const RulesTableModel& table) {
        spies.clear();
        const auto spy = [&](const QString& name, auto signal) {
            spies.emplace_back(name, std::make_unique<QSignalSpy>(&table, signal));
        };
        spy("inserted", &QAbstractItemModel::rowsInserted);
        spy("removed", &QAbstractItemModel::rowsRemoved);
        spy("moved", &QAbstractItemModel::rowsMoved);
        spy("changed", &QAbstractItemModel::dataChanged);
        spy("header", &QAbstractItemModel::headerDataChanged);
        spy("reset", &QAbstractItemModel::modelReset);
        spy("layout", &QAbstractItemModel::layoutChanged);
    }

  private slots:
    void rowsChangeOnlyWhereTheRulesDid() {
        set("a.example", RuleAction::allow, 1s);
        set("b.example", RuleAction::block, 2s);
        RulesTableModel table(Lang::en);
        table.show(rules, Lang::en);
        listen(table);
        // The same target for one program is a rule of its own, and the newest comes first.
        set("a.example", RuleAction::block, 3s, "/usr/bin/mail");
        table.show(rules, Lang::en);
        QCOMPARE(heard(), QStringList{"inserted 0 0"});
        QCOMPARE(table.index(0, RulesTableModel::scope).data().toString(), QString("only mail"));
        table.show(rules, Lang::en);
        QCOMPARE(heard(), QStringList{});
        set("a.example", RuleAction::ask, 1s);
        table.show(rules, Lang::en);
        QCOMPARE(heard(), QStringList{"changed 2:0 2:4"});
        QCOMPARE(table.rule(2).action, RuleAction::ask);
        rules.remove("b.example");
        table.show(rules, Lang::en);
        QCOMPARE(heard(), QStringList{"removed 1 1"});
        // A rule made anew is the newest: its row moves to the top.
        set("a.example", RuleAction::allow, 4s);
        table.show(rules, Lang::en);
        QCOMPARE(heard(), (QStringList{"moved 1 1 0", "changed 0:0 0:4"}));
        QCOMPARE(table.index(0, 0).data().toString(), QString("a.example"));
        // A new language retitles the columns and every row.
        table.show(rules, Lang::ru);
        QCOMPARE(heard(), (QStringList{"changed 0:0 1:4", "header 0 4"}));
        QCOMPARE(table.index(0, RulesTableModel::action).data(Qt::AccessibleTextRole).toString(),
                 QString("Разрешить"));
    }
};

QTEST_GUILESS_MAIN(RulesTableModelTest)
#include "rules_table_model_test.moc"
