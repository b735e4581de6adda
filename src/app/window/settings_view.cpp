// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include "desktop/autostart.h"
#include "desktop/launch_options.h"
#include "model.h"
#include "palette.h"
#include "present/credits.h"
#include "present/export_texts.h"
#include "present/question_texts.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "rounded_panel.h"
#include "view_style.h"

using ViewStyle::qt;
using WindowTexts::Key;

namespace {

constexpr int formWidth = 640;

// A line of `inner` with `label` on the left and `control` on the right.
void labelled(QVBoxLayout* inner, QLabel* label, QWidget* control) {
    auto* line = new QHBoxLayout;
    line->addWidget(label);
    line->addStretch();
    line->addWidget(control);
    inner->addLayout(line);
}

} // namespace

SettingsView::SettingsView(Model& model, QWidget* parent) : QScrollArea(parent), model_(model) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* page = new QWidget;
    auto* outer = new QHBoxLayout(page);
    outer->setContentsMargins(16, 4, 16, 16);
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    outer->addStretch();
    outer->addLayout(column, formWidth);
    outer->addStretch();
    fileNotice_ = ViewStyle::notice();
    fileNotice_->setContentsMargins(8, 8, 0, 0);
    column->addWidget(fileNotice_);
    blocking(column);
    watching(column);
    languageSection(column);
    privacy(column);
    column->addStretch();
    setWidget(page);
    connect(&model_, &Model::changed, this, &SettingsView::refresh);
    refresh();
}

QLabel* SettingsView::section(QVBoxLayout* column) {
    QFont font = ViewStyle::caption();
    font.setWeight(QFont::DemiBold);
    QLabel* title = ViewStyle::label(QString(), font);
    title->setContentsMargins(8, 8, 0, 0);
    column->addWidget(title);
    titles_.push_back(title);
    return title;
}

QVBoxLayout* SettingsView::group(QVBoxLayout* column) {
    auto* frame = new RoundedPanel(8);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(12, 10, 12, 10);
    inner->setSpacing(8);
    column->addWidget(frame);
    groups_.push_back(frame);
    return inner;
}

void SettingsView::blocking(QVBoxLayout* column) {
    section(column);
    QVBoxLayout* inner = group(column);
    auto* status = new QHBoxLayout;
    helperDot_ = new QLabel;
    helperLine_ = ViewStyle::wrapped(QString());
    helperButton_ = new QPushButton;
    status->addWidget(helperDot_);
    status->addWidget(helperLine_, 1);
    status->addWidget(helperButton_);
    inner->addLayout(status);
    connect(helperButton_, &QPushButton::clicked, this, [this] {
        if (model_.helper().installed())
            model_.uninstallHelper(false);
        else
            model_.installHelper();
    });
    blockListed_ = new QCheckBox;
    inner->addWidget(blockListed_);
    connect(blockListed_, &QCheckBox::toggled, this, [this](bool on) {
        RuleSet rules = model_.rules();
        rules.blockAllListed = on;
        model_.setRules(rules);
        if (on) model_.offerHelperAfterBlocking();
    });
    // Two plain sentences; the details behind "More".
    summary_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    inner->addWidget(summary_);
    more_ = new QPushButton;
    more_->setFlat(true);
    more_->setCursor(Qt::PointingHandCursor);
    auto* moreLine = new QHBoxLayout;
    moreLine->addWidget(more_);
    moreLine->addStretch();
    inner->addLayout(moreLine);
    howItWorks_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    howItWorks_->hide();
    inner->addWidget(howItWorks_);
    connect(more_, &QPushButton::clicked, this, [this] {
        howItWorks_->setVisible(howItWorks_->isHidden());
        refresh();
    });
}

