// Footprint: the module's file, the libraries it makes the host load, and what the running bar
// adds to the host process in private memory and USER and GDI objects.
#include "bench.h"
#include <psapi.h>

namespace {
// The x64 code is larger: its instructions and its records are.
const double MAX_SIZE_KIB = sizeof(void*) == 8 ? 64 : 48;
const char* const ALLOWED[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                               "shell32.dll", "comdlg32.dll", "msvcrt.dll", "kelvor.dll"};

struct Image {
    std::vector<BYTE> bytes;
    const IMAGE_SECTION_HEADER* sections;
    int sectionCount;
};

bool ReadFileWhole(const std::string& path, std::vector<BYTE>* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, NULL);
    bytes->resize(size);
    DWORD read = 0;
    BOOL ok = size != INVALID_FILE_SIZE && ReadFile(file, bytes->data(), size, &read, NULL) &&
              read == size;
    CloseHandle(file);
    return ok;
}

// The file offset of a relative virtual address, or 0 when no section holds it.
DWORD OffsetOf(const Image& image, DWORD rva)
{
    for (int i = 0; i < image.sectionCount; i++) {
        const IMAGE_SECTION_HEADER& s = image.sections[i];
        DWORD extent = s.Misc.VirtualSize ? s.Misc.VirtualSize : s.SizeOfRawData;
        if (rva >= s.VirtualAddress && rva < s.VirtualAddress + extent) {
            DWORD offset = rva - s.VirtualAddress + s.PointerToRawData;
            return offset < image.bytes.size() ? offset : 0;
        }
    }
    return 0;
}

// A NUL-terminated name inside the file, or "" when it runs off the end.
std::string NameAt(const Image& image, DWORD offset)
{
    std::string name;
    for (DWORD i = offset; offset && i < image.bytes.size(); i++) {
        if (!image.bytes[i])
            return name;
        name += (char)image.bytes[i];
    }
    return "";
}

// The names of the libraries in the import table and the delay-load table of a PE file, 32-bit
// or x64 (PE32+, whose optional header is longer).
bool ImportedLibraries(const std::string& path, std::vector<std::string>* names)
{
    Image image;
    if (!ReadFileWhole(path, &image.bytes) || image.bytes.size() < sizeof(IMAGE_DOS_HEADER))
        return false;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)image.bytes.data();
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        (size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) > image.bytes.size())
        return false;
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(image.bytes.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return false;
    const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;
    if (nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC &&
        (size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS64) <= image.bytes.size())
        directories = ((const IMAGE_NT_HEADERS64*)nt)->OptionalHeader.DataDirectory;
    else if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return false;
    image.sections = IMAGE_FIRST_SECTION(nt);
    image.sectionCount = nt->FileHeader.NumberOfSections;
    if ((const BYTE*)(image.sections + image.sectionCount) > image.bytes.data() + image.bytes.size())
        return false;

    DWORD imports = OffsetOf(image, directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (DWORD at = imports; at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= image.bytes.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const IMAGE_IMPORT_DESCRIPTOR* d = (const IMAGE_IMPORT_DESCRIPTOR*)(image.bytes.data() + at);
        if (!d->Name)
            break;
        names->push_back(NameAt(image, OffsetOf(image, d->Name)));
    }
    // Delay-loaded libraries are loaded into the host all the same, later.
    DWORD delayed = OffsetOf(image, directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress);
    for (DWORD at = delayed; at && at + 32 <= image.bytes.size(); at += 32) {
        DWORD name = *(const DWORD*)(image.bytes.data() + at + 4);
        if (!name)
            break;
        names->push_back(NameAt(image, OffsetOf(image, name)) + " (delay-loaded)");
    }
    return true;
}

bool Allowed(const std::string& name)
{
    for (const char* allowed : ALLOWED)
        if (!lstrcmpiA(name.c_str(), allowed))
            return true;
    return false;
}

// Committed private pages, counted region by region: what PrivateUsage reports on Windows, and
// what Wine does not keep (it answers 0 there).
double CommittedPrivateBytes()
{
    double total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (BYTE* at = NULL; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = (BYTE*)region.BaseAddress + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if ((BYTE*)region.BaseAddress + region.RegionSize <= at)
            break;
    }
    return total;
}

bool countedPages;   // PrivateUsage answered 0, the pages were counted instead

// Bytes in use in every heap of the process: finer than pages, which a freed heap reuses.
double HeapBytesInUse()
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    double total = 0;
    for (DWORD i = 0; i < count && i < 64; i++) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

struct Usage {
    double heapBytes;
    double privateBytes;
    DWORD userObjects;
    DWORD gdiObjects;
};

Usage ProcessUsage()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters);
    countedPages = counters.PrivateUsage == 0;
    double privateBytes = countedPages ? CommittedPrivateBytes() : (double)counters.PrivateUsage;
    return {HeapBytesInUse(), privateBytes, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
}

