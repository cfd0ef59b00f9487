// Reading and saving the configuration file. A save never writes into the file itself: the new
// text is made whole in memory, written beside it and renamed over it, so that a crash or a full
// disk halfway leaves either the old settings or the new ones, never a mixture.
#include <windows.h>
#include "configfile.h"

namespace {

const char TemporarySuffix[] = ".new";

char* Allocate(int size) { return (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size); }

void Release(char* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

// A short write (a full disk) or a failed flush or close counts as a failure: the rename must
// only ever put a complete file in place.
bool WriteTemporary(const char* temporary, const char* text, int length)
{
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool complete = length == 0 || (WriteFile(file, text, (DWORD)length, &written, NULL) &&
                                     written == (DWORD)length);
    complete = complete && FlushFileBuffers(file);
    return CloseHandle(file) && complete;
}

bool SameText(const char* a, int aLength, const char* b, int bLength)
{
    if (aLength != bLength)
        return false;
    for (int i = 0; i < aLength; i++)
        if (a[i] != b[i])
            return false;
    return true;
}

}  // namespace

bool ReadConfigText(const char* path, ConfigText* file)
{
    file->text = NULL;
    file->length = 0;
    if (!path || !path[0])
        return false;
    HANDLE handle = CreateFileA(path, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    LARGE_INTEGER size;
    bool read = GetFileSizeEx(handle, &size) && size.QuadPart <= INI_TEXT_MAX;
    if (read) {
        file->text = Allocate((int)size.QuadPart + 1);  // an empty file still gets a block
        read = file->text != NULL;
    }
    DWORD total = 0;
    while (read && total < (DWORD)size.QuadPart) {
        DWORD got = 0;
        if (!ReadFile(handle, file->text + total, (DWORD)size.QuadPart - total, &got, NULL))
            read = false;
        else if (got == 0)
            break;  // another program shortened the file meanwhile
        total += got;
    }
    CloseHandle(handle);
    if (!read) {
        FreeConfigText(file);
        return false;
    }
    file->length = (int)total;
    return true;
}

void FreeConfigText(ConfigText* file)
{
    Release(file->text);
    file->text = NULL;
    file->length = 0;
}

bool SaveConfigValues(const char* path, const IniValue* values, int count)
{
    if (!path)
        return false;
    char temporary[PATH_BYTES];
    int pathLength = lstrlenA(path);
    if (pathLength == 0 || pathLength + (int)sizeof TemporarySuffix > (int)sizeof temporary)
        return false;
    CopyMemory(temporary, path, pathLength);
    CopyMemory(temporary + pathLength, TemporarySuffix, sizeof TemporarySuffix);

    // A file that exists but cannot be read is not replaced: its settings would be lost.
    ConfigText current;
    if (!ReadConfigText(path, &current))
        return false;
    bool saved = false;
    int length = IniMerge(current.text, current.length, values, count, NULL, 0);
    char* merged = length >= 0 ? Allocate(length + 1) : NULL;
    if (merged && IniMerge(current.text, current.length, values, count, merged, length) == length) {
        // The animations save at every step, mostly the values already there.
        saved = SameText(merged, length, current.text, current.length);
        if (!saved) {
            saved = WriteTemporary(temporary, merged, length) &&
                    MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            if (!saved)
                DeleteFileA(temporary);
        }
    }
    Release(merged);
    FreeConfigText(&current);
    return saved;
}
