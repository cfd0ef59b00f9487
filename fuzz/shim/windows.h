// Just enough of the Win32 surface for the pure text routines to build and run on Linux.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#define WINAPI
#define __stdcall
#define MAX_PATH 260
#define CP_UTF8 65001
typedef int BOOL;
typedef uint32_t DWORD;
typedef unsigned char BYTE;
typedef DWORD COLORREF;
typedef void* HWND;

#ifdef __cplusplus
extern "C" {
#endif
int lstrlenA(const char* text);
int lstrcmpiA(const char* a, const char* b);
char* lstrcpynA(char* destination, const char* source, int size);
unsigned GetACP(void);
BOOL IsDBCSLeadByteEx(unsigned codePage, BYTE byte);
#ifdef __cplusplus
}
#endif
#define CopyMemory(destination, source, length) memcpy((destination), (source), (length))
#define MoveMemory(destination, source, length) memmove((destination), (source), (length))
