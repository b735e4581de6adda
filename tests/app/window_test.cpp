// SPDX-License-Identifier: GPL-3.0-or-later
#include <fstream>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "base/atomic_file.h"
#include "delegate_fixture.h"
#include "window/app_icon.h"
#include "window/badge.h"
#include "window/button_style.h"
#include "window/detail_view.h"
#include "window/elided_label.h"
#include "window/flow_layout.h"
#include "window/journal_view.h"
#include "window/main_view.h"
#include "window/palette.h"
#include "window/programs_view.h"
#include "window/rule_picker.h"
#include "window/rules_view.h"
#include "window/settings_view.h"
#include "window/wrapped_label.h"

// The window's tabs over the real Model, as the user clicks them.
class WindowTest : public QObject, public DelegateFixture {
    Q_OBJECT

    MainView& view() { return *qobject_cast<MainView*>(delegate->window()); }

    // The picker of the first card, the tracker's.
    RulePicker* firstPicker() { return view().programs()->detail()->pickers().value(0); }

  private slots:
    void init() { setUp(); }

    void cleanup() { tearDown(); }

    void selectionFallsBackWithoutChangingTheChoice() {
        launch("Mail");
        QVERIFY(view().findChild<QLabel*>("footer")->text().contains("Source: ss"));
        ProgramsView& programs = *view().programs();
        programs.list()->setCurrentIndex(programs.list()->model()->index(1, 0));
        QCOMPARE(delegate->windowState().selectedApp(), std::optional<std::string>("Mail"));
        QCOMPARE(programs.detail()->row().name, std::string("Mail"));
        // Mail goes offline: the first row shows, the choice stays.
        listing(ssLine(1, "Browser", "203.0.113.5:443"));
        QVERIFY(scanned());
        QCOMPARE(programs.detail()->row().name, std::string("Browser"));
        QCOMPARE(programs.list()->currentIndex().row(), 0);
        QCOMPARE(delegate->windowState().selectedApp(), std::optional<std::string>("Mail"));
        // Nobody online: the empty text, nothing selected, and the hidden pane lets go of its
        // cards.
        listing("");
        QVERIFY(scanned());
        QVERIFY(!programs.detail());
        QTRY_VERIFY(programs.findChildren<RulePicker*>().isEmpty());
        QCOMPARE(programs.emptyText()->text(), QString("No programs are online right now."));
    }

    void journalUpdatesInPlaceOnlyWhenShownAndFilters() {
        launch("Mail");
        delegate->windowState().setTab(1);
        JournalView& journal = *view().journal();
        QAbstractItemModel& table = *journal.table()->model();
        const int all = table.rowCount();
        journal.table()->setCurrentIndex(table.index(all - 1, 1));
        const QString chosen = journal.table()->currentIndex().siblingAtColumn(2).data().toString();
        // A new destination comes first (newest first); the chosen row keeps its key.
        listing(ssLine(1, "Browser", "203.0.113.5:443") + ssLine(1, "Browser", "198.51.100.7:443") +
                ssLine(2, "Mail", "198.51.100.8:443") + ssLine(3, "Chat", "192.0.2.44:443"));
        QVERIFY(scanned());
        QCOMPARE(table.rowCount(), all + 1);
        QCOMPARE(journal.table()->currentIndex().siblingAtColumn(2).data().toString(), chosen);
        // Hidden, the tab does no work; shown again it is up to date.
        delegate->windowState().setTab(0);
        listing(ssLine(4, "Games", "192.0.2.45:443"));
        QVERIFY(scanned());
        QCOMPARE(table.rowCount(), all + 1);
        delegate->windowState().setTab(1);
        QCOMPARE(table.rowCount(), all + 2);

        journal.onlyTrackers()->setChecked(true);
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(table.index(0, 2).data().toString(), QString("ads.tracker.example"));
        journal.onlyTrackers()->setChecked(false);
        QTest::keyClicks(journal.search(), "MAI");
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(table.index(0, 1).data().toString(), QString("Mail"));
        // A scan redraws the table and keeps the filter.
        QVERIFY(scanned());
        QCOMPARE(table.rowCount(), 1);
        journal.search()->clear();
        QCOMPARE(table.rowCount(), all + 2);
        desktop->answers.push_back(0);
        QTest::mouseClick(journal.wipeButton(), Qt::LeftButton);
        QCOMPARE(table.rowCount(), 0);
    }

