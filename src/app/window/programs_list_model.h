// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QAbstractListModel>

#include "base/lang.h"
#include "keyed_rows_model.h"
#include "present/app_row.h"

// A program as its row in the list shows it: the program with its first connection only, which
// its icon is drawn from, and how many it has.
struct ListedApp {
    AppRow app;
    size_t connections = 0;
    bool operator==(const ListedApp&) const = default;
};

// The Programs tab's list: one row per program online, in the Model's order, keyed by the
// program's name. A new scan inserts, removes or moves only the rows of programs that came, went
// or moved, and changes only those whose figures, icon or worst category did; the view lays a
// widget over each row, drawn from the row's program and its texts.
class ProgramsListModel : public KeyedRowsModel<QAbstractListModel, ListedApp, std::string> {
    Q_OBJECT

  public:
    // The connection and tracker count, and the live rate (empty before the second scan). A row
    // whose icon or worst category changed signals all roles, to be drawn anew.
    enum Role { countRole = Qt::UserRole, rateRole };

    explicit ProgramsListModel(Lang lang, QObject* parent = nullptr);

    // Shows `apps` in `lang`; a new language changes every row.
    void show(const std::vector<AppRow>& apps, Lang lang);
    const AppRow& app(int at) const { return row(at).app; }
    Lang lang() const { return lang_; }

    QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::string keyOf(const ListedApp& listed) const override { return listed.app.name; }
    std::optional<QList<int>> changedRoles(const ListedApp& was,
                                           const ListedApp& now) const override;
    QString countText(const ListedApp& listed) const;
    QString rateText(const AppRow& app) const;

    Lang lang_;
};
