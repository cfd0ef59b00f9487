// Which kind of Windows module a file is, read from its headers. A 64-bit program loads only
// 64-bit DLLs and a 32-bit one only 32-bit DLLs; the loader's answer to the wrong kind,
// ERROR_BAD_EXE_FORMAT, is the same as to a damaged file, so the host looks first.
#include "hostapp.h"
#include <stdio.h>

namespace {

#ifdef _WIN64
const WORD OWN_MACHINE = IMAGE_FILE_MACHINE_AMD64;
#else
const WORD OWN_MACHINE = IMAGE_FILE_MACHINE_I386;
#endif

bool ReadAll(HANDLE file, void* buffer, DWORD size)
{
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, NULL) && read == size;
}

// The machine of a module's file header; IMAGE_FILE_MACHINE_UNKNOWN for a file that is none.
WORD ModuleMachine(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return IMAGE_FILE_MACHINE_UNKNOWN;
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    WORD machine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (ReadAll(file, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0 &&
        SetFilePointer(file, dos.e_lfanew, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadAll(file, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE &&
        ReadAll(file, &header, sizeof header))
        machine = header.Machine;
    CloseHandle(file);
    return machine;
}

}  // namespace

bool OtherKindOfModule(const char* path, const char* what, char* problem, int size)
{
    WORD machine = ModuleMachine(path);
    const char* kind = machine == IMAGE_FILE_MACHINE_I386    ? "32-bit"
                       : machine == IMAGE_FILE_MACHINE_AMD64 ? "64-bit"
                                                             : NULL;
    if (!kind || machine == OWN_MACHINE)
        return false;
    _snprintf(problem, size,
              "%s is a %s module, and this OrvelCmd.exe is the %s program, which loads only "
              "%s ones. Keep the three files of one download together.",
              what, kind, BUILD_KIND, BUILD_KIND);
    problem[size - 1] = '\0';
    return true;
}
