// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_delegate.h"

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QScreen>

#include "base/atomic_file.h"
#include "desktop/launch_options.h"
#include "model.h"
#include "present/credits.h"
#include "present/menu_texts.h"
#include "present/status_menu.h"
#include "present/status_text.h"
#include "present/window_texts.h"
#include "snapshot.h"
#include "status_icon.h"
#include "status_item.h"
#include "tray_menu.h"
#include "window/button_style.h"
#include "window/main_view.h"
#include "window/palette.h"
#include "window/question_window.h"

namespace {

constexpr QSize windowSize(980, 640);
// The least size in average characters and lines of the window's font: what its content needs
// at that font without being cut, found by looking at it from 9 to 14 points.
constexpr QSize minimumWindowText(128, 34);
constexpr auto trayPollPeriod = std::chrono::seconds(2);
constexpr int hintPeriod = 12000;

QSize leastSize(const QWidget& window) {
    const QFontMetrics metrics(window.font());
    return {metrics.averageCharWidth() * minimumWindowText.width(),
            metrics.height() * minimumWindowText.height()};
}

} // namespace

AppDelegate::AppDelegate(Model& model, QObject* parent) : QObject(parent), model_(model) {
    trayWatch_.setObjectName("trayWatch");
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
        trayWatch_.stop();
        dock();
    });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch(const QStringList& arguments) {
    ButtonStyle::install();
    connect(&menu_, &QMenu::aboutToShow, this, [this] { rebuildMenu(menu_); });
    // The connection ends with this object, so the Model never reaches a destroyed delegate.
    connect(&model_, &Model::changed, this, &AppDelegate::updateIcon);
    connect(&model_.held(), &HeldQuestions::arrived, this, &AppDelegate::asked);
    connect(&model_, &Model::detailsWanted, this,
            [this](const std::string& app) { showProgram(app); });
    qApp->installEventFilter(this);
    model_.start();
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    if (tray)
        dock();
    else
        trayWatch_.start(trayPollPeriod);
    std::vector<std::string> words;
    for (const QString& argument : arguments)
        words.push_back(argument.toStdString());
    if (!tray || LaunchOptions::opensWindow(words, LaunchOptions::variable("NATTERVANE_OPEN")))
        openWindow();
    if (const auto directory = LaunchOptions::variable("NATTERVANE_SNAPSHOT")) {
        snapshot_ = std::make_unique<Snapshot>(*this, model_, QString::fromStdString(*directory));
        snapshot_->start();
    }
}

void AppDelegate::dock() {
    item_ = std::make_unique<QSystemTrayIcon>();
    iconColours_.reset();
    item_->setContextMenu(&menu_);
    connect(item_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) activate();
            });
    updateIcon();
    item_->show();
    StatusItem::publish(item_.get());
    hintOnce();
}

void AppDelegate::hintOnce() {
    const std::string marker = model_.paths().trayHintShown();
    std::error_code error;
    // Shown only when it can be remembered, so that it never comes at every start.
    if (std::filesystem::exists(marker, error) || !AtomicFile::write(marker, "")) return;
    using WindowTexts::Key;
    const auto text = [this](Key key) {
        return QString::fromStdString(
            WindowTexts::text(key, model_.lang(), model_.platform().wording));
    };
    item_->showMessage(text(Key::trayHintTitle), text(Key::trayHintBody),
                       QSystemTrayIcon::Information, hintPeriod);
}

void AppDelegate::activate() {
    // An icon docked in an XEmbed tray is a window of ours with a place on the screen. A
    // StatusNotifierItem host draws the icon and the exported menu itself and tells nothing of
    // where: there a menu of ours would have no place to open at, and on Wayland it would become
    // a window of its own.
    const QRect icon = item_->geometry();
    if (icon.isEmpty()) {
        openWindow();
        return;
    }
    menu_.popup(menuPosition(icon));
}

QPoint AppDelegate::menuPosition(const QRect& icon) {
    rebuildMenu(menu_);
    const QSize size = menu_.sizeHint();
    const QScreen* screen = QGuiApplication::screenAt(icon.center());
    const QRect area = screen ? screen->availableGeometry() : QRect(icon.bottomLeft(), size);
    // Below the icon when the menu fits there, as from a panel at the top; else above it.
    const int below = icon.bottom() + 1;
    const int y = below + size.height() <= area.bottom() + 1 ? below : icon.top() - size.height();
    const int x = std::clamp(icon.left(), area.left(),
                             std::max(area.left(), area.right() + 1 - size.width()));
    return {x, std::max(area.top(), y)};
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) updateIcon();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::updateIcon() {
    if (!item_) return;
    // A new picture is drawn at six sizes and sent to the tray: only when its colours change.
    const std::pair colours{stateShade(), labelColor()};
    if (colours != iconColours_) {
        iconColours_ = colours;
        item_->setIcon(StatusIcon::icon(stateColor(), colours.first, colours.second));
    }
    if (const QString tip = QString::fromStdString(statusLine()); tip != item_->toolTip())
        item_->setToolTip(tip);
    // A StatusNotifierItem host reads the exported menu before it asks it to update, and shows
    // what it read: the menu is kept filled.
    if (item_->geometry().isEmpty()) rebuildMenu(menu_);
}

std::string AppDelegate::statusLine() const {
    std::string line = StatusText::statusLine(model_.settings().paused, model_.apps().size(),
                                              model_.trackingNow(), model_.lang());
    if (const std::optional<std::string> aside = model_.rulesSetAsideLine()) line += " · " + *aside;
    return line;
}

