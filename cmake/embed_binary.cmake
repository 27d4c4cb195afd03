# Writes a binary file as a C++ byte array. Run with -DIN= -DOUT= -DNAME=
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" n)
math(EXPR size "${n} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUT}" "// Generated from ${IN}. Do not edit.\n#include <cstddef>\n#include <cstdint>\nextern const uint8_t ${NAME}[${size}] = {\n  ${bytes}\n};\nextern const size_t ${NAME}_size = ${size};\n")
