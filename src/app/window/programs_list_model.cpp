// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs_list_model.h"

#include <tuple>

#include "observe/traffic_rate.h"
#include "present/window_rows.h"
#include "present/window_texts.h"
#include "view_style.h"

using ViewStyle::qt;

namespace {

// What the row's widget is drawn from once: the icon's sources and the worst category's dot.
auto look(const AppRow& app) {
    return std::tie(app.bundlePath, WindowRows::executableOf(app), app.worst);
}

} // namespace

ProgramsListModel::ProgramsListModel(Lang lang, QObject* parent)
    : KeyedRowsModel(parent), lang_(lang) {}

void ProgramsListModel::show(const std::vector<AppRow>& apps, Lang lang) {
    const bool relabelled = lang != lang_;
    lang_ = lang;
    showRows(apps);
    if (relabelled) changedAll();
}

std::optional<QList<int>> ProgramsListModel::changedRoles(const AppRow& was,
                                                          const AppRow& now) const {
    if (look(was) != look(now)) return QList<int>{};
    if (countText(was) == countText(now) && rateText(was) == rateText(now)) return std::nullopt;
    return QList<int>{countRole, rateRole, Qt::AccessibleTextRole};
}

QString ProgramsListModel::countText(const AppRow& app) const {
    return qt(WindowTexts::connectionCount(app.conns.size(), app.trackerCount, lang_));
}

QString ProgramsListModel::rateText(const AppRow& app) const {
    return app.rate ? qt(RateText::both(*app.rate, lang_)) : QString();
}

QVariant ProgramsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const AppRow& shown = app(index.row());
    switch (role) {
    case countRole:
        return countText(shown);
    case rateRole:
        return rateText(shown);
    case Qt::AccessibleTextRole:
        // The row is drawn by a widget of its own; assistive technology reads the row's text.
        return qt(shown.name) + ", " + countText(shown) + " " + rateText(shown);
    }
    return {};
}
