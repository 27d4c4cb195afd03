// The few Windows scalar types the program's interfaces are written in.
#pragma once

#include <cstdint>

typedef int BOOL;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint32_t DWORD;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
