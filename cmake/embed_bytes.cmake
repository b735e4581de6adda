# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the bytes of INPUT into OUTPUT as a C++ array NAME with its size NAMESize, so that a
# program carries a file within itself. Run as a script:
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<identifier> -P embed_bytes.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}.tmp
  "// Made by cmake/embed_bytes.cmake from ${INPUT}.\n#include <cstddef>\n\n"
  "extern const unsigned char ${NAME}[] = {${bytes}};\n"
  "extern const std::size_t ${NAME}Size = sizeof ${NAME};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
