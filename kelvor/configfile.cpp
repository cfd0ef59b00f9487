// Reading and saving the configuration file. A save never writes into the file itself: the new
// text is made whole in memory, written beside it and put in its place, so that a crash or a full
// disk halfway leaves either the old settings or the new ones, never a mixture.
#include <windows.h>
#include <winioctl.h>
#include <stddef.h>
#include "configfile.h"
#include "../base/optionalentry.h"

namespace {

const char TemporaryPrefix[] = "orv";
// A scanner or an editor holding the file lets go within moments.
const int SHARING_TRIES = 10;
const DWORD SHARING_PAUSE_MS = 50;
// A file changed between the read and the replace is merged again, this often at most.
const int MERGE_TRIES = 4;
// Links to links are followed this far, no further (a loop would never end).
const int LINK_HOPS_MAX = 8;

int failingStep = SAVE_STEP_NONE;
DWORD failingError = ERROR_SUCCESS;
void(__stdcall* replacing)(const char* path) = NULL;

char* Allocate(int size) { return (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size); }

void Release(char* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

bool Failing(int step)
{
    if (failingStep != step)
        return false;
    SetLastError(failingError);
    return true;
}

// A short write (a full disk) or a failed flush or close counts as a failure: only a complete
// file may ever take the old one's place.
DWORD WriteTemporary(const char* temporary, const char* text, int length)
{
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    // GetTempFileName gives a name without a file where it could not make one (a folder the
    // user may not write to): making it says why.
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
        file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    DWORD written = 0;
    if (length > 0 && (Failing(SAVE_STEP_WRITE) ||
                       !WriteFile(file, text, (DWORD)length, &written, NULL)))
        error = GetLastError();
    else if (written != (DWORD)length)
        error = ERROR_DISK_FULL;
    else if (Failing(SAVE_STEP_FLUSH) || !FlushFileBuffers(file))
        error = GetLastError();
    if (!CloseHandle(file) && error == ERROR_SUCCESS)
        error = GetLastError();
    return error;
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

bool IsSharingError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

bool HasPrefix(const char* text, const char* prefix)
{
    for (; *prefix; text++, prefix++)
        if (*text != *prefix)
            return false;
    return true;
}

// "\\?\C:\x" and "\\?\UNC\server\x", as the system names final paths, in the usual form.
void StripLongPrefix(char* path)
{
    int skip = 0;
    if (HasPrefix(path, "\\\\?\\UNC\\")) {
        path[6] = '\\';
        skip = 6;
    } else if (HasPrefix(path, "\\\\?\\")) {
        skip = 4;
    }
    if (skip)
        MoveMemory(path, path + skip, lstrlenA(path + skip) + 1);
}

// The length of path's folder with its closing separator; 0 for a bare name.
int FolderLength(const char* path)
{
    int length = lstrlenA(path);
    while (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/')
        length--;
    return length;
}

// The layout of a symbolic link's reparse data (the system's headers keep it to drivers).
struct LinkReparseData {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    DWORD flags;
    WCHAR names[1];
};
const DWORD LINK_RELATIVE = 1;

// The target a symbolic link at path names, made absolute; false when path is no such link.
bool ReadLinkTarget(const char* path, char* target, int size)
{
    HANDLE link = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (link == INVALID_HANDLE_VALUE)
        return false;
    union {
        LinkReparseData data;
        BYTE bytes[16 * 1024];
    } buffer;
    DWORD got = 0;
    bool read = DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, NULL, 0, &buffer, sizeof buffer,
                                &got, NULL) &&
                got >= offsetof(LinkReparseData, names) &&
                buffer.data.tag == IO_REPARSE_TAG_SYMLINK;
    CloseHandle(link);
    if (!read)
        return false;
    const LinkReparseData& data = buffer.data;
    DWORD end = offsetof(LinkReparseData, names) + data.substituteOffset + data.substituteLength;
    if (end > got)
        return false;
    WCHAR wide[MAX_PATH];
    int wideLength = data.substituteLength / sizeof(WCHAR);
    if (wideLength <= 0 || wideLength >= MAX_PATH)
        return false;
    CopyMemory(wide, (const BYTE*)data.names + data.substituteOffset, data.substituteLength);
    wide[wideLength] = 0;
    // "\??\C:\x" for an absolute target.
    const WCHAR* name = wide;
    if (wideLength > 4 && wide[0] == '\\' && wide[1] == '?' && wide[2] == '?' && wide[3] == '\\')
        name += 4;
    char named[PATH_BYTES];
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, named, sizeof named, NULL, NULL))
        return false;
    if (!(data.flags & LINK_RELATIVE)) {
        if (lstrlenA(named) >= size)
            return false;
        lstrcpynA(target, named, size);
        return true;
    }
    // Relative to the link's own folder.
    char joined[2 * PATH_BYTES];
    int folder = FolderLength(path);
    if (folder + lstrlenA(named) >= (int)sizeof joined)
        return false;
    CopyMemory(joined, path, folder);
    lstrcpyA(joined + folder, named);
    DWORD length = GetFullPathNameA(joined, size, target, NULL);
    return length > 0 && length < (DWORD)size;
}

// The file a save must replace: path itself, or the file its symbolic links lead to.
DWORD ResolveTarget(const char* path, char* target, int size)
{
    if (lstrlenA(path) >= size)
        return ERROR_FILENAME_EXCED_RANGE;
    lstrcpynA(target, path, size);
    typedef DWORD(WINAPI * FinalPathProc)(HANDLE, LPSTR, DWORD, DWORD);
    // Absent before Vista, which has no symbolic links of files.
    FinalPathProc finalPath =
        (FinalPathProc)(void*)OptionalEntry("kernel32.dll", "GetFinalPathNameByHandleA");
    if (finalPath) {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            char resolved[PATH_BYTES + 8];
            DWORD length = finalPath(file, resolved, sizeof resolved, 0 /* FILE_NAME_NORMALIZED */);
            CloseHandle(file);
            if (length > 0 && length < sizeof resolved) {
                StripLongPrefix(resolved);
                if (lstrlenA(resolved) < size)
                    lstrcpynA(target, resolved, size);
            }
        }
    }
    // Where the final path did not see through the link, its reparse data does.
    for (int hop = 0; hop < LINK_HOPS_MAX; hop++) {
        DWORD attributes = GetFileAttributesA(target);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return ERROR_SUCCESS;
        char next[PATH_BYTES];
        if (!ReadLinkTarget(target, next, sizeof next))
            return ERROR_SUCCESS;
        lstrcpynA(target, next, size);
    }
    return ERROR_CANT_RESOLVE_FILENAME;
}

