// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_view.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app_delegate.h"
#include "journal_view.h"
#include "model.h"
#include "palette.h"
#include "present/credits.h"
#include "present/signal_color.h"
#include "present/source_text.h"
#include "present/window_texts.h"
#include "programs_view.h"
#include "rules_view.h"
#include "settings_view.h"
#include "status_icon.h"
#include "view_style.h"
#include "window_state.h"

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// The window's name is drawn this much larger than the body text.
constexpr qreal nameScale = 2.2;

QString colored(const QString& text, const QColor& color) {
    return QString("<span style=\"color:%1\">%2</span>").arg(color.name(), text.toHtmlEscaped());
}

} // namespace

MainView::MainView(Model& model, WindowState& state, QPointer<AppDelegate> delegate,
                   QWidget* parent)
    : QWidget(parent), model_(model), state_(state), delegate_(std::move(delegate)) {
    // On a screen too small for the window at its font's size, the whole content scrolls.
    auto* scroller = new QScrollArea;
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroller);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header());
    tabs_ = new QTabBar;
    tabs_->setExpanding(false);
    for (int tab = 0; tab < 4; ++tab)
        tabs_->addTab(QString());
    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(16, 0, 16, 10);
    tabRow->addWidget(tabs_);
    tabRow->addStretch();
    layout->addLayout(tabRow);
    content_ = new QStackedWidget;
    programs_ = new ProgramsView(model_, state_);
    journal_ = new JournalView(model_, delegate_);
    rules_ = new RulesView(model_);
    settings_ = new SettingsView(model_);
    for (QWidget* view : std::initializer_list<QWidget*>{programs_, journal_, rules_, settings_})
        content_->addWidget(view);
    layout->addWidget(content_, 1);
    layout->addWidget(footer());
    scroller->setWidget(page);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) { state_.setTab(tab); });
    connect(&model_, &Model::changed, this, &MainView::refreshFrame);
    connect(&state_, &WindowState::changed, this, &MainView::refreshFrame);
    qApp->installEventFilter(this);
    addShortcuts();
    refreshFrame();
}

void MainView::addShortcuts() {
    const auto bind = [this](std::initializer_list<QKeySequence> keys, auto action) {
        for (const QKeySequence& key : keys)
            connect(new QShortcut(key, this), &QShortcut::activated, this, action);
    };
    bind({Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown}, [this] { stepTab(1); });
    // Shift turns Tab into Backtab, with or without Shift still reported.
    bind({Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Qt::CTRL | Qt::Key_Backtab,
          Qt::CTRL | Qt::Key_PageUp},
         [this] { stepTab(-1); });
    bind({Qt::Key_Escape, Qt::CTRL | Qt::Key_W}, [this] { window()->close(); });
    bind({Qt::CTRL | Qt::Key_Q}, [this] { model_.quit(); });
    bind({Qt::CTRL | Qt::Key_F}, [this] {
        state_.setTab(1);
        journal_->search()->setFocus(Qt::ShortcutFocusReason);
        journal_->search()->selectAll();
    });
}

void MainView::stepTab(int step) {
    state_.setTab((state_.tab() + step + tabs_->count()) % tabs_->count());
}

QWidget* MainView::header() {
    auto* band = new QWidget;
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(12);
    dot_ = new QLabel;
    row->addWidget(dot_);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    name_ = new QLabel("Nattervane");
    QFont nameFont = name_->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * nameScale);
    nameFont.setBold(true);
    name_->setFont(nameFont);
    statusLine_ = ViewStyle::wrapped(QString());
    column->addWidget(name_);
    column->addWidget(statusLine_);
    row->addLayout(column, 1);
    blockNew_ = new QCheckBox;
    quiet_ = new QCheckBox;
    row->addWidget(blockNew_);
    row->addWidget(quiet_);
    connect(blockNew_, &QCheckBox::toggled, this, [this] { model_.toggleBlockNew(); });
    connect(quiet_, &QCheckBox::toggled, this, [this](bool on) {
        Settings settings = model_.settings();
        settings.quiet = on;
        model_.setSettings(settings);
    });
    return band;
}

QWidget* MainView::footer() {
    footerBand_ = new QWidget;
    footerBand_->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(footerBand_);
    row->setContentsMargins(16, 8, 16, 8);
    // The source line wraps rather than run into the maker's line.
    footerText_ = ViewStyle::wrapped(QString());
    footerText_->setObjectName("footer");
    credit_ = new QLabel;
    credit_->setOpenExternalLinks(false);
    connect(credit_, &QLabel::linkActivated, this,
            [this] { model_.desktop().openUrl(Credits::makerSite()); });
    for (QLabel* label : {footerText_, credit_}) {
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        label->setFont(font);
    }
    row->addWidget(footerText_, 1);
    row->addWidget(credit_);
    return footerBand_;
}

void MainView::refresh() {
    refreshFrame();
    programs_->refresh();
    journal_->refresh();
    rules_->refresh();
    settings_->refresh();
}

bool MainView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) refresh();
    return QWidget::eventFilter(watched, event);
}

void MainView::refreshFrame() {
    const Lang lang = model_.lang();
    setPalette(Palette::window());
    setAutoFillBackground(true);
    QPalette band = palette();
    band.setColor(QPalette::Window, Palette::of(Palette::card));
    footerBand_->setPalette(band);

    const Settings& settings = model_.settings();
    const SignalColor state =
        SignalColors::state(settings.paused, model_.adsNow(), model_.trackingNow());
    const QColor dotColor = state == SignalColor::green
                                ? Palette::of(Palette::green)
                                : StatusIcon::color(state, Palette::isDark());
    // Drawn again only when its colour changes: a new picture relays the header out.
    if (dotColor != dotColor_) {
        dotColor_ = dotColor;
        dot_->setPixmap(QPixmap::fromImage(StatusIcon::stateDot(state, dotColor, 16)));
        dot_->setFixedSize(16, 16);
        dot_->setScaledContents(true);
    }
    name_->setText(colored("Nattervane", Palette::of(Palette::gold)));
    const QString status = delegate_ ? qt(delegate_->statusLine()) : QString();
    statusLine_->setText(colored(status, Palette::of(Palette::muted)));
    dot_->setAccessibleName(status);

    const QSignalBlocker blockNewQuiet(blockNew_), quietQuiet(quiet_), tabsQuiet(tabs_);
    blockNew_->setText(qt(WindowTexts::text(WindowTexts::Key::blockEverythingNew, lang)));
    blockNew_->setChecked(model_.rules().blockNew);
    quiet_->setText(qt(WindowTexts::text(WindowTexts::Key::quiet, lang)));
    quiet_->setChecked(settings.quiet);
    const int tab = state_.tab();
    // The tab bar lays itself out again at every title set, even an unchanged one.
    for (int index = 0; index < 4; ++index)
        if (const QString title = qt(WindowTexts::tabName(index, lang));
            tabs_->tabText(index) != title)
            tabs_->setTabText(index, title);
    tabs_->setCurrentIndex(tab);
    content_->setCurrentIndex(tab);

    footerText_->setText(
        colored(qt(WindowTexts::footer(SourceText::describe(model_.source(), model_.lang()),
                                       model_.trackerListCount(), lang, model_.platform().wording)),
                Palette::of(Palette::muted)));
    credit_->setText(QString("<a href=\"%1\" style=\"color:%2; text-decoration:none\">%3</a>")
                         .arg(qt(Credits::makerSite()), Palette::of(Palette::gold).name(),
                              qt(Credits::makerLine()).toHtmlEscaped()));
}
