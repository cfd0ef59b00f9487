#include "imports.h"

FARPROC* ImportSlot(HMODULE module, const char* library, const char* name)
{
    BYTE* base = (BYTE*)module;
    auto* headers = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    auto* entry = (IMAGE_IMPORT_DESCRIPTOR*)(
        base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; entry->Name; entry++) {
        if (lstrcmpiA((const char*)base + entry->Name, library))
            continue;
        auto* names = (IMAGE_THUNK_DATA*)(base + entry->OriginalFirstThunk);
        auto* slots = (IMAGE_THUNK_DATA*)(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++)
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                !lstrcmpA((const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name, name))
                return (FARPROC*)&slots->u1.Function;
    }
    return nullptr;
}

void Patch(FARPROC* slot, FARPROC target)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = target;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}
