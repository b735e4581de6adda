// SPDX-License-Identifier: GPL-3.0-or-later
// The parser of `lsof -F` output on arbitrary text: no crash, hang or sanitizer report.
#include "fuzz_check.h"
#include "observe/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Parsers::parseLsof(FuzzCheck::text(data, size));
    return 0;
}
