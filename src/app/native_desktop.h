// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "desktop/desktop.h"

// The desktop of the system this build runs on; the build picks the one source defining it.
std::shared_ptr<Desktop> nativeDesktop();
