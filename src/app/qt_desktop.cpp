// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_desktop.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

std::optional<size_t> QtDesktop::ask(const Question& question) {
    QMessageBox box;
    box.setWindowTitle("Nattervane");
    box.setText(QString::fromStdString(question.message));
    box.setInformativeText(QString::fromStdString(question.informative));
    std::vector<QAbstractButton*> buttons;
    for (const std::string& text : question.buttons)
        buttons.push_back(box.addButton(QString::fromStdString(text), QMessageBox::ActionRole));
    // Closing the box counts as the last button, which never commits to anything.
    if (!buttons.empty()) box.setEscapeButton(buttons.back());
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return i;
    return std::nullopt;
}

void QtDesktop::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}
