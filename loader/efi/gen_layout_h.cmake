# Turns loader/layout.def into C "#define" lines for the UEFI program, which
# is built apart from the editor. Run with -DIN=... -DOUT=...
file(STRINGS "${IN}" lines)
set(out "/* Generated from loader/layout.def. Do not edit. */\n#pragma once\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^LAYOUT\\(([A-Z0-9_]+), *([^)]+)\\)(.*)$")
    string(APPEND out "#define ${CMAKE_MATCH_1} ${CMAKE_MATCH_2}${CMAKE_MATCH_3}\n")
  else()
    string(APPEND out "${line}\n")
  endif()
endforeach()
file(WRITE "${OUT}.tmp" "${out}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
