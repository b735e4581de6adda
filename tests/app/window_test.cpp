#include <QApplication>
#include <QTest>

#include "base/atomic_file.h"
#include "delegate_fixture.h"
#include "window/badge.h"
#include "window/button_style.h"
#include "window/detail_view.h"
#include "window/elided_label.h"
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
        ProgramsView& programs = *view().programs();
        QCOMPARE(programs.list()->count(), 2);
        programs.list()->setCurrentRow(1);
        QCOMPARE(model->selectedApp(), std::optional<std::string>("Mail"));
        QCOMPARE(programs.detail()->row().name, std::string("Mail"));
        // Mail goes offline: the first row shows, the choice stays.
        listing(ssLine(1, "Browser", "203.0.113.5:443"));
        QVERIFY(scanned());
        QCOMPARE(programs.detail()->row().name, std::string("Browser"));
        QCOMPARE(programs.list()->currentRow(), 0);
        QCOMPARE(model->selectedApp(), std::optional<std::string>("Mail"));
        // Back online, it is shown again.
        listing(ssLine(1, "Browser", "203.0.113.5:443") + ssLine(2, "Mail", "198.51.100.8:443"));
        QVERIFY(scanned());
        QCOMPARE(programs.detail()->row().name, std::string("Mail"));
        // Nobody online: the empty text, nothing selected.
        listing("");
        QVERIFY(scanned());
        QVERIFY(!programs.detail());
        QCOMPARE(programs.emptyText()->text(), QString("No programs are online right now."));
    }

    void footerNamesTheListerThatAnswered() {
        launch("Mail");
        QVERIFY(view().findChild<QLabel*>("footer")->text().contains("Source: ss"));
        // This system's own listers, of which the kernel's socket dump answers first.
        delegate.reset();
        model.reset();
        listers = platform::linux().listers;
        makeModel();
        delegate = std::make_unique<AppDelegate>(*model);
        delegate->launch({"nattervane"});
        QVERIFY(scanned());
        QCOMPARE(model->source().lister, std::string("netlink"));
        QVERIFY(view().findChild<QLabel*>("footer")->text().contains("Source: netlink"));
    }

    void rulePillsTintAndClear() {
        launch("Mail");
        model->setSelectedApp("Browser");
        RulePicker* pills = firstPicker();
        QVERIFY(pills);
        QCOMPARE(pills->tinted(), std::nullopt);
        QTest::mouseClick(pills->pill(RuleAction::block), Qt::LeftButton);
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::block);
        QCOMPARE(firstPicker()->tinted(), RuleAction::block);
        // Pressing the tinted pill clears the rule; another replaces it.
        QTest::mouseClick(firstPicker()->pill(RuleAction::block), Qt::LeftButton);
        QCOMPARE(model->rules().action("ads.tracker.example"), std::nullopt);
        QCOMPARE(firstPicker()->tinted(), std::nullopt);
        QTest::mouseClick(firstPicker()->pill(RuleAction::allow), Qt::LeftButton);
        QTest::mouseClick(firstPicker()->pill(RuleAction::ask), Qt::LeftButton);
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::ask);
        QCOMPARE(model->rules().rules.size(), size_t(1));
        // Blocking offered the helper, which the fake desktop declined.
        QVERIFY(!desktop->questions.empty());
        QVERIFY(view().programs()->detail()->findChild<QLabel*>("blockingHint"));
    }

    void journalFilterAndOnlyTrackers() {
        launch("Mail");
        model->setTab(1);
        JournalView& journal = *view().journal();
        QAbstractItemModel& table = *journal.table()->model();
        const int all = table.rowCount();
        QCOMPARE(all, static_cast<int>(model->journalRows().size()));
        QVERIFY(all >= 3);
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
        QCOMPARE(table.rowCount(), all);
        // The wipe asks first; declining keeps the journal.
        QTest::mouseClick(journal.wipeButton(), Qt::LeftButton);
        QCOMPARE(table.rowCount(), all);
        desktop->answers.push_back(0);
        QTest::mouseClick(journal.wipeButton(), Qt::LeftButton);
        QCOMPARE(table.rowCount(), 0);
    }

    void journalUpdatesInPlaceAndOnlyWhenShown() {
        launch("Mail");
        model->setTab(1);
        JournalView& journal = *view().journal();
        QTableView& table = *journal.table();
        const int all = table.model()->rowCount();
        table.setCurrentIndex(table.model()->index(all - 1, 1));
        const QString chosen = table.currentIndex().siblingAtColumn(2).data().toString();
        // A new destination comes first (newest first); the chosen row keeps its key.
        listing(ssLine(1, "Browser", "203.0.113.5:443") + ssLine(1, "Browser", "198.51.100.7:443") +
                ssLine(2, "Mail", "198.51.100.8:443") + ssLine(3, "Chat", "192.0.2.44:443"));
        QVERIFY(scanned());
        QCOMPARE(table.model()->rowCount(), all + 1);
        QCOMPARE(table.currentIndex().siblingAtColumn(2).data().toString(), chosen);
        // Hidden, the tab does no work; shown again it is up to date.
        model->setTab(0);
        listing(ssLine(4, "Games", "192.0.2.45:443"));
        QVERIFY(scanned());
        QCOMPARE(table.model()->rowCount(), all + 1);
        model->setTab(1);
        QCOMPARE(table.model()->rowCount(), static_cast<int>(model->journalRows().size()));
        QCOMPARE(table.model()->rowCount(), all + 2);
    }

    void programLinesShowTheLiveRateInPlace() {
        launch("Mail");
        ProgramsView& programs = *view().programs();
        QWidget* first = programs.list()->itemWidget(programs.list()->item(0));
        QPointer<QLabel> line = first->findChild<QLabel*>("connectionCount");
        QPointer<QLabel> rate = first->findChild<QLabel*>("liveRate");
        QVERIFY(line && rate);
        QCOMPARE(rate->text(), QString());
        *now += 5s;
        listing(ssLine(1, "Browser", "203.0.113.5:443", "tcp", 0, 10000) +
                ssLine(1, "Browser", "198.51.100.7:443") + ssLine(2, "Mail", "198.51.100.8:443"));
        QVERIFY(scanned());
        QVERIFY(line && rate);
        QCOMPARE(line->text(), QString("2 connections · 1 tracker"));
        QCOMPARE(rate->text(), QString("↓ 0 B/s ↑ 2.0 kB/s"));
    }

    void detailSurvivesScansThatChangeOnlyTraffic() {
        launch("Mail");
        model->setSelectedApp("Browser");
        DetailView& detail = *view().programs()->detail();
        QPointer<RulePicker> picker = firstPicker();
        QVERIFY(picker);
        QPointer<QLabel> destination = picker->parentWidget()->findChild<QLabel*>("destination");
        QVERIFY(destination);
        destination->setSelection(0, 3);
        listing(ssLine(1, "Browser", "203.0.113.5:443", "tcp", 5000, 7000) +
                ssLine(1, "Browser", "198.51.100.7:443") + ssLine(2, "Mail", "198.51.100.8:443"));
        QVERIFY(scanned());
        // The same widgets, the selection kept, the new traffic shown.
        QVERIFY(picker && destination);
        QCOMPARE(destination->selectedText(), QString("ads"));
        QVERIFY(picker->parentWidget()->findChild<QLabel*>("traffic")->text().contains("7"));
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
    }

    void removeOneRuleAndAll() {
        launch("Mail");
        for (const AppRow& row : model->apps())
            for (const Connection& connection : row.conns)
                model->setRule(connection, RuleAction::allow);
        RulesView& rules = *view().rules();
        QVERIFY(rules.fileNotice()->isHidden());
        QVERIFY(view().settings()->fileNotice()->isHidden());
        QCOMPARE(rules.table()->rowCount(), 3);
        const QString newest = rules.table()->item(0, 0)->text();
        QTest::mouseClick(rules.removeButton(0), Qt::LeftButton);
        QCOMPARE(rules.table()->rowCount(), 2);
        QVERIFY(!model->rules().action(newest.toStdString()));
        model->toggleBlockNew();
        QVERIFY(model->rules().blockNew);
        const size_t asked = desktop->questions.size();
        QTest::mouseClick(rules.removeAllButton(), Qt::LeftButton);
        QCOMPARE(model->rules(), RuleSet{});
        QVERIFY(desktop->commands.empty());
        QCOMPARE(desktop->questions.size(), asked);
        QCOMPARE(rules.hint()->text(),
                 QString("No rules yet. Open “Programs” and press Allow / Block / Ask."));
    }

    void removeAllWithTheHelperRemovesIt() {
        launch("Mail");
        model->setRule(model->apps().front().conns.front(), RuleAction::allow);
        std::ofstream(descriptor.helperInstalledPath) << "";
        writeExecutable(descriptor.helperUninstallPath,
                        "#!/bin/sh\nrm -f '" + descriptor.helperInstalledPath + "'\n");
        model->refreshHelperStatus();
        QVERIFY(model->helperInstalled());
        // With no status yet the helper reads as plainly on.
        view().settings()->refresh();
        QCOMPARE(view().settings()->helperLine()->text(), QString("On"));
        QCOMPARE(view().settings()->helperButton()->text(),
                 QString("Turn off and remove everything"));
        QTest::mouseClick(view().rules()->removeAllButton(), Qt::LeftButton);
        QCOMPARE(desktop->commands.size(), size_t(1));
        QVERIFY(!model->helperInstalled());
        QVERIFY(model->rules().rules.empty());
        QCOMPARE(view().settings()->helperLine()->text(),
                 QString("Off — rules are only remembered"));
    }

    void settingsSwitchesStoreAndOffer() {
        launch("Mail");
        SettingsView& settings = *view().settings();
        settings.blockListed()->click();
        QVERIFY(model->rules().blockAllListed);
        QCOMPARE(desktop->messages().back(), std::string("Turn on blocking?"));
        const size_t asked = desktop->questions.size();
        settings.blockListed()->click();
        QVERIFY(!model->rules().blockAllListed);
        QCOMPARE(desktop->questions.size(), asked);
        settings.quiet()->click();
        QVERIFY(model->settings().quiet);
        QVERIFY(view().quietSwitch()->isChecked());
        settings.pause()->click();
        QVERIFY(model->settings().paused);
        settings.interval()->activated(2);
        QCOMPARE(model->settings().interval, 15.0);
        // The header switch and the menu read the same value.
        view().blockNewSwitch()->click();
        QVERIFY(model->rules().blockNew);
    }

    void languageSwitchRelabelsAtOnce() {
        launch("Mail");
        view().settings()->language()->activated(2);
        QCOMPARE(model->settings().language, std::string("ru"));
        QPushButton* blockAll = view().programs()->detail()->blockAllButton();
        QCOMPARE((QStringList{view().tabs()->tabText(1), view().journal()->onlyTrackers()->text(),
                              view().rules()->removeAllButton()->text(),
                              view().settings()->pause()->text(), blockAll->text()}),
                 (QStringList{"Журнал", "Только трекеры", "Удалить все правила", "Пауза",
                              "Запретить все её адреса"}));
        QVERIFY(blockAll->sizeHint().width() >=
                blockAll->fontMetrics().horizontalAdvance(blockAll->text()) +
                    ButtonStyle::extraWidth);
        QVERIFY(settled());
    }

    void unusableFilesAreNoticedInTheirOwnTab() {
        std::filesystem::create_directories(dataRoot);
        QVERIFY(AtomicFile::write(paths().rulesFile(), "{\"rules\": ["));
        QVERIFY(AtomicFile::write(paths().settingsFile(), "{\"interval\": \"often\""));
        launch("Mail");
        // Each tab shows one notice, naming the kept copy of its own file only.
        for (const auto& [notice, own, other] :
             {std::tuple{view().rules()->fileNotice(), "rules.json.bad-", "settings.json"},
              {view().settings()->fileNotice(), "settings.json.bad-", "rules.json"}}) {
            const QString text = notice->text();
            QVERIFY2(!notice->isHidden() && text.contains(own) && !text.contains(other) &&
                         !text.contains('\n'),
                     qPrintable(text));
        }
        Settings russian = model->settings();
        russian.language = "ru";
        model->setSettings(russian);
        QVERIFY(view().rules()->fileNotice()->text().startsWith("Файл rules.json"));
    }

    void longProgramNamesEndInAnEllipsis() {
        const QString name = "A program whose name is far too long to fit beside its icon";
        launch(name.toStdString());
        view().resize(980, 640);
        view().show();
        QVERIFY(QTest::qWaitForWindowExposed(&view()));
        const auto labelOf = [](QWidget* parent, const QString& text) -> ElidedLabel* {
            for (ElidedLabel* label : parent->findChildren<ElidedLabel*>())
                if (label->text() == text) return label;
            return nullptr;
        };
        ElidedLabel* listed = labelOf(view().programs()->list(), name);
        QVERIFY(listed);
        QVERIFY(listed->shown().endsWith("…"));
        QVERIFY(listed->fontMetrics().horizontalAdvance(listed->shown()) <= listed->width());
        QCOMPARE(listed->toolTip(), name);
        ElidedLabel* browser = labelOf(view().programs()->list(), "Browser");
        QVERIFY(browser);
        QCOMPARE(browser->shown(), QString("Browser"));
    }

    void wrappedLabelsMeasureNewTextAndFontsAnew() {
        WrappedLabel label("Short");
        const int oneLine = label.heightForWidth(120);
        label.setText("A sentence long enough to need several lines at this width");
        const int lines = label.heightForWidth(120);
        QVERIFY(lines > oneLine);
        QFont larger = label.font();
        larger.setPointSize(larger.pointSize() * 2);
        label.setFont(larger);
        QVERIFY(label.heightForWidth(120) > lines);
    }

    void aSystemAppearanceSwitchRecolours() {
        launch("Mail");
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QApplication::setPalette(dark);
        const QColor darkBackground = view().palette().color(QPalette::Window);
        QApplication::setPalette(light);
        const QColor lightBackground = view().palette().color(QPalette::Window);
        QCOMPARE(darkBackground, QColor::fromRgba(Palette::bg.dark));
        QCOMPARE(lightBackground, QColor::fromRgba(Palette::bg.light));
    }

    void badgeColours() {
        Badge telemetry(Category::telemetry, Lang::en);
        Badge ads(Category::ads, Lang::ru);
        QVERIFY(telemetry.fill().alphaF() < 0.2);
        QVERIFY(telemetry.textColor() != QColor(telemetry.fill().rgb()));
        QCOMPARE(QColor(ads.fill().rgb()), ads.textColor());
        QVERIFY(telemetry.sizeHint().width() >
                QFontMetrics(telemetry.font()).horizontalAdvance(telemetry.text()));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