void SettingsView::watching(QVBoxLayout* column) {
    section(column);
    QVBoxLayout* inner = group(column);
    intervalLabel_ = new QLabel;
    interval_ = new QComboBox;
    for (size_t i = 0; i < WindowRows::intervals.size(); ++i)
        interval_->addItem(QString());
    labelled(inner, intervalLabel_, interval_);
    connect(interval_, &QComboBox::activated, this, [this](int index) {
        Settings settings = model_.settings();
        settings.interval = WindowRows::intervals[static_cast<size_t>(index)];
        model_.setSettings(settings);
    });
    showLocal_ = new QCheckBox;
    quiet_ = new QCheckBox;
    pause_ = new QCheckBox;
    for (QCheckBox* box : {showLocal_, quiet_, pause_})
        inner->addWidget(box);
    connect(showLocal_, &QCheckBox::toggled, this, [this](bool on) {
        store(&Settings::showLocal, on);
        model_.scan();
    });
    connect(quiet_, &QCheckBox::toggled, this, [this](bool on) { store(&Settings::quiet, on); });
    connect(pause_, &QCheckBox::toggled, this, [this](bool on) { store(&Settings::paused, on); });
    asking(inner);
    if (model_.platform().xdgAutostart)
        autostartEntry_ = Autostart::entryPath(LaunchOptions::variable("XDG_CONFIG_HOME"),
                                               platform::homeDirectory());
    if (!autostartEntry_) return;
    startAtLogin_ = new QCheckBox;
    inner->addWidget(startAtLogin_);
    connect(startAtLogin_, &QCheckBox::toggled, this, &SettingsView::setStartAtLogin);
}

void SettingsView::asking(QVBoxLayout* inner) {
    atDeadlineLabel_ = new QLabel;
    atDeadline_ = new QComboBox;
    atDeadline_->addItems({QString(), QString()});
    labelled(inner, atDeadlineLabel_, atDeadline_);
    connect(atDeadline_, &QComboBox::activated, this,
            [this](int index) { store(&Settings::blockAtDeadline, index == 1); });
    askingLine_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    inner->addWidget(askingLine_);
}

void SettingsView::relabelAsking(Lang lang) {
    const auto text = [lang](QuestionTexts::Key key) { return qt(QuestionTexts::text(key, lang)); };
    atDeadlineLabel_->setText(text(QuestionTexts::Key::deadlineChoice));
    atDeadline_->setAccessibleName(atDeadlineLabel_->text());
    atDeadline_->setItemText(0, text(QuestionTexts::Key::letThroughOnce));
    atDeadline_->setItemText(1, text(QuestionTexts::Key::blockOnce));
    askingLine_->setText(qt(QuestionTexts::askingWorks(model_.held().hold(), lang)));
}

void SettingsView::setStartAtLogin(bool on) {
    const std::string program = Autostart::program(
        QCoreApplication::applicationFilePath().toStdString(), LaunchOptions::variable("PATH"));
    // A failure is said in the window, and the switch stays as the entry is.
    model_.noteAutostart(on ? Autostart::enable(*autostartEntry_, program)
                            : Autostart::disable(*autostartEntry_));
    refresh();
}

void SettingsView::languageSection(QVBoxLayout* column) {
    section(column);
    QVBoxLayout* inner = group(column);
    languageLabel_ = new QLabel;
    language_ = new QComboBox;
    language_->addItems({QString(), "English", "Русский"});
    labelled(inner, languageLabel_, language_);
    connect(language_, &QComboBox::activated, this, [this](int index) {
        Settings settings = model_.settings();
        settings.language = std::string(WindowRows::languages[static_cast<size_t>(index)]);
        model_.setSettings(settings);
        model_.scan();
    });
}

void SettingsView::privacy(QVBoxLayout* column) {
    section(column);
    QVBoxLayout* inner = group(column);
    statement_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    credit_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    inner->addWidget(statement_);
    exportJournal_ = new QCheckBox;
    connect(exportJournal_, &QCheckBox::toggled, this,
            [this](bool on) { store(&Settings::exportJournal, on); });
    // The label is long: it wraps beside the box rather than widening the window.
    exportLabel_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    exportReaders_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    auto* exportLine = new QHBoxLayout;
    exportLine->addWidget(exportJournal_, 0, Qt::AlignTop);
    exportLine->addWidget(exportLabel_, 1);
    inner->addLayout(exportLine);
    inner->addWidget(exportReaders_);
    inner->addWidget(credit_);
    auto* line = new QHBoxLayout;
    maker_ = ViewStyle::label(QString(), ViewStyle::caption());
    connect(maker_, &QLabel::linkActivated, this,
            [this] { model_.desktop().openUrl(Credits::makerSite()); });
    line->addStretch();
    line->addWidget(maker_);
    inner->addLayout(line);
}

void SettingsView::store(bool Settings::*setting, bool on) {
    Settings settings = model_.settings();
    settings.*setting = on;
    model_.setSettings(settings);
}

