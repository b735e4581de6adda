# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=sh
# What differs between the Debian releases the project builds on, for scripts to source:
#   debian_release  the release's major version (12, 13), from /etc/os-release
#   clang_version   the release's own clang, for the fuzz targets and for compiling BPF programs
#                   (clang-$clang_version -target bpf)
#   clang_packages  that clang and its runtime libraries (libFuzzer, sanitizers)
# A release not named here is taken for the newest one.
debian_release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}")
case "$debian_release" in
12) clang_version=14 ;;
*) clang_version=19 ;;
esac
clang_packages="clang-$clang_version libclang-rt-$clang_version-dev"
