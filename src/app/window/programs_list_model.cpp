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
    std::vector<ListedApp> listed;
    listed.reserve(apps.size());
    for (const AppRow& app : apps)
        listed.push_back({app.withFirstConnection(), app.conns.size()});
    showRows(listed);
    if (relabelled) changedAll();
}

std::optional<QList<int>> ProgramsListModel::changedRoles(const ListedApp& was,
                                                          const ListedApp& now) const {
    if (look(was.app) != look(now.app)) return QList<int>{};
    if (countText(was) == countText(now) && rateText(was.app) == rateText(now.app))
        return std::nullopt;
    return QList<int>{countRole, rateRole, Qt::AccessibleTextRole};
}

QString ProgramsListModel::countText(const ListedApp& listed) const {
    return qt(WindowTexts::connectionCount(listed.connections, listed.app.trackerCount, lang_));
}

QString ProgramsListModel::rateText(const AppRow& app) const {
    return app.rate ? qt(RateText::both(*app.rate, lang_)) : QString();
}

QVariant ProgramsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ListedApp& listed = row(index.row());
    const AppRow& shown = listed.app;
    switch (role) {
    case countRole:
        return countText(listed);
    case rateRole:
        return rateText(shown);
    case Qt::AccessibleTextRole:
        // The row is drawn by a widget of its own; assistive technology reads the row's text.
        return qt(shown.name) + ", " + countText(listed) + " " + rateText(shown);
    }
    return {};
}
