// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal_table.h"

#include <unordered_map>

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include "badge.h"
#include "observe/traffic_rate.h"
#include "present/explainer.h"
#include "present/window_texts.h"
#include "view_style.h"

using ViewStyle::qt;

namespace {

QString timeOfDay(const QTime& time) {
    return QLocale().toString(time, QLocale::ShortFormat);
}

QString timeOfDay(const Dates::TimePoint& time) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch());
    return timeOfDay(QDateTime::fromSecsSinceEpoch(seconds.count()).time());
}

bool sameKeys(const std::vector<JournalEntry>& a, const std::vector<JournalEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].day != b[i].day || a[i].app != b[i].app || a[i].dest != b[i].dest) return false;
    return true;
}

constexpr int whoPadding = 4;
// Room a cell leaves around its text.
constexpr int cellPadding = 16;
// A traffic figure as wide as any: three digits, a decimal and the unit.
constexpr double widestSize = 999.9e6;
constexpr int whoSpacing = 6;

} // namespace

JournalTable::JournalTable(QObject* parent) : QAbstractTableModel(parent) {}

void JournalTable::show(std::vector<JournalEntry> rows, Lang lang, const QFont& body) {
    if (lang != lang_ || body != body_) {
        beginResetModel();
        rows_ = std::move(rows);
        lang_ = lang;
        body_ = body;
        endResetModel();
        return;
    }
    if (!sameKeys(rows_, rows)) {
        relayout(std::move(rows));
        return;
    }
    int first = -1, lastChanged = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows_[i] == rows[i]) continue;
        rows_[i] = std::move(rows[i]);
        if (first < 0) first = static_cast<int>(i);
        lastChanged = static_cast<int>(i);
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(lastChanged, columns - 1));
}

void JournalTable::relayout(std::vector<JournalEntry> rows) {
    emit layoutAboutToBeChanged();
    std::unordered_map<std::string, int> rowOf;
    rowOf.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        rowOf.emplace(rows[i].id(), static_cast<int>(i));
    const QModelIndexList held = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex& old : held) {
        const auto found = rowOf.find(rows_[static_cast<size_t>(old.row())].id());
        moved << (found == rowOf.end() ? QModelIndex() : createIndex(found->second, old.column()));
    }
    rows_ = std::move(rows);
    changePersistentIndexList(held, moved);
    emit layoutChanged();
}

bool JournalTable::setTitles(const QStringList& titles) {
    if (titles == titles_) return false;
    titles_ = titles;
    emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
    return true;
}

int JournalTable::width(int column, Lang lang) const {
    const QString text = longest(column, lang);
    return text.isEmpty() ? 0 : QFontMetrics(font(column)).horizontalAdvance(text) + cellPadding;
}

QString JournalTable::longest(int column, Lang lang) const {
    switch (column) {
    case day:
        return QStringLiteral("2026-12-31");
    case last:
        return timeOfDay(QTime(20, 58, 58));
    case sent:
    case received:
        return qt(RateText::size(widestSize, lang));
    case blocked:
        // The rule's name that may follow is cut, and read in full in the tool tip.
        return qt(WindowTexts::text(WindowTexts::Key::blocked, lang)) + QStringLiteral(" …");
    }
    return {};
}

QVariant JournalTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return titles_.value(section);
    // The blocked column has no title on screen.
    if (orientation == Qt::Horizontal && role == Qt::AccessibleTextRole)
        return section == blocked ? qt(WindowTexts::text(WindowTexts::Key::blocked, lang_))
                                  : titles_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

int JournalTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int JournalTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Column::columns;
}

QString JournalTable::text(const JournalEntry& entry, int column) const {
    switch (column) {
    case day:
        return qt(entry.day);
    case program:
        return qt(entry.app);
    case address:
        if (entry.incoming)
            return qt(entry.dest + " (" + WindowTexts::text(WindowTexts::Key::incoming, lang_) +
                      ")");
        return qt(entry.dest);
    case who:
        return entry.company ? qt(*entry.company) : QString();
    case last:
        return timeOfDay(entry.last);
    case sent:
        return qt(RateText::size(static_cast<double>(entry.bytesOut), lang_));
    case received:
        return qt(RateText::size(static_cast<double>(entry.bytesIn), lang_));
    case blocked:
        if (!entry.blocked) return {};
        // The rule that blocked it, when one of the user's did.
        if (entry.ruleTarget)
            return qt(WindowTexts::blockedBy(*entry.ruleTarget, entry.ruleProgram, lang_));
        return qt(WindowTexts::text(WindowTexts::Key::blocked, lang_));
    }
    return {};
}

QFont JournalTable::font(int column) const {
    switch (column) {
    case day:
    case address:
        return ViewStyle::monospaced(ViewStyle::caption());
    case who:
    case blocked:
        return ViewStyle::caption();
    }
    return body_;
}

QVariant JournalTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size()) return {};
    const JournalEntry& entry = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(entry, index.column());
    case Qt::FontRole:
        return font(index.column());
    case Qt::ForegroundRole:
        if (index.column() == blocked) return ViewStyle::signal(SignalColor::red);
        return {};
    case categoryRole:
        return static_cast<int>(entry.category);
    case labelRole:
        return qt(Explainer::label(entry.category, lang_));
    case Qt::AccessibleTextRole:
        // The "who" cell shows its category as a painted pill only; the blocked one is blank
        // when the connection was not blocked.
        if (index.column() == who)
            return (qt(Explainer::label(entry.category, lang_)) + " " + text(entry, who)).trimmed();
        if (index.column() == blocked && !entry.blocked)
            return qt(WindowTexts::text(WindowTexts::Key::notBlocked, lang_));
        return text(entry, index.column());
    }
    return {};
}

void JournalWhoPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const auto category = static_cast<Category>(index.data(JournalTable::categoryRole).toInt());
    QRect area = option.rect.adjusted(whoPadding, 0, -whoPadding, 0);
    const QRectF pill =
        Badge::paint(*painter, area, category, index.data(JournalTable::labelRole).toString());
    area.setLeft(static_cast<int>(pill.right()) + whoSpacing);
    painter->setFont(ViewStyle::caption());
    painter->setPen(option.palette.color(QPalette::Text));
    const QString company = index.data(Qt::DisplayRole).toString();
    painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(company, Qt::ElideRight, area.width()));
}
