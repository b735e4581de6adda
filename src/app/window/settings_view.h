// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "store/settings.h"

class Model;

// The Settings tab: Blocking (the helper, the tracker-list switch, two sentences on what blocking
// does with the details behind "More"), Watching (interval, local traffic, quiet mode, pause,
// start at login), Language and Privacy (with the system journal switch). Every control writes
// the Model or the entry at once.
class SettingsView : public QScrollArea {
    Q_OBJECT

  public:
    explicit SettingsView(Model& model, QWidget* parent = nullptr);

    void refresh();

    QLabel* helperLine() const { return helperLine_; }
    QPushButton* helperButton() const { return helperButton_; }
    QCheckBox* blockListed() const { return blockListed_; }
    QComboBox* interval() const { return interval_; }
    QCheckBox* showLocal() const { return showLocal_; }
    QCheckBox* quiet() const { return quiet_; }
    QCheckBox* pause() const { return pause_; }
    // Let through or block once what is not answered in time; how asking works now.
    QComboBox* atDeadline() const { return atDeadline_; }
    QLabel* askingLine() const { return askingLine_; }
    QComboBox* language() const { return language_; }
    // Absent where the system keeps no per-user autostart entries.
    QCheckBox* startAtLogin() const { return startAtLogin_; }
    QPushButton* moreButton() const { return more_; }
    QLabel* blockingDetails() const { return howItWorks_; }
    QCheckBox* exportJournal() const { return exportJournal_; }
    QLabel* exportLabel() const { return exportLabel_; }
    // The notice about settings or journal files that could not be used, hidden without one.
    QLabel* fileNotice() const { return fileNotice_; }

  private:
    QLabel* section(QVBoxLayout* column);
    QVBoxLayout* group(QVBoxLayout* column);
    void blocking(QVBoxLayout* column);
    void watching(QVBoxLayout* column);
    void asking(QVBoxLayout* inner);
    void relabelAsking(Lang lang);
    void languageSection(QVBoxLayout* column);
    void privacy(QVBoxLayout* column);
    // Stores one switch of the settings and saves them.
    void store(bool Settings::*setting, bool on);
    // Writes or removes the autostart entry that starts this very program.
    void setStartAtLogin(bool on);
    void restyle();

    Model& model_;
    // The appearance (dark) and helper state (installed) the frames and the dot show.
    std::optional<std::pair<bool, bool>> styled_;
    QLabel* fileNotice_ = nullptr;
    std::vector<QLabel*> titles_;
    std::vector<QFrame*> groups_;
    QLabel* helperDot_ = nullptr;
    QLabel* helperLine_ = nullptr;
    QPushButton* helperButton_ = nullptr;
    QCheckBox* blockListed_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* more_ = nullptr;
    QLabel* howItWorks_ = nullptr;
    QLabel* intervalLabel_ = nullptr;
    QComboBox* interval_ = nullptr;
    QCheckBox* showLocal_ = nullptr;
    QCheckBox* quiet_ = nullptr;
    QCheckBox* pause_ = nullptr;
    QLabel* atDeadlineLabel_ = nullptr;
    QComboBox* atDeadline_ = nullptr;
    QLabel* askingLine_ = nullptr;
    std::optional<std::string> autostartEntry_;
    QCheckBox* startAtLogin_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QComboBox* language_ = nullptr;
    QLabel* statement_ = nullptr;
    QCheckBox* exportJournal_ = nullptr;
    QLabel* exportLabel_ = nullptr;
    QLabel* exportReaders_ = nullptr;
    QLabel* credit_ = nullptr;
    QLabel* maker_ = nullptr;
};