    // A scan that changes only traffic redraws the program line's figures and the cards in place;
    // a rule redraws its card, tinting the pill of its action.
    void trafficIsShownInPlaceAndRulePillsTint() {
        launch("Mail");
        delegate->windowState().setSelectedApp("Browser");
        ProgramsView& programs = *view().programs();
        QWidget* first = programs.list()->indexWidget(programs.list()->model()->index(0, 0));
        QPointer<QLabel> line = first->findChild<QLabel*>("connectionCount");
        QPointer<QLabel> rate = first->findChild<QLabel*>("liveRate");
        DetailView& detail = *programs.detail();
        QPointer<RulePicker> picker = firstPicker();
        QVERIFY(picker);
        QPointer<QLabel> destination = picker->parentWidget()->findChild<QLabel*>("destination");
        QVERIFY(line && rate && destination);
        QCOMPARE(rate->text(), QString());
        destination->setSelection(0, 3);
        *now += 5s;
        listing(ssLine(1, "Browser", "203.0.113.5:443", "tcp", 0, 10000) +
                ssLine(1, "Browser", "198.51.100.7:443") + ssLine(2, "Mail", "198.51.100.8:443"));
        QVERIFY(scanned());
        QVERIFY(line && rate && picker && destination);
        QCOMPARE(line->text(), QString("2 connections · 1 tracker"));
        QCOMPARE(rate->text(), QString("↓ 0 B/s ↑ 2.0 kB/s"));
        QCOMPARE(destination->selectedText(), QString("ads"));
        QVERIFY(picker->parentWidget()->findChild<QLabel*>("traffic")->text().contains("10"));
        // Another destination comes, then goes: the cards shown stay, the selection with them.
        const std::string others =
            ssLine(1, "Browser", "198.51.100.7:443") + ssLine(2, "Mail", "198.51.100.8:443");
        listing(ssLine(1, "Browser", "203.0.113.5:443") + ssLine(1, "Browser", "192.0.2.60:443") +
                others);
        QVERIFY(scanned());
        QCOMPARE(detail.pickers().size(), 3);
        listing(ssLine(1, "Browser", "203.0.113.5:443") + others);
        QVERIFY(scanned());
        QCOMPARE(detail.pickers().size(), 2);
        QVERIFY(picker && destination);
        QCOMPARE(detail.pickers().value(0), picker.data());
        QCOMPARE(destination->selectedText(), QString("ads"));
        // A rule changes what the card offers: that card is drawn anew.
        QTest::mouseClick(picker->pill(RuleAction::allow), Qt::LeftButton);
        QTRY_VERIFY(!picker);
        QCOMPARE(firstPicker()->tinted(), RuleAction::allow);
        QTest::mouseClick(firstPicker()->pill(RuleAction::block), Qt::LeftButton);
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::block);
        QCOMPARE(firstPicker()->tinted(), RuleAction::block);
        // Blocking offered the helper, which the fake desktop declined.
        QVERIFY(!desktop->questions.empty());
        QVERIFY(view().programs()->detail()->findChild<QLabel*>("blockingHint"));
        // Pressing the tinted pill clears the rule.
        QTest::mouseClick(firstPicker()->pill(RuleAction::block), Qt::LeftButton);
        QCOMPARE(model->rules().action("ads.tracker.example"), std::nullopt);
        QCOMPARE(firstPicker()->tinted(), std::nullopt);
    }

    void removeOneRuleAndAllWithTheHelper() {
        launch("Mail");
        for (const AppRow& row : model->apps())
            for (const Connection& connection : row.conns)
                model->setRule(connection, RuleAction::allow);
        RulesView& rules = *view().rules();
        QVERIFY(rules.fileNotice()->isHidden());
        QVERIFY(view().settings()->fileNotice()->isHidden());
        QAbstractItemModel& table = *rules.table()->model();
        QCOMPARE(table.rowCount(), 3);
        const QString newest = table.index(0, 0).data().toString();
        // A scan leaves the controls alone, and so does removing another row.
        const QPointer<QComboBox> chooser = rules.actionBox(1);
        QVERIFY(scanned());
        QCOMPARE(rules.actionBox(1), chooser.data());
        QTest::mouseClick(rules.removeButton(0), Qt::LeftButton);
        QCOMPARE(table.rowCount(), 2);
        QVERIFY(!model->rules().action(newest.toStdString()));
        QCOMPARE(rules.actionBox(0), chooser.data());
        const std::string chosen = table.index(0, 0).data().toString().toStdString();
        emit chooser->activated(static_cast<int>(RuleAction::block));
        QCOMPARE(model->rules().action(chosen), RuleAction::block);
        QVERIFY(chooser);
        QCOMPARE(chooser->currentIndex(), static_cast<int>(RuleAction::block));
        // A new language relabels the controls where they are.
        view().settings()->language()->activated(2);
        QVERIFY(chooser);
        QCOMPARE(chooser->currentText(), QString("Запретить"));
        QCOMPARE(rules.removeButton(0)->text(), QString("Убрать"));
        view().settings()->language()->activated(1);
        model->toggleBlockNew();
        const size_t asked = desktop->questions.size();
        QTest::mouseClick(rules.removeAllButton(), Qt::LeftButton);
        QCOMPARE(model->rules(), RuleSet{});
        QVERIFY(desktop->commands.empty());
        QCOMPARE(desktop->questions.size(), asked);
        QCOMPARE(rules.hint()->text(),
                 QString("No rules yet. Open “Programs” and press Allow / Block / Ask."));
        // With the helper installed, removing every rule removes it too.
        model->setRule(model->apps().front().conns.front(), RuleAction::allow);
        std::ofstream(descriptor.helperInstalledPath) << "";
        writeExecutable(descriptor.helperUninstallPath,
                        "#!/bin/sh\nrm -f '" + descriptor.helperInstalledPath + "'\n");
        model->refreshHelperStatus();
        // With no status yet the helper reads as plainly on.
        view().settings()->refresh();
        QCOMPARE(view().settings()->helperLine()->text(), QString("On"));
        QCOMPARE(view().settings()->helperButton()->text(),
                 QString("Turn off and remove everything"));
        QTest::mouseClick(view().rules()->removeAllButton(), Qt::LeftButton);
        QCOMPARE(desktop->commands.size(), size_t(1));
        QVERIFY(model->rules().rules.empty());
        QCOMPARE(view().settings()->helperLine()->text(),
                 QString("Off — rules are only remembered"));
    }

    void settingsSwitchesStoreAndOffer() {
        // The start-at-login entry's folder cannot be made under a plain file: that is said.
        const std::string config = *dir / "config";
        std::ofstream(config) << "";
        qputenv("XDG_CONFIG_HOME", config.c_str());
        launch("Mail");
        qunsetenv("XDG_CONFIG_HOME");
        SettingsView& settings = *view().settings();
        for (QCheckBox* box : settings.findChildren<QCheckBox*>())
            if (box->text() == "Start at login") box->click();
        QVERIFY(!model->notices().empty());
        QVERIFY(model->notices().back().starts_with("Not saved: " + config));
        settings.blockListed()->click();
        QVERIFY(model->rules().blockAllListed);
        QCOMPARE(desktop->messages.back(), std::string("Turn on blocking?"));
        const size_t asked = desktop->questions.size();
        settings.blockListed()->click();
        QVERIFY(!model->rules().blockAllListed);
        QCOMPARE(desktop->questions.size(), asked);
        settings.quiet()->click();
        QVERIFY(model->settings().quiet);
        QVERIFY(view().quietSwitch()->isChecked());
        settings.pause()->click();
        QVERIFY(model->settings().paused);
        settings.moreButton()->click();
        QVERIFY(!settings.blockingDetails()->isHidden());
        QCOMPARE(settings.moreButton()->text(), QString("Less"));
        settings.exportJournal()->click();
        QVERIFY(model->settings().exportJournal && model->journalExport().on());
        settings.interval()->activated(2);
        QCOMPARE(model->settings().interval, 15.0);
        // The header switch and the menu read the same value.
        view().blockNewSwitch()->click();
        QVERIFY(model->rules().blockNew);
        // A new language relabels at once.
        view().settings()->language()->activated(2);
        QCOMPARE(model->settings().language, std::string("ru"));
        QPushButton* blockAll = view().programs()->detail()->blockAllButton();
        QCOMPARE((QStringList{view().tabs()->tabText(1), view().journal()->onlyTrackers()->text(),
                              view().rules()->removeAllButton()->text(),
                              view().settings()->pause()->text(), blockAll->text(),
                              view().settings()->exportLabel()->text().left(31)}),
                 (QStringList{"Журнал", "Только трекеры", "Удалить все правила", "Пауза",
                              "Запретить все её адреса", "Также записывать журнал в систе"}));
        QVERIFY(blockAll->sizeHint().width() >=
                blockAll->fontMetrics().horizontalAdvance(blockAll->text()) +
                    ButtonStyle::extraWidth);
        QVERIFY(settled());
    }

    // Each tab shows one notice, naming the kept copy of its own file only; a long program name
    // ends in an ellipsis.
    void unusableFilesAndLongNames() {
        std::filesystem::create_directories(dataRoot);
        QVERIFY(AtomicFile::write(paths().rulesFile(), "{\"rules\": ["));
        QVERIFY(AtomicFile::write(paths().settingsFile(), "{\"interval\": \"often\""));
        const QString name = "A program whose name is far too long to fit beside its icon";
        launch(name.toStdString());
        for (const auto& [notice, own, other] :
             {std::tuple{view().rules()->fileNotice(), "rules.json.bad-", "settings.json"},
              {view().settings()->fileNotice(), "settings.json.bad-", "rules.json"}}) {
            const QString text = notice->text();
            QVERIFY2(!notice->isHidden() && text.contains(own) && !text.contains(other) &&
                         !text.contains('\n'),
                     qPrintable(text));
        }
        view().resize(980, 640);
        view().show();
        QVERIFY(QTest::qWaitForWindowExposed(&view()));
        const auto labels = view().programs()->list()->findChildren<ElidedLabel*>();
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels[1]->shown(), QString("Browser"));
        QCOMPARE(labels[0]->toolTip(), name);
        QVERIFY(labels[0]->shown().endsWith("…"));
        QVERIFY(labels[0]->fontMetrics().horizontalAdvance(labels[0]->shown()) <=
                labels[0]->width());
    }

    // Tabs switch from the keyboard, Escape closes; every control and list item is named for
    // assistive technology, a card's pills with the destination they act on.
    void keyboardAndNames() {
        launch("Mail");
        delegate->openWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view()));
        const std::pair<QKeyCombination, int> steps[] = {
            {Qt::CTRL | Qt::Key_Tab, 1},
            {Qt::CTRL | Qt::Key_PageDown, 2},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 1},
            {Qt::CTRL | Qt::Key_PageUp, 0},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 3},
        };
        for (const auto& [keys, tab] : steps) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &view(),
                            keys.key(), keys.keyboardModifiers());
            QCOMPARE(delegate->windowState().tab(), tab);
        }
        QTest::keyClick(&view(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(delegate->windowState().tab(), 1);
        QCOMPARE(QApplication::focusWidget(), view().journal()->search());
        for (const QWidget* control : view().findChildren<QWidget*>()) {
            const auto* button = qobject_cast<const QAbstractButton*>(control);
            if (!button && !qobject_cast<const QLineEdit*>(control)) continue;
            // Parts of the toolkit's own controls (a clear button, a table's corner) take no focus.
            if (control->focusPolicy() == Qt::NoFocus) continue;
            QVERIFY2(!control->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                     control->metaObject()->className());
        }
        delegate->windowState().setTab(0);
        QListView& list = *view().programs()->list();
        const QString read = list.model()->index(0, 0).data(Qt::AccessibleTextRole).toString();
        QVERIFY(read.startsWith("Browser, 2 "));
        QCOMPARE(firstPicker()->pill(RuleAction::block)->accessibleName(),
                 QString("Block ads.tracker.example"));
        QCOMPARE(firstPicker()->pill(RuleAction::ask)->accessibleName(),
                 QString("Ask next time about ads.tracker.example"));
        const auto icons = list.findChildren<AppIcon*>();
        QVERIFY(std::ranges::any_of(icons, [](const AppIcon* icon) {
            return icon->isPlaceholder() && icon->accessibleName() == "icon of Browser";
        }));
        // Enter presses a focused pill; the card drawn anew keeps the focus on the same pill.
        firstPicker()->pill(RuleAction::block)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::block);
        QTRY_COMPARE(QApplication::focusWidget(), firstPicker()->pill(RuleAction::block));
        QTest::keyClick(&view(), Qt::Key_Escape);
        QVERIFY(!view().isVisible());
    }

    void appearanceLabelsAndBadges() {
        launch("Mail");
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QApplication::setPalette(dark);
        QCOMPARE(view().palette().color(QPalette::Window), QColor::fromRgba(Palette::bg.dark));
        QApplication::setPalette(light);
        QCOMPARE(view().palette().color(QPalette::Window), QColor::fromRgba(Palette::bg.light));
        // Wrapped labels measure new text and fonts anew.
        WrappedLabel label("Short");
        const int oneLine = label.heightForWidth(120);
        label.setText("A sentence long enough to need several lines at this width");
        const int lines = label.heightForWidth(120);
        QVERIFY(lines > oneLine);
        QFont larger = label.font();
        larger.setPointSize(larger.pointSize() * 2);
        label.setFont(larger);
        QVERIFY(label.heightForWidth(120) > lines);
        // A badge is a translucent fill behind a text of another colour.
        Badge telemetry(Category::telemetry, Lang::en);
        QVERIFY(telemetry.fill().alphaF() < 0.2);
        QVERIFY(telemetry.textColor() != QColor(telemetry.fill().rgb()));
        QVERIFY(telemetry.sizeHint().width() >
                QFontMetrics(telemetry.font()).horizontalAdvance(telemetry.text()));
    }

    // Buttons that do not fit in one row go on to a second, kept to the right when so aligned.
    void flowLayoutWrapsToASecondRow() {
        QWidget box;
        auto* flow = new FlowLayout(&box, 4);
        flow->setAlignment(Qt::AlignRight);
        for (int i = 0; i < 3; ++i) {
            auto* button = new QPushButton;
            button->setFixedSize(100, 20);
            flow->addWidget(button);
        }
        QCOMPARE(flow->heightForWidth(308), 20);
        QCOMPARE(flow->heightForWidth(250), 44);
        flow->setGeometry(QRect(0, 0, 250, 44));
        QCOMPARE(flow->itemAt(0)->geometry(), QRect(46, 0, 100, 20));
        QCOMPARE(flow->itemAt(2)->geometry(), QRect(150, 24, 100, 20));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
