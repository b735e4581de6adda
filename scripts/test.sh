#!/bin/sh
# Builds everything and runs the whole test suite; ends with CTest's summary.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
export LANG=C.UTF-8
../scripts/package_check.sh
ctest --output-on-failure --timeout 300 -j 2