std::string Kib(double bytes) { return Format("%.1f KiB", bytes / 1024); }

void FileRows(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        AddMissingRow("OrvelCmd.plg size", "file not found");
        return;
    }
    double kib = data.nFileSizeLow / 1024.0;
    AddRow({"OrvelCmd.plg size", Format("%.1f KiB (%lu bytes)", kib, data.nFileSizeLow), "", "",
            Format("<= %.0f KiB", MAX_SIZE_KIB), kib <= MAX_SIZE_KIB ? "met" : "MISSED"});

    std::vector<std::string> names;
    if (!ImportedLibraries(path, &names) || names.empty()) {
        AddMissingRow("Imported libraries", "import table unreadable");
        return;
    }
    std::string list, others;
    for (const std::string& n : names) {
        list += (list.empty() ? "" : ", ") + n;
        if (!Allowed(n))
            others += (others.empty() ? "" : ", ") + n;
    }
    AddRow({"Imported libraries", list, "", "", "only system DLLs and kelvor.dll",
            others.empty() ? "met" : "MISSED: " + others});
}

// What a running bar adds, taken after one untimed start and stop so that the platform's
// one-time costs (classes, fonts, caches) are paid before either side is measured.
void RunningRows()
{
    StartModule();
    PumpMessages(50);
    StopModule();
    FloorStart(200, NULL);
    PumpMessages(50);
    FloorStop();
    PumpMessages(50);

    Usage before = ProcessUsage();
    StartModule();
    PumpMessages(100);
    Usage module = ProcessUsage();
    bool shown = IsWindowVisible(ModuleBar());
    StopModule();
    PumpMessages(100);

    Usage floorBefore = ProcessUsage();
    FloorStart(200, NULL);
    PumpMessages(100);
    Usage floor = ProcessUsage();
    FloorStop();
    PumpMessages(50);

    if (!shown) {
        AddMissingRow("Private bytes added by the running bar", "the bar was not shown");
        return;
    }
    AddRow({"Private bytes added by the running bar", Kib(module.privateBytes - before.privateBytes),
            Kib(floor.privateBytes - floorBefore.privateBytes), "", "",
            countedPages ? "committed private pages (PrivateUsage is 0 here)" : "PrivateUsage"});
    AddRow({"Heap bytes in use added by the running bar",
            Kib(module.heapBytes - before.heapBytes), Kib(floor.heapBytes - floorBefore.heapBytes),
            "", "", "all heaps of the host process"});
    // Wine counts no USER or GDI objects (GetGuiResources answers 0); Windows does.
    bool counted = module.userObjects || module.gdiObjects || before.userObjects;
    std::string note = counted ? "" : "not counted by this platform";
    AddRow({"USER objects added", Format("%ld", (long)(module.userObjects - before.userObjects)),
            Format("%ld", (long)(floor.userObjects - floorBefore.userObjects)), "", "", note});
    AddRow({"GDI objects added", Format("%ld", (long)(module.gdiObjects - before.gdiObjects)),
            Format("%ld", (long)(floor.gdiObjects - floorBefore.gdiObjects)), "", "", note});
}
}  // namespace

void MeasureFootprint()
{
    FileRows(BinFolder() + "OrvelCmd.plg");
    RunningRows();
}
