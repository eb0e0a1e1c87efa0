// Read before every source of the device build (-include): what mingw-w64's own compiler
// predefines, which its headers test, said to GCC for ARM. The x86 calling-convention keywords
// are empty, since on ARM the C convention, WINAPI and CALLBACK are one, and so is __declspec,
// whose import and export forms the device build does not use.
#pragma once

#define _WIN32 1
#define WIN32 1
#define __MINGW32__ 1
#define _ARM_ 1
#define ARM 1
#define __cdecl
#define __stdcall
#define __fastcall
#define __thiscall
#define __declspec(attributes)
