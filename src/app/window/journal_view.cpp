#include "journal_view.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLocale>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app_delegate.h"
#include "badge.h"
#include "model.h"
#include "palette.h"
#include "table_style.h"
#include "view_style.h"
#include "window_rows.h"
#include "window_texts.h"

using ViewStyle::qt;
using WindowTexts::Key;

namespace {

constexpr int searchWidth = 300;
// Day, program, address, who, last, sent, blocked; 0 is flexible.
const std::vector<int> widths{80, 0, 0, 0, 70, 80, 70};

QWidget* who(const JournalEntry& entry, Lang lang) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(6);
    row->addWidget(new Badge(entry.category, lang));
    if (entry.company) {
        QLabel* company = ViewStyle::label(qt(*entry.company), ViewStyle::caption());
        company->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(company, 1);
    } else {
        row->addStretch();
    }
    return box;
}

QString timeOfDay(const Dates::TimePoint& time) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch());
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds.count()).time(),
                              QLocale::ShortFormat);
}

} // namespace

JournalView::JournalView(Model& model, QPointer<AppDelegate> delegate, QWidget* parent)
    : QWidget(parent), model_(model), delegate_(std::move(delegate)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 0, 16, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    search_ = new QLineEdit;
    search_->setMaximumWidth(searchWidth);
    search_->setClearButtonEnabled(true);
    onlyTrackers_ = new QCheckBox;
    note_ = new QLabel;
    note_->setFont(ViewStyle::caption());
    wipe_ = new QPushButton;
    header->addWidget(search_, 1);
    header->addWidget(onlyTrackers_);
    header->addStretch();
    header->addWidget(note_);
    header->addWidget(wipe_);
    column->addLayout(header);
    table_ = TableStyle::make(widths);
    column->addWidget(table_, 1);
    connect(search_, &QLineEdit::textChanged, this, &JournalView::fillTable);
    connect(onlyTrackers_, &QCheckBox::toggled, this, &JournalView::fillTable);
    connect(wipe_, &QPushButton::clicked, this, [this] {
        if (delegate_) delegate_->confirmWipe();
    });
    connect(&model_, &Model::changed, this, &JournalView::refresh);
    refresh();
}

void JournalView::refresh() {
    const Lang lang = model_.lang();
    const platform::Wording wording = model_.platform().wording;
    search_->setPlaceholderText(qt(WindowTexts::text(Key::searchPlaceholder, lang)));
    onlyTrackers_->setText(qt(WindowTexts::text(Key::onlyTrackers, lang)));
    note_->setText(qt(WindowTexts::text(Key::journalKept, lang, wording)));
    ViewStyle::setColor(note_, Palette::of(Palette::muted));
    wipe_->setText(qt(WindowTexts::text(Key::deleteJournal, lang)));
    QStringList titles;
    for (Key key : {Key::columnDay, Key::columnProgram, Key::columnAddress, Key::columnWho,
                    Key::columnLast, Key::columnSent})
        titles << qt(WindowTexts::text(key, lang));
    titles << QString();
    TableStyle::setTitles(table_, widths, titles);
    fillTable();
}

void JournalView::fillTable() {
    const Lang lang = model_.lang();
    const std::vector<JournalEntry> rows = WindowRows::journal(
        model_.journalRows(), search_->text().toStdString(), onlyTrackers_->isChecked());
    const int scrolled = table_->verticalScrollBar()->value();
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(rows.size()));
    const QFont body = font();
    const QFont caption = ViewStyle::caption();
    const QFont fixed = ViewStyle::monospaced(caption);
    for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
        const JournalEntry& entry = rows[static_cast<size_t>(index)];
        table_->setItem(index, 0, TableStyle::cell(qt(entry.day), fixed));
        table_->setItem(index, 1, TableStyle::cell(qt(entry.app), body));
        table_->setItem(index, 2, TableStyle::cell(qt(entry.dest), fixed));
        table_->setCellWidget(index, 3, who(entry, lang));
        table_->setItem(index, 4, TableStyle::cell(timeOfDay(entry.last), body));
        table_->setItem(
            index, 5,
            TableStyle::cell(
                QLocale().formattedDataSize(entry.bytesOut, 1, QLocale::DataSizeSIFormat), body));
        if (entry.blocked)
            table_->setItem(index, 6,
                            TableStyle::cell(qt(WindowTexts::text(Key::blocked, lang)), caption,
                                             ViewStyle::signal(SignalColor::red)));
    }
    table_->verticalScrollBar()->setValue(scrolled);
}
