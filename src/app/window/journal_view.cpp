// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal_view.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app_delegate.h"
#include "flow_layout.h"
#include "journal_table.h"
#include "model.h"
#include "palette.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "table_style.h"
#include "view_style.h"

using ViewStyle::qt;
using WindowTexts::Key;

namespace {

// The search field is at most this many average characters wide.
constexpr int searchCharacters = 42;
// Room beside the hint for the frame and the clear button, in average characters.
constexpr int searchPadding = 5;

} // namespace

JournalView::JournalView(Model& model, QPointer<AppDelegate> delegate, QWidget* parent)
    : QWidget(parent), model_(model), delegate_(std::move(delegate)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 0, 16, 0);
    column->setSpacing(8);
    // The controls take a second line when the text is too large for one.
    auto* header = new FlowLayout(nullptr, 8);
    search_ = new QLineEdit;
    search_->setMaximumWidth(search_->fontMetrics().averageCharWidth() * searchCharacters);
    search_->setClearButtonEnabled(true);
    onlyTrackers_ = new QCheckBox;
    period_ = new QComboBox;
    // The note and the button keep to the right of their line; the note wraps.
    auto* end = new QWidget;
    end->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* endRow = new QHBoxLayout(end);
    endRow->setContentsMargins(0, 0, 0, 0);
    note_ = ViewStyle::wrapped(QString(), ViewStyle::caption());
    note_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    wipe_ = new QPushButton;
    endRow->addWidget(note_, 1);
    endRow->addWidget(wipe_);
    for (QWidget* control : std::initializer_list<QWidget*>{search_, onlyTrackers_, period_, end})
        header->addWidget(control);
    column->addLayout(header);
    rows_ = new JournalTable(this);
    table_ = new QTableView;
    TableStyle::apply(table_);
    table_->setModel(rows_);
    table_->setItemDelegateForColumn(JournalTable::who, new JournalWhoPainter(table_));
    column->addWidget(table_, 1);
    connect(search_, &QLineEdit::textChanged, this, &JournalView::fillTable);
    connect(onlyTrackers_, &QCheckBox::toggled, this, &JournalView::fillTable);
    connect(period_, &QComboBox::activated, this, &JournalView::fillTable);
    connect(wipe_, &QPushButton::clicked, this, [this] {
        if (delegate_) delegate_->confirmWipe();
    });
    connect(&model_, &Model::changed, this, &JournalView::refresh);
    refresh();
}

void JournalView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) fillTable();
}

void JournalView::refresh() {
    const Lang lang = model_.lang();
    const platform::Wording wording = model_.platform().wording;
    search_->setPlaceholderText(qt(WindowTexts::text(Key::searchPlaceholder, lang)));
    // Wide enough for its hint, which says what it searches.
    search_->setMinimumWidth(
        std::min(search_->fontMetrics().horizontalAdvance(search_->placeholderText()) +
                     searchPadding * search_->fontMetrics().averageCharWidth(),
                 search_->maximumWidth()));
    search_->setAccessibleName(search_->placeholderText());
    table_->setAccessibleName(qt(WindowTexts::tabName(1, lang)));
    onlyTrackers_->setText(qt(WindowTexts::text(Key::onlyTrackers, lang)));
    fillPeriods(lang);
    note_->setText(qt(WindowTexts::text(Key::journalKept, lang, wording)));
    ViewStyle::setColor(note_, Palette::of(Palette::muted));
    wipe_->setText(qt(WindowTexts::text(Key::deleteJournal, lang)));
    QStringList titles;
    for (Key key : {Key::columnDay, Key::columnProgram, Key::columnAddress, Key::columnWho,
                    Key::columnLast, Key::columnSent, Key::columnReceived})
        titles << qt(WindowTexts::text(key, lang));
    titles << QString();
    if (rows_->setTitles(titles)) {
        std::vector<int> widths;
        for (int column = 0; column < JournalTable::columns; ++column)
            widths.push_back(rows_->width(column, lang));
        TableStyle::sizeColumns(table_->horizontalHeader(), widths, titles);
    }
    fillTable();
}

void JournalView::fillTable() {
    stale_ = !isVisible();
    if (stale_) return;
    const std::string text = search_->text().toStdString();
    const WindowRows::JournalFilter filter{
        text, onlyTrackers_->isChecked(),
        WindowRows::journalPeriods.at(static_cast<size_t>(std::max(0, period_->currentIndex()))),
        model_.now()};
    rows_->show(WindowRows::journal(model_.journalRows(), filter), model_.lang(), font());
}

void JournalView::fillPeriods(Lang lang) {
    const Key keys[] = {Key::periodWeek, Key::periodToday, Key::periodYesterday};
    // Refilled only when the language changed, so an open list is left alone.
    if (period_->count() > 0 && period_->itemText(0) == qt(WindowTexts::text(keys[0], lang)))
        return;
    const int chosen = std::max(0, period_->currentIndex());
    period_->clear();
    for (Key key : keys)
        period_->addItem(qt(WindowTexts::text(key, lang)));
    period_->setCurrentIndex(chosen);
    period_->setAccessibleName(qt(WindowTexts::text(Key::period, lang)));
}