// A temporary file of its own name in the folder of target, made empty.
DWORD MakeTemporary(const char* target, char* temporary)
{
    char folder[PATH_BYTES];
    int length = FolderLength(target);
    if (length == 0) {
        lstrcpyA(folder, ".");
    } else {
        if (length >= (int)sizeof folder)
            return ERROR_FILENAME_EXCED_RANGE;
        CopyMemory(folder, target, length);
        folder[length] = '\0';
    }
    if (!GetTempFileNameA(folder, TemporaryPrefix, 0, temporary))
        return GetLastError();
    return ERROR_SUCCESS;
}

bool FileMissing(const char* path) { return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; }

// The old file goes to a backup name of the save's own: a replacement that could not be moved in
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) leaves it there, and not under a name of the system's
// beside the configuration. The backup goes once the new file is in place.
DWORD ReplaceExisting(const char* temporary, const char* target)
{
    char backup[PATH_BYTES];
    bool named = MakeTemporary(target, backup) == ERROR_SUCCESS && DeleteFileA(backup);
    const char* backupName = named ? backup : NULL;
    DWORD error = ERROR_SUCCESS;
    if (!ReplaceFileA(target, temporary, backupName, REPLACEFILE_IGNORE_MERGE_ERRORS, NULL, NULL)) {
        error = GetLastError();
        // The old file has been taken away: the new one goes into its place, else the old one
        // back. The settings are never lost.
        if (FileMissing(target)) {
            if (MoveFileExA(temporary, target, MOVEFILE_WRITE_THROUGH))
                error = ERROR_SUCCESS;
            else if (named)
                MoveFileExA(backup, target, MOVEFILE_WRITE_THROUGH);
        }
    }
    if (named && !FileMissing(target))
        DeleteFileA(backup);
    return error;
}

// Another program's edit since the file was read: it was made, removed or written meanwhile.
bool ChangedSince(const char* target, const ConfigText& read)
{
    WIN32_FILE_ATTRIBUTE_DATA now;
    bool exists = GetFileAttributesExA(target, GetFileExInfoStandard, &now) != FALSE;
    if (exists != read.stamped)
        return true;
    return exists && (now.nFileSizeLow != read.sizeLow || now.nFileSizeHigh != read.sizeHigh ||
                      CompareFileTime(&now.ftLastWriteTime, &read.written) != 0);
}

