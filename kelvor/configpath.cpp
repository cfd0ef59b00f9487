// Where the host program keeps its configuration. A file already standing beside the program
// marks a copy that travels (on a removable disk, say) and keeps its settings with it; any other
// copy keeps them with the user.
#include <windows.h>
#include <shlobj.h>
#include "../host/kelvor.h"
#include "kelvor_host.h"
#include "configfile.h"

namespace {

const char FileName[] = "OrvelCmd.ini";
const char FolderName[] = "OrvelCmd";

// Appends name to the length characters of path (size bytes); the new length, or 0 when it
// would not fit.
int Append(char* path, int length, int size, const char* name)
{
    int count = lstrlenA(name);
    if (length + count >= size)
        return 0;
    CopyMemory(path + length, name, count + 1);
    return length + count;
}

// The caller gets the whole path or nothing.
int HandOver(const char* found, int length, char* path, int size)
{
    if (length <= 0 || length >= size)
        return 0;
    CopyMemory(path, found, length + 1);
    return length;
}

bool IsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

extern "C" int __stdcall KelvorConfigPath(char* path, int size)
{
    if (!path || size <= 0)
        return 0;
    path[0] = '\0';

    // GetModuleFileName fills the whole buffer when it cuts the name: such a name is no folder.
    char candidate[PATH_BYTES];
    DWORD length = GetModuleFileNameA(NULL, candidate, PATH_BYTES);
    if (length > 0 && length < PATH_BYTES) {
        int folder = (int)length;
        while (folder > 0 && candidate[folder - 1] != '\\')
            folder--;
        int full = folder > 0 ? Append(candidate, folder, PATH_BYTES, FileName) : 0;
        if (full && IsFile(candidate))
            return HandOver(candidate, full, path, size);
    }

    if (FAILED(SHGetFolderPathA(NULL, CSIDL_APPDATA | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT,
                                candidate)))
        return 0;
    int full = lstrlenA(candidate);
    if (full > 0 && candidate[full - 1] != '\\')
        full = Append(candidate, full, PATH_BYTES, "\\");
    full = full ? Append(candidate, full, PATH_BYTES, FolderName) : 0;
    if (!full)
        return 0;
    if (!CreateDirectoryA(candidate, NULL) && !DirExists(candidate))
        return 0;
    full = Append(candidate, full, PATH_BYTES, "\\");
    full = full ? Append(candidate, full, PATH_BYTES, FileName) : 0;
    return HandOver(candidate, full, path, size);
}
