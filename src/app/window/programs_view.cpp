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

constexpr int listWidth = 290;

// Whether two lists of programs look the same in the list, which shows neither traffic nor
// destinations: most scans change only those and leave the list alone.
bool sameList(const std::vector<AppRow>& a, const std::vector<AppRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const AppRow& x, const AppRow& y) {
        return x.name == y.name && x.bundlePath == y.bundlePath &&
               WindowRows::executableOf(x) == WindowRows::executableOf(y) &&
               x.conns.size() == y.conns.size() && x.trackerCount == y.trackerCount &&
               x.worst == y.worst;
    });
}

} // namespace

ProgramsView::ProgramsView(Model& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    list_ = new QListWidget;
    list_->setFixedWidth(listWidth);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    row->addWidget(list_);
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
    row->addWidget(right_, 1);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int index) {
        if (index >= 0 && static_cast<size_t>(index) < listed_.size())
            model_.setSelectedApp(listed_[static_cast<size_t>(index)].name);
    });
    connect(&model_, &Model::changed, this, &ProgramsView::refresh);
    refresh();
}

DetailView* ProgramsView::detail() const {
    return right_->currentWidget() == detail_ ? detail_ : nullptr;
}

void ProgramsView::refresh() {
    const Lang lang = model_.lang();
    QWidget* divider = findChild<QWidget*>("divider");
    QPalette line = divider->palette();
    line.setColor(QPalette::Window, Palette::of(Palette::line));
    divider->setPalette(line);
    if (!sameList(model_.apps(), listed_) || lang != listedLang_ ||
        Palette::isDark() != listedDark_)
        fillList();
    // The live rates change with every scan; only their lines are redrawn.
    for (size_t i = 0; i < counts_.size() && i < model_.apps().size(); ++i) {
        counts_[i]->setText(countText(model_.apps()[i]));
        rates_[i]->setText(rateText(model_.apps()[i]));
    }
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
    list_->clear();
    counts_.clear();
    rates_.clear();
    listed_ = model_.apps();
    listedLang_ = model_.lang();
    listedDark_ = Palette::isDark();
    for (const AppRow& row : listed_) {
        auto* item = new QListWidgetItem(list_);
        QWidget* line = listRow(row);
        item->setSizeHint(QSize(listWidth, line->sizeHint().height()));
        list_->setItemWidget(item, line);
    }
}

QString ProgramsView::countText(const AppRow& row) const {
    return qt(WindowTexts::connectionCount(row.conns.size(), row.trackerCount, model_.lang()));
}

QString ProgramsView::rateText(const AppRow& row) const {
    return row.rate ? qt(RateText::both(*row.rate, model_.lang())) : QString();
}

QWidget* ProgramsView::listRow(const AppRow& row) {
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(10, 5, 12, 5);
    layout->setSpacing(8);
    layout->addWidget(new AppIcon(row.bundlePath, WindowRows::executableOf(row), row.name));
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(new ElidedLabel(qt(row.name)));
    QLabel* count =
        ViewStyle::label(countText(row), ViewStyle::caption(), Palette::of(Palette::muted));
    count->setObjectName("connectionCount");
    counts_.push_back(count);
    column->addWidget(count);
    QLabel* rate =
        ViewStyle::label(rateText(row), ViewStyle::caption(), Palette::of(Palette::muted));
    rate->setObjectName("liveRate");
    // Unknown until the second scan, the rate keeps its line meanwhile: the row's height is set
    // once, when the list is filled.
    rate->setMinimumHeight(rate->fontMetrics().height());
    rates_.push_back(rate);
    column->addWidget(rate);
    layout->addLayout(column, 1);
    layout->addWidget(ViewStyle::dot(ViewStyle::signal(SignalColors::of(row.worst)), 8));
    return line;
}
