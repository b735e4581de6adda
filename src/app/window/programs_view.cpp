// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs_view.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app_icon.h"
#include "detail_view.h"
#include "elided_label.h"
#include "model.h"
#include "observe/traffic_rate.h"
#include "palette.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "view_style.h"

using ViewStyle::qt;

namespace {

// The list takes a third of the tab, between these many average characters of the font.
constexpr int leastListCharacters = 28, mostListCharacters = 48;

} // namespace

ProgramsView::ProgramsView(Model& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    list_ = new QListWidget;
    list_->setMinimumWidth(listWidth());
    list_->setMaximumWidth(fontMetrics().averageCharWidth() * mostListCharacters);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setAccessibleName(qt(WindowTexts::tabName(0, model_.lang())));
    row->addWidget(list_, 1);
    auto* divider = new QWidget;
    divider->setAutoFillBackground(true);
    divider->setFixedWidth(1);
    divider->setObjectName("divider");
    row->addWidget(divider);
    right_ = new QStackedWidget;
    detail_ = new DetailView(model_);
    empty_ = new QLabel;
    empty_->setAlignment(Qt::AlignCenter);
    right_->addWidget(detail_);
    right_->addWidget(empty_);
    row->addWidget(right_, 2);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int index) {
        if (index >= 0 && static_cast<size_t>(index) < lines_.size())
            model_.setSelectedApp(lines_[static_cast<size_t>(index)].name);
    });
    connect(&model_, &Model::changed, this, &ProgramsView::refresh);
    refresh();
}

int ProgramsView::listWidth() const {
    return fontMetrics().averageCharWidth() * leastListCharacters;
}

DetailView* ProgramsView::detail() const {
    return right_->currentWidget() == detail_ ? detail_ : nullptr;
}

void ProgramsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) refresh();
}

void ProgramsView::refresh() {
    // A hidden tab does no work; it catches up when shown.
    stale_ = !isVisible();
    if (stale_) return;
    const Lang lang = model_.lang();
    QWidget* divider = findChild<QWidget*>("divider");
    QPalette line = divider->palette();
    line.setColor(QPalette::Window, Palette::of(Palette::line));
    divider->setPalette(line);
    fillList();
    const AppRow* current = WindowRows::current(model_.apps(), model_.selectedApp());
    {
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(current ? static_cast<int>(current - model_.apps().data()) : -1);
    }
    if (current) {
        detail_->show(*current);
        right_->setCurrentWidget(detail_);
        return;
    }
    empty_->setText(qt(WindowTexts::text(WindowTexts::Key::noPrograms, lang)));
    ViewStyle::setColor(empty_, Palette::of(Palette::muted));
    right_->setCurrentWidget(empty_);
}

void ProgramsView::fillList() {
    const QSignalBlocker quiet(list_);
    if (model_.lang() != listedLang_ || Palette::isDark() != listedDark_) {
        list_->clear();
        lines_.clear();
        listedLang_ = model_.lang();
        listedDark_ = Palette::isDark();
    }
    const std::vector<AppRow>& apps = model_.apps();
    while (lines_.size() > apps.size()) {
        delete list_->takeItem(list_->count() - 1);
        lines_.pop_back();
    }
    for (size_t i = 0; i < apps.size(); ++i)
        showLine(static_cast<int>(i), apps[i]);
}

void ProgramsView::showLine(int index, const AppRow& row) {
    if (static_cast<size_t>(index) == lines_.size()) {
        lines_.emplace_back();
        new QListWidgetItem(list_);
    }
    Line& line = lines_[static_cast<size_t>(index)];
    // The row is drawn by a widget of its own; assistive technology reads the item's text.
    list_->item(index)->setData(Qt::AccessibleTextRole,
                                qt(row.name) + ", " + countText(row) + " " + rateText(row));
    if (!line.count || line.name != row.name || line.bundlePath != row.bundlePath ||
        line.executable != WindowRows::executableOf(row) || line.worst != row.worst) {
        QListWidgetItem* item = list_->item(index);
        QWidget* drawn = listRow(row, line);
        item->setSizeHint(QSize(listWidth(), drawn->sizeHint().height()));
        list_->setItemWidget(item, drawn);
        return;
    }
    // The live figures change with every scan; only their lines are redrawn, and only when
    // their text changed.
    line.count->setText(countText(row));
    line.rate->setText(rateText(row));
}

QString ProgramsView::countText(const AppRow& row) const {
    return qt(WindowTexts::connectionCount(row.conns.size(), row.trackerCount, model_.lang()));
}

QString ProgramsView::rateText(const AppRow& row) const {
    return row.rate ? qt(RateText::both(*row.rate, model_.lang())) : QString();
}

QWidget* ProgramsView::listRow(const AppRow& row, Line& shown) {
    shown = {row.name, row.bundlePath, WindowRows::executableOf(row), row.worst, nullptr, nullptr};
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(10, 5, 12, 5);
    layout->setSpacing(8);
    layout->addWidget(
        new AppIcon(row.bundlePath, WindowRows::executableOf(row), row.name, model_.lang()));
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(new ElidedLabel(qt(row.name)));
    QLabel* count =
        ViewStyle::label(countText(row), ViewStyle::caption(), Palette::of(Palette::muted));
    count->setObjectName("connectionCount");
    shown.count = count;
    column->addWidget(count);
    QLabel* rate =
        ViewStyle::label(rateText(row), ViewStyle::caption(), Palette::of(Palette::muted));
    rate->setObjectName("liveRate");
    // Unknown until the second scan, the rate keeps its line meanwhile: the row's height is set
    // once, when the list is filled.
    rate->setMinimumHeight(rate->fontMetrics().height());
    shown.rate = rate;
    column->addWidget(rate);
    layout->addLayout(column, 1);
    layout->addWidget(ViewStyle::dot(ViewStyle::signal(SignalColors::of(row.worst)), 8));
    return line;
}