DWORD PutInPlace(const char* temporary, const char* target, bool exists)
{
    if (Failing(SAVE_STEP_REPLACE))
        return GetLastError();
    if (exists)
        return ReplaceExisting(temporary, target);
    // A file that appeared meanwhile is another program's: it is not overwritten.
    if (MoveFileExA(temporary, target, MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return GetLastError();
}

// Writes the merged text over the file that path names, or the one its link names, unless the
// file changed since it was read (ERROR_RETRY: read and merge again).
DWORD WriteMerged(const char* path, const char* merged, int length, const ConfigText& read)
{
    bool exists = read.stamped;
    char target[PATH_BYTES];
    DWORD error = ResolveTarget(path, target, sizeof target);
    if (error != ERROR_SUCCESS)
        return error;
    // The user's way of keeping the settings as they are.
    DWORD attributes = GetFileAttributesA(target);
    if (exists && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    char temporary[PATH_BYTES];
    error = MakeTemporary(target, temporary);
    if (error != ERROR_SUCCESS)
        return error;
    error = WriteTemporary(temporary, merged, length);
    if (error == ERROR_SUCCESS && replacing)
        replacing(target);
    if (error == ERROR_SUCCESS && ChangedSince(target, read))
        error = ERROR_RETRY;
    if (error == ERROR_SUCCESS)
        error = PutInPlace(temporary, target, exists);
    // A temporary file that holds the only copy of the settings stays.
    if (error != ERROR_SUCCESS && (!exists || GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES))
        DeleteFileA(temporary);
    return error;
}

// One try of a save of the file that path names.
DWORD TrySave(const char* path, const IniValue* values, int count)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    // A file that exists but cannot be read is not replaced: its settings would be lost.
    ConfigText current;
    if (!ReadConfigText(path, &current)) {
        DWORD error = GetLastError();
        return error ? error : ERROR_READ_FAULT;
    }
    DWORD error = ERROR_SUCCESS;
    int length = IniMerge(current.text, current.length, values, count, NULL, 0);
    char* merged = length >= 0 ? Allocate(length + 1) : NULL;
    if (length < 0)
        error = ERROR_FILE_TOO_LARGE;
    else if (!merged)
        error = ERROR_NOT_ENOUGH_MEMORY;
    else if (IniMerge(current.text, current.length, values, count, merged, length) != length)
        error = ERROR_INVALID_DATA;
    // The animations save at every step, mostly the values already there: such a save is done
    // before the file is looked at any closer.
    if (error == ERROR_SUCCESS && !SameText(merged, length, current.text, current.length))
        error = WriteMerged(path, merged, length, current);
    Release(merged);
    FreeConfigText(&current);
    return error;
}

}  // namespace

bool ReadConfigText(const char* path, ConfigText* file)
{
    file->text = NULL;
    file->length = 0;
    file->stamped = false;
    if (!path || !path[0]) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    HANDLE handle = CreateFileA(path, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    LARGE_INTEGER size;
    DWORD error = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(handle, &information)) {
        file->stamped = true;
        file->sizeLow = information.nFileSizeLow;
        file->sizeHigh = information.nFileSizeHigh;
        file->written = information.ftLastWriteTime;
    }
    if (!GetFileSizeEx(handle, &size))
        error = GetLastError();
    else if (size.QuadPart > INI_TEXT_MAX)
        error = ERROR_FILE_TOO_LARGE;
    else if (!(file->text = Allocate((int)size.QuadPart + 1)))  // an empty file gets a block too
        error = ERROR_NOT_ENOUGH_MEMORY;
    DWORD total = 0;
    while (error == ERROR_SUCCESS && total < (DWORD)size.QuadPart) {
        DWORD got = 0;
        if (!ReadFile(handle, file->text + total, (DWORD)size.QuadPart - total, &got, NULL))
            error = GetLastError();
        else if (got == 0)
            break;  // another program shortened the file meanwhile
        total += got;
    }
    CloseHandle(handle);
    if (error != ERROR_SUCCESS) {
        FreeConfigText(file);
        SetLastError(error);
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

DWORD SaveConfigValues(const char* path, const IniValue* values, int count, bool patient)
{
    if (!path || !path[0])
        return ERROR_INVALID_NAME;
    DWORD error = TrySave(path, values, count);
    for (int merges = 1; error == ERROR_RETRY && merges < MERGE_TRIES; merges++)
        error = TrySave(path, values, count);
    for (int tries = 1; patient && IsSharingError(error) && tries < SHARING_TRIES; tries++) {
        Sleep(SHARING_PAUSE_MS);
        error = TrySave(path, values, count);
    }
    return error;
}

void WhenReplacing(void(__stdcall* call)(const char* path)) { replacing = call; }

void FailSaveStep(int step, DWORD error)
{
    failingStep = step;
    failingError = error;
}
