// The stress program: runs the module through long lifecycles, message storms, hostile
// registry data, hostile host records and random text, and prints what it saw as figures.
// Usage: stress.exe [--cycles N] [--messages N] [--inputs N] [--seed S] [--part 1-5]
#include "stress.h"
#include <shellapi.h>
#include <tlhelp32.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <set>
#include <vector>
#include "harness/testhost.h"

StressOptions Options;
Cage Programs;
static int offFigures;

void Figure(const char* name, const std::string& value, bool ok)
{
    printf("%s: %s%s\n", name, value.c_str(), ok ? "" : "  <-- off");
    fflush(stdout);
    if (!ok)
        offFigures++;
}

void Figure(const char* name, long long value, bool ok) { Figure(name, Format("%lld", value), ok); }

const int GUARD_BYTES = 64;
const BYTE GUARD_FILL = 0xA5;

Guarded::Guarded(int n) : size(n)
{
    block = (BYTE*)malloc(n + 2 * GUARD_BYTES);
    memset(block, GUARD_FILL, n + 2 * GUARD_BYTES);
    data = (char*)block + GUARD_BYTES;
}

Guarded::~Guarded() { free(block); }

bool Guarded::Intact() const
{
    for (int i = 0; i < GUARD_BYTES; i++)
        if (block[i] != GUARD_FILL || block[GUARD_BYTES + size + i] != GUARD_FILL)
            return false;
    return true;
}

// Wine answers GetGuiResources with ERROR_CALL_NOT_IMPLEMENTED and GetProcessHandleCount
// with 0; its handle tables can be read through the handles' 16-bit indices instead.
static bool guiReported, handlesReported;

static long long ScanUserObjects()
{
    DWORD self = GetCurrentProcessId();
    long long count = 0;
    for (ULONG_PTR i = 1; i < 0x10000; i++) {
        HWND window = (HWND)i;
        DWORD owner = 0;
        if (IsWindow(window) && GetWindowThreadProcessId(window, &owner) && owner == self)
            count++;
        else if (IsMenu((HMENU)i))
            count++;
    }
    return count;
}

static long long ScanGdiObjects()
{
    long long count = 0;
    for (ULONG_PTR i = 1; i < 0x10000; i++)
        if (GetObjectType((HGDIOBJ)i))
            count++;
    return count;
}

static long long ScanKernelHandles()
{
    long long count = 0;
    DWORD flags;
    for (ULONG_PTR h = 4; h < 0x10000; h += 4)
        if (GetHandleInformation((HANDLE)h, &flags))
            count++;
    return count;
}

ObjectCounts CountObjects()
{
    ObjectCounts counts;
    DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    guiReported = user || gdi;
    counts.user = guiReported ? user : ScanUserObjects();
    counts.gdi = guiReported ? gdi : ScanGdiObjects();
    DWORD handles = 0;
    handlesReported = GetProcessHandleCount(GetCurrentProcess(), &handles) && handles;
    counts.kernel = handlesReported ? handles : ScanKernelHandles();
    return counts;
}

std::string CountMethod()
{
    std::string method = guiReported ? "GetGuiResources" : "not reported by Wine; handle-table scan";
    method += handlesReported ? ", GetProcessHandleCount" : ", handles by GetHandleInformation scan";
    return method;
}

static void CopyRecorder(const std::string& destination)
{
    CopyFileA((BinFolder() + "recorder.exe").c_str(), destination.c_str(), FALSE);
}

void PrepareCage()
{
    Programs.folder = TestFolder() + "cage\\";
    CreateDirectoryA(Programs.folder.c_str(), NULL);
    for (const char* name : {"rcopy1.exe", "rcopy2.exe", "rcopy3.exe", "final.exe"})
        CopyRecorder(Programs.folder + name);
    // The host's theme tool, started by ".Theme" from the host folder.
    CopyRecorder(TestFolder() + "vestrad.exe");
    Programs.log = TestFolder() + "launches.log";
    DeleteFileA(Programs.log.c_str());
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", Programs.log.c_str());
    SetCurrentDirectoryA(Programs.folder.c_str());
}

static std::string ReadLog()
{
    HANDLE file = CreateFileA(Programs.log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string text;
    char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got)
        text.append(chunk, got);
    CloseHandle(file);
    return text;
}