SignalColor AppDelegate::stateColor() const {
    return SignalColors::state(model_.settings().paused, model_.adsNow(), model_.trackingNow());
}

QColor AppDelegate::labelColor() {
    return QGuiApplication::palette().color(QPalette::WindowText);
}

QColor AppDelegate::stateShade() const {
    const bool dark = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    return StatusIcon::color(stateColor(), dark);
}

QImage AppDelegate::statusImage() const {
    return StatusIcon::image(stateColor(), stateShade(), labelColor());
}

std::vector<MenuEntry> AppDelegate::menuEntries() const {
    const Settings& settings = model_.settings();
    return StatusMenu::build({model_.apps(), model_.rules(), settings.quiet, settings.paused,
                              model_.helper().installed(), model_.helper().status(), model_.lang(),
                              model_.platform().wording, model_.programRulesLapse(),
                              model_.held().waitingCount()});
}

void AppDelegate::rebuildMenu(QMenu& menu) {
    // The helper may have applied a change since the last scan.
    model_.refreshHelperStatus();
    const bool dark = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    std::vector<MenuEntry> entries = menuEntries();
    // Refilling an unchanged menu would only make a host read it again.
    if (&menu == &menu_ && !menu_.isEmpty() && entries == filled_ && dark == filledDark_) return;
    TrayMenu::fill(
        menu, entries, [this](const MenuEntry& entry) { perform(entry); }, dark);
    if (&menu == &menu_) {
        filled_ = std::move(entries);
        filledDark_ = dark;
    }
}

void AppDelegate::perform(const MenuEntry& entry) {
    switch (entry.command) {
    case MenuCommand::none:
        break;
    case MenuCommand::ruleClicked:
        ruleClicked(entry.subject);
        break;
    case MenuCommand::blockApp:
        if (const auto* row = std::get_if<AppRow>(&entry.subject)) model_.blockAllOf(*row);
        break;
    case MenuCommand::openApp:
        openApp(entry.subject);
        break;
    case MenuCommand::toggleBlockNew:
        model_.toggleBlockNew();
        break;
    case MenuCommand::toggleQuiet:
        flip(&Settings::quiet);
        break;
    case MenuCommand::togglePause:
        // Resuming scans at once.
        if (!flip(&Settings::paused)) model_.scan();
        break;
    case MenuCommand::installHelper:
        model_.offerHelper();
        break;
    case MenuCommand::removeHelper:
        model_.uninstallHelper(false);
        break;
    case MenuCommand::openWindow:
        openWindow();
        break;
    case MenuCommand::openQuestions:
        openQuestions();
        break;
    case MenuCommand::openJournal:
        windowState_.setTab(1);
        openWindow();
        break;
    case MenuCommand::wipeJournal:
        confirmWipe();
        break;
    case MenuCommand::openSite:
        model_.desktop().openUrl(Credits::makerSite());
        break;
    case MenuCommand::quit:
        model_.quit();
        break;
    }
}

void AppDelegate::ruleClicked(const MenuSubject& subject) {
    const auto* choice = std::get_if<RuleChoice>(&subject);
    if (!choice) return;
    const auto current =
        StatusMenu::currentAction(model_.rules(), choice->connection, choice->scope);
    model_.setRule(choice->connection, StatusMenu::afterClick(current, choice->action),
                   choice->scope);
}

void AppDelegate::openApp(const MenuSubject& subject) {
    const auto* name = std::get_if<std::string>(&subject);
    showProgram(name ? std::optional(*name) : std::nullopt);
}

void AppDelegate::showProgram(const std::optional<std::string>& app) {
    windowState_.setSelectedApp(app);
    windowState_.setTab(0);
    openWindow();
}

bool AppDelegate::flip(bool Settings::*setting) {
    Settings settings = model_.settings();
    settings.*setting = !(settings.*setting);
    model_.setSettings(settings);
    return settings.*setting;
}

void AppDelegate::confirmWipe() {
    using MenuTexts::Key;
    const Lang lang = model_.lang();
    const platform::Wording wording = model_.platform().wording;
    const Question question{MenuTexts::text(Key::wipeQuestion, lang, wording),
                            MenuTexts::text(Key::wipeExplanation, lang, wording),
                            {MenuTexts::text(Key::wipeConfirm, lang, wording),
                             MenuTexts::text(Key::wipeCancel, lang, wording)}};
    if (model_.ask(question) == 0u) model_.wipeJournal();
}

void AppDelegate::openWindow() {
    if (!window_) {
        window_ = std::make_unique<MainView>(model_, windowState_, QPointer<AppDelegate>(this));
        window_->setWindowTitle("Nattervane");
        const QScreen* screen = QGuiApplication::primaryScreen();
        // Never more than the screen holds: there, the content scrolls.
        const QSize room =
            screen ? screen->availableGeometry().size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QSize least = leastSize(*window_).boundedTo(room);
        window_->setMinimumSize(least);
        window_->resize(windowSize.expandedTo(least).boundedTo(room));
        if (screen) window_->move(screen->availableGeometry().center() - window_->rect().center());
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void AppDelegate::asked(uint64_t id) {
    const bool closed = !questions_ || questions_->isHidden();
    openQuestions();
    if (closed) model_.postHeld(id);
}

void AppDelegate::openQuestions() {
    if (!questions_) questions_ = std::make_unique<QuestionWindow>(model_);
    questions_->present();
}
