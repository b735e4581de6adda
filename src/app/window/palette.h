// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include <QColor>
#include <QPalette>

// The window's colours, each with a light and a dark value.
namespace Palette {

struct Pair {
    QRgb light;
    QRgb dark;
};

inline constexpr Pair bg{0xFFF3F7F4, 0xFF0B2A20};
inline constexpr Pair card{0xFFFFFFFF, 0xFF123A2C};
inline constexpr Pair line{0xFFCFE0D6, 0xFF1F5A44};
inline constexpr Pair text{0xFF10261D, 0xFFE9F1EC};
inline constexpr Pair muted{0xFF4F6B5E, 0xFF9DB9AB};
inline constexpr Pair gold{0xFFA87A12, 0xFFF2C14E};
inline constexpr Pair green{0xFF1E7A52, 0xFF5BD69A};
// The keyboard focus mark: a blue apart from every signal and rule colour.
inline constexpr Pair focus{0xFF1F5FD0, 0xFF8CC4FF};

// Forces the light (false) or dark (true) appearance, or follows the system again (absent).
void force(std::optional<bool> dark);
// The forced appearance, else the system's: dark when its window colour is dark.
bool isDark();

QColor of(Pair pair);
// The toolkit palette of the window in the appearance in effect.
QPalette window();

} // namespace Palette