void SettingsView::restyle() {
    for (QFrame* frame : groups_)
        frame->update();
    for (QLabel* title : titles_)
        ViewStyle::setColor(title, Palette::of(Palette::muted));
    for (QLabel* text : {summary_, howItWorks_, credit_, exportReaders_, askingLine_})
        ViewStyle::setColor(text, Palette::of(Palette::muted));
    ViewStyle::setColor(more_, Palette::of(Palette::gold));
    ViewStyle::paintDot(helperDot_,
                        model_.helper().installed() ? Palette::of(Palette::green)
                                                    : ViewStyle::signal(SignalColor::gray),
                        9);
}

void SettingsView::refresh() {
    const Lang lang = model_.lang();
    const platform::Wording wording = model_.platform().wording;
    const auto text = [&](Key key) { return qt(WindowTexts::text(key, lang, wording)); };
    // Frames and the dot are drawn again only when the appearance or the helper changed.
    if (const std::pair style{Palette::isDark(), model_.helper().installed()}; style != styled_) {
        styled_ = style;
        restyle();
    }
    ViewStyle::showNotices(fileNotice_, model_.notices(Model::NoticeTab::settings));
    const Key sections[] = {Key::sectionBlocking, Key::sectionWatching, Key::sectionLanguage,
                            Key::sectionPrivacy};
    for (size_t i = 0; i < titles_.size(); ++i)
        titles_[i]->setText(text(sections[i]).toUpper());

    const bool installed = model_.helper().installed();
    helperLine_->setText(qt(WindowTexts::helperState(installed, model_.helper().status(), lang)));
    helperButton_->setText(text(installed ? Key::turnOffAndRemove : Key::turnOnBlocking));
    summary_->setText(text(Key::blockingSummary));
    more_->setText(text(howItWorks_->isHidden() ? Key::more : Key::less));
    howItWorks_->setText(text(Key::howItWorks));
    intervalLabel_->setText(text(Key::checkEvery));
    const Key intervals[] = {Key::seconds3, Key::seconds5, Key::seconds15, Key::minute1};
    for (int i = 0; i < interval_->count(); ++i)
        interval_->setItemText(i, text(intervals[i]));
    showLocal_->setText(text(Key::showLocal));
    quiet_->setText(text(Key::quietMode));
    pause_->setText(text(Key::pause));
    relabelAsking(lang);
    languageLabel_->setText(text(Key::sectionLanguage));
    language_->setItemText(0, text(Key::automatic));
    statement_->setText(qt(
        WindowTexts::privacyStatement(model_.paths().root, QDir::homePath().toStdString(), lang)));
    exportLabel_->setText(qt(ExportTexts::switchLabel(lang)));
    exportJournal_->setAccessibleName(exportLabel_->text());
    exportReaders_->setText(qt(ExportTexts::readers(model_.platform().journalReaderGroups, lang)));
    credit_->setText(qt(Credits::trackerLists(lang)));
    maker_->setText(QString("<a href=\"%1\" style=\"color:%2; text-decoration:none\">%3</a>")
                        .arg(qt(Credits::makerSite()), Palette::of(Palette::gold).name(),
                             qt(Credits::makerLine()).toHtmlEscaped()));

    const Settings& settings = model_.settings();
    const QSignalBlocker a(blockListed_), b(interval_), c(showLocal_), d(quiet_), e(pause_),
        f(language_), g(exportJournal_), h(atDeadline_);
    blockListed_->setText(qt(WindowTexts::blockListed(model_.trackerListCount(), lang)));
    blockListed_->setChecked(model_.rules().blockAllListed);
    const auto intervalIndex = WindowRows::intervalIndex(settings.interval);
    interval_->setCurrentIndex(intervalIndex ? static_cast<int>(*intervalIndex) : -1);
    showLocal_->setChecked(settings.showLocal);
    quiet_->setChecked(settings.quiet);
    pause_->setChecked(settings.paused);
    atDeadline_->setCurrentIndex(settings.blockAtDeadline ? 1 : 0);
    if (startAtLogin_) {
        const QSignalBlocker g(startAtLogin_);
        startAtLogin_->setText(text(Key::startAtLogin));
        startAtLogin_->setChecked(Autostart::isOn(*autostartEntry_));
    }
    exportJournal_->setChecked(settings.exportJournal);
    const auto languageIndex = WindowRows::languageIndex(settings.language);
    language_->setCurrentIndex(languageIndex ? static_cast<int>(*languageIndex) : -1);
}
