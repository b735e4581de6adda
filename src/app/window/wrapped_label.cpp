// SPDX-License-Identifier: GPL-3.0-or-later
#include "wrapped_label.h"

#include <algorithm>

#include <QEvent>

namespace {

// More widths than this means the window is being resized: start again.
constexpr size_t keptWidths = 8;

} // namespace

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setWordWrap(true);
}

int WrappedLabel::heightForWidth(int width) const {
    if (text() != measured_ || heights_.size() >= keptWidths) {
        heights_.clear();
        measured_ = text();
    }
    const auto known = std::ranges::find(heights_, width, &std::pair<int, int>::first);
    if (known != heights_.end()) return known->second;
    const int height = QLabel::heightForWidth(width);
    heights_.emplace_back(width, height);
    return height;
}

void WrappedLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        heights_.clear();
    QLabel::changeEvent(event);
}