int LaunchesRecorded()
{
    std::string text = ReadLog();
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

bool WaitForRecorded(const std::string& needle, DWORD timeoutMs)
{
    return WaitUntil([&] { return ReadLog().find(needle) != std::string::npos; }, timeoutMs);
}

static const char PageProgId[] = "OrvelStressPage";
static char previousHtm[MAX_PATH];
static bool browserRegistered;

bool RegisterRecorderBrowser()
{
    LONG size = sizeof previousHtm;
    previousHtm[0] = '\0';
    RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", previousHtm, &size);
    std::string command = "\"" + BinFolder() + "recorder.exe\" \"%1\"";
    std::string key = std::string(PageProgId) + "\\shell\\open\\command";
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, command.c_str(), (DWORD)command.size());
    RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, PageProgId, sizeof PageProgId - 1);
    browserRegistered = true;

    // The module asks the same question; its answer must be the recorder.
    std::string probe = TestFolder() + "probe.htm";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    CloseHandle(file);
    char found[MAX_PATH] = "";
    FindExecutableA(probe.c_str(), NULL, found);
    DeleteFileA(probe.c_str());
    char shortRecorder[MAX_PATH] = "", shortFound[MAX_PATH] = "";
    GetShortPathNameA((BinFolder() + "recorder.exe").c_str(), shortRecorder, MAX_PATH);
    GetShortPathNameA(found, shortFound, MAX_PATH);
    return lstrcmpiA(shortRecorder, shortFound) == 0;
}

void RestoreBrowser()
{
    if (!browserRegistered)
        return;
    if (previousHtm[0])
        RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, previousHtm, lstrlenA(previousHtm));
    else
        RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(PageProgId) + "\\shell\\open\\command").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(PageProgId) + "\\shell\\open").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(PageProgId) + "\\shell").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, PageProgId);
    browserRegistered = false;
}

static std::set<DWORD> baselineProcesses;

template <typename Visit> static void EachProcess(Visit visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        visit(entry);
    CloseHandle(snapshot);
}

void TakeProcessBaseline()
{
    baselineProcesses.clear();
    EachProcess([](PROCESSENTRY32& p) { baselineProcesses.insert(p.th32ProcessID); });
}

std::string ForeignProcesses()
{
    static const char* const allowed[] = {"recorder.exe", "rcopy1.exe", "rcopy2.exe", "rcopy3.exe",
                                          "final.exe", "vestrad.exe", "conhost.exe"};
    std::string foreign;
    EachProcess([&](PROCESSENTRY32& p) {
        if (baselineProcesses.count(p.th32ProcessID))
            return;
        for (const char* name : allowed)
            if (lstrcmpiA(p.szExeFile, name) == 0)
                return;
        foreign += std::string(foreign.empty() ? "" : ", ") + p.szExeFile;
    });
    return foreign;
}

static int modalClosed;
static std::set<HWND> modalSeen;

static BOOL CALLBACK CloseModal(HWND window, LPARAM)
{
    char name[16];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name))
        return TRUE;
    bool dialog = !lstrcmpA(name, "#32770"), menu = !lstrcmpA(name, "#32768");
    if (!dialog && !menu)
        return TRUE;
    if (modalSeen.insert(window).second) {
        modalClosed++;
        char caption[128] = "";
        GetWindowTextA(window, caption, sizeof caption);
        fprintf(stderr, "guard: closed %s \"%s\"\n", name, caption);
    }
    if (menu)
        EndMenu();
    else
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

static void CALLBACK ModalGuardProc(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CloseModal, 0);
}

void ArmModalGuard()
{
    static UINT_PTR timer;
    if (!timer)
        timer = SetTimer(NULL, 0, 200, ModalGuardProc);
}

int ModalWindowsClosed() { return modalClosed; }

// A fault anywhere is a figure too, and ends the run.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    printf("crash: exception 0x%08lx at %p\n", exception->ExceptionRecord->ExceptionCode,
           exception->ExceptionRecord->ExceptionAddress);
    fflush(stdout);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

static int ArgumentAfter(int& i, int argc, char** argv)
{
    return i + 1 < argc ? (int)strtoul(argv[++i], NULL, 10) : 0;
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--cycles")
            Options.cycles = ArgumentAfter(i, argc, argv);
        else if (a == "--messages")
            Options.messages = ArgumentAfter(i, argc, argv);
        else if (a == "--inputs")
            Options.inputs = ArgumentAfter(i, argc, argv);
        else if (a == "--seed")
            Options.seed = (unsigned)ArgumentAfter(i, argc, argv);
        else if (a == "--part")
            Options.part = ArgumentAfter(i, argc, argv);
        else {
            fprintf(stderr, "usage: stress.exe [--cycles N] [--messages N] [--inputs N] "
                            "[--seed S] [--part 1-5]\n");
            return 2;
        }
    }
    SetUnhandledExceptionFilter(ReportCrash);
    Figure("seed", (long long)Options.seed);
    PrepareCage();
    ArmModalGuard();
    typedef int (*Part)();
    const Part parts[] = {RunLifecycle, RunStorm, RunHostileRegistry, RunHostileHost, RunTextRoutines};
    for (int p = 1; p <= 5; p++) {
        if (Options.part && Options.part != p)
            continue;
        DWORD start = GetTickCount();
        parts[p - 1]();
        Figure(Format("part %d seconds", p).c_str(), (long long)(GetTickCount() - start) / 1000);
    }
    RestoreBrowser();
    Figure("modal windows closed by the guard", ModalWindowsClosed(), ModalWindowsClosed() == 0);
    Figure("figures off", offFigures, offFigures == 0);
    return offFigures ? 1 : 0;
}
