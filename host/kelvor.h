// The host's helper library, imported by name; every function __stdcall.
#pragma once
#include <windows.h>

// Opaque to the plug-in: provided by the caller for one open-to-close sequence. Nine slots: 36
// bytes, 72 in the x64 build.
struct ConfigCursor { unsigned char opaque[9 * sizeof(void*)]; };

extern "C" {
void  __stdcall strcopy(char* destination, const char* source);
char* __stdcall strecopy(char* destination, const char* source);
void  __stdcall strmoven(char* destination, const char* source, int count);
BOOL  __stdcall IsPSTREmpty(const char* text);
void  __stdcall Quote(char* text);
void  __stdcall Unquote(char* text);
BOOL  __stdcall DirExists(const char* path);
BOOL  __stdcall Run(const char* program, const char* parameters, const char* directory,
                    int showCommand, int flags);
void  __stdcall CheckInt(int* value, int low, int high, int substitute);
void  __stdcall OpenCFGr(void* configuration, ConfigCursor* cursor);
void  __stdcall CloseCFGr(ConfigCursor* cursor);
void  __stdcall OpenCFGw(void* configuration, ConfigCursor* cursor);
void  __stdcall CloseCFGw(void* configuration, int reserved, ConfigCursor* cursor);
void  __stdcall FindSection(const char* section, int forWriting, ConfigCursor* cursor);
int   __stdcall GetCFGInt(const char* key, int fallback, ConfigCursor* cursor);
BOOL  __stdcall GetCFGBool(const char* key, int fallback, ConfigCursor* cursor);
void  __stdcall SetCFGInt(const char* key, int value, ConfigCursor* cursor);
DWORD __stdcall LayeredStyle(int reserved, unsigned char wanted);
void  __stdcall SetLayered(HWND window, COLORREF colorKey, int opacity, int flags);
}
