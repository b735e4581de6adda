#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds into build/ (Release with debug info).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNATTERVANE_BUILD_BENCH=ON "$@"
cmake --build build
