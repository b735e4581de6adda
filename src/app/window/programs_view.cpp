// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs_view.h"

#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "app_icon.h"
#include "detail_view.h"
#include "elided_label.h"
#include "model.h"
#include "palette.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "programs_list_model.h"
#include "row_widget_delegate.h"
#include "view_style.h"
#include "window_state.h"

using ViewStyle::qt;

namespace {

// The list takes a third of the tab, between these many average characters of the font.
constexpr int leastListCharacters = 28, mostListCharacters = 48;

} // namespace

ProgramsView::ProgramsView(Model& model, WindowState& state, QWidget* parent)
    : QWidget(parent), model_(model), state_(state) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    rows_ = new ProgramsListModel(model_.lang(), this);
    list_ = new QListView;
    list_->setModel(rows_);
    list_->setItemDelegate(new RowWidgetDelegate(list_));
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
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!following_ && current.isValid())
                    state_.setSelectedApp(rows_->app(current.row()).name);
            });
    connect(rows_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { drawRows(first, last); });
    connect(rows_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                redrawRows(first.row(), last.row(), roles);
            });
    connect(&model_, &Model::changed, this, &ProgramsView::refresh);
    connect(&state_, &WindowState::changed, this, &ProgramsView::refresh);
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
    const AppRow* current = WindowRows::current(model_.apps(), state_.selectedApp());
    showList(current);
    if (current) {
        detail_->show(*current);
        right_->setCurrentWidget(detail_);
        return;
    }
    detail_->clear();
    empty_->setText(qt(WindowTexts::text(WindowTexts::Key::noPrograms, lang)));
    ViewStyle::setColor(empty_, Palette::of(Palette::muted));
    right_->setCurrentWidget(empty_);
}

void ProgramsView::showList(const AppRow* current) {
    const QScopedValueRollback following(following_, true);
    if (Palette::isDark() != listedDark_) {
        listedDark_ = Palette::isDark();
        drawRows(0, rows_->rowCount() - 1);
    }
    rows_->show(model_.apps(), model_.lang());
    list_->setCurrentIndex(current ? rows_->index(static_cast<int>(current - model_.apps().data()))
                                   : QModelIndex());
}

void ProgramsView::drawRows(int first, int last) {
    for (int row = first; row <= last; ++row)
        list_->setIndexWidget(rows_->index(row), listRow(row));
}

void ProgramsView::redrawRows(int first, int last, const QList<int>& roles) {
    if (roles.isEmpty()) return drawRows(first, last);
    // The live figures change with every scan; only their lines are redrawn.
    for (int row = first; row <= last; ++row) {
        const QModelIndex at = rows_->index(row);
        QWidget* drawn = list_->indexWidget(at);
        drawn->findChild<QLabel*>("connectionCount")
            ->setText(at.data(ProgramsListModel::countRole).toString());
        drawn->findChild<QLabel*>("liveRate")
            ->setText(at.data(ProgramsListModel::rateRole).toString());
    }
}

QWidget* ProgramsView::listRow(int row) const {
    const AppRow& app = rows_->app(row);
    const QModelIndex at = rows_->index(row);
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(10, 5, 12, 5);
    layout->setSpacing(8);
    layout->addWidget(
        new AppIcon(app.bundlePath, WindowRows::executableOf(app), app.name, rows_->lang()));
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(new ElidedLabel(qt(app.name)));
    QLabel* count = ViewStyle::label(at.data(ProgramsListModel::countRole).toString(),
                                     ViewStyle::caption(), Palette::of(Palette::muted));
    count->setObjectName("connectionCount");
    column->addWidget(count);
    QLabel* rate = ViewStyle::label(at.data(ProgramsListModel::rateRole).toString(),
                                    ViewStyle::caption(), Palette::of(Palette::muted));
    rate->setObjectName("liveRate");
    // Unknown until the second scan, the rate keeps its line meanwhile, so the row's height does
    // not change when it comes.
    rate->setMinimumHeight(rate->fontMetrics().height());
    column->addWidget(rate);
    layout->addLayout(column, 1);
    layout->addWidget(ViewStyle::dot(ViewStyle::signal(SignalColors::of(app.worst)), 8));
    return line;
}
