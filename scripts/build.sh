#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building needs (or, not as root, says which packages are missing and stops), then
# configures and builds into build/ (Release with debug info).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNATTERVANE_BUILD_BENCH=ON "$@"
cmake --build build
