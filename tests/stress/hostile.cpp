// A host that hands the module what it should not: records shorter than 112 bytes, texts and
// folder paths longer than the module's buffers, a host window that no longer exists, and no
// record, text or memory context at all.
#include "stress.h"
#include "storm.h"
#include <vector>
#include "harness/testhost.h"

// A record of size bytes that ends where an inaccessible page begins: a read past it faults.
struct PageEndRecord {
    BYTE* pages;
    HostContext* record;
    int bytes;
    explicit PageEndRecord(int size)
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        DWORD page = system.dwPageSize;
        pages = (BYTE*)VirtualAlloc(NULL, page * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(pages + page, page, PAGE_NOACCESS, &old);
        bytes = size < 4 ? 4 : size;  // the size field itself is always there
        record = (HostContext*)(pages + page - bytes);
        memset(record, 0xA5, bytes);
        // As much of a real context as fits, so that a start would show.
        HostContext full = Host.context;
        full.size = size;
        memcpy(record, &full, bytes < (int)sizeof full ? bytes : sizeof full);
    }
    ~PageEndRecord() { VirtualFree(pages, 0, MEM_RELEASE); }
};

static bool NothingStarted()
{
    WNDCLASSA windowClass;
    return BarWindow() == NULL && !GetClassInfoA(Host.module, "Abrivel", &windowClass) &&
           sequence_count() == 0 && Host.record->flags == 0 && Host.record->window == NULL;
}

static int ShortRecords()
{
    int started = 0;
    std::vector<int> sizes;
    for (int size = 0; size < 112; size++)
        sizes.push_back(size);
    sizes.push_back(-1);
    sizes.push_back((int)0x80000000);
    for (int size : sizes) {
        PageEndRecord record(size);
        std::vector<BYTE> before((BYTE*)record.record, (BYTE*)record.record + record.bytes);
        flush_sequence();
        Host.InitGlobalModule(record.record);
        bool untouched = memcmp(before.data(), record.record, record.bytes) == 0;
        if (!NothingStarted() || !untouched) {
            started++;
            fprintf(stderr, "host: a record of %d bytes started something\n", size);
            Host.DoneModule();
        }
    }
    return started;
}

static void Start()
{
    flush_sequence();
    Host.properties.clear();
    Host.InitGlobalModule(&Host.context);
}

static void Stop() { Host.DoneModule(); }

static int LongTexts()
{
    int wrong = 0;
    for (int length : {200, 261, 262, 263, 264, 300, 520, 1000}) {
        std::string text;
        for (int i = 0; i < length; i++)
            text += (char)('a' + i % 26);
        lstrcpyA(Host.hostText, text.c_str());
        Start();
        PressReturnOn(".Properties");
        SendMessageA(BarWindow(), WM_COMMAND, 102, 0);
        PressReturnOn(".Theme");
        PumpMessages(0);
        // The host keeps at most 262 characters: a longer text arrives cut, never overrun.
        std::string expected = "/" + text.substr(0, 262);
        bool ok = Host.properties.size() == 2 && Host.properties[0] == expected &&
                  Host.properties[1] == expected && text == Host.hostText && GuardsIntact();
        if (!ok) {
            wrong++;
            fprintf(stderr, "host: a text of %d characters: %zu requests, first of %zu\n", length,
                    Host.properties.size(),
                    Host.properties.empty() ? (size_t)0 : Host.properties[0].size());
        }
        Stop();
    }
    lstrcpyA(Host.hostText, "OrvelCmd.plg");
    return wrong;
}

static std::vector<std::string> ProgramsRun()
{
    std::vector<std::string> run;
    for (int i = 0; i < sequence_count(); i++)
        if (sequence_at(i)->message == CFG_RUN)
            run.push_back(sequence_at(i)->text);
    return run;
}

// The tool's path is the folder and "vestrad.exe" in a buffer of 264 characters: where it fits,
// the tool is started with the whole path; where it does not, nothing is started.
static int LongFolders()
{
    const int room = 1100;
    Guarded folder(room);
    int wrong = 0;
    std::string base = TestFolder();
    Host.recordMask = RECORD_LIBRARY;
    for (int length : {200, 240, 248, 252, 253, 254, 263, 264, 300, 600, 1000}) {
        int pad = length - (int)base.size() - 1;
        std::string path = base + std::string(pad, 'h') + "\\";
        std::string tool = path + "vestrad.exe";
        bool fits = (int)tool.size() < 264;
        // Where the platform can hold the path, a recorder stands in for the tool.
        bool exists = tool.size() < MAX_PATH;
        if (exists) {
            CreateDirectoryA(path.c_str(), NULL);
            CopyFileA((Programs.folder + "rcopy1.exe").c_str(), tool.c_str(), FALSE);
        }
        lstrcpyA(folder.data, path.c_str());
        Host.context.hostFolder = folder.data;
        Start();
        PressReturnOn(".Theme");
        PressReturnOn(".Properties");
        std::vector<std::string> run = ProgramsRun();
        bool ok = fits ? run.size() == 1 && run[0] == tool : run.empty();
        if (ok && exists)
            ok = WaitForRecorded(tool, 15000);
        bool intact = folder.Intact() && path == folder.data && GuardsIntact();
        if (!ok || !intact) {
            wrong++;
            fprintf(stderr, "host: a folder of %d characters: %s\n", length,
                    !intact ? "buffer touched" : fits ? "tool not started" : "something started");
        }
        Stop();
    }
    Host.recordMask = 0;
    Host.context.hostFolder = Host.hostFolder;
    return wrong;
}

// The same few operations for every odd host below: none may crash.
static bool Exercise()
{
    HWND bar = BarWindow();
    if (!bar)
        return false;
    for (const char* line : {".Properties", ".About", ".SetupClock", ".Wallpapers", ".Theme",
                             "nzqx not found", ".Error", ".Site"})
        PressReturnOn(line);
    SendMessageA(bar, WM_COMMAND, 102, 0);
    SendMessageA(bar, WM_PAINT, 0, 0);
    InvalidateRect(bar, NULL, FALSE);
    UpdateWindow(bar);
    SendMessageA(bar, WM_CLOSE, 0, 0);
    SendMessageA(bar, WM_LBUTTONDBLCLK, 0, 0);
    PumpMessages(100);
    return IsWindow(bar);
}

int RunHostileHost()
{
    CreateTestHost();
    RegisterRecorderBrowser();
    LoadPlugin();
    Host.recordMask = RECORD_ALL;
    int started = ShortRecords();
    Figure("host records of 0 to 111 bytes (and negative sizes) that started anything", started,
           started == 0);
    Host.recordMask = 0;

    int texts = LongTexts();
    Figure("host texts of 200 to 1000 characters handled wrongly", texts, texts == 0);
    int folders = LongFolders();
    Figure("host folders of 200 to 1000 characters handled wrongly", folders, folders == 0);

    HWND dead = CreateWindowA("STATIC", "gone", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(dead);
    struct Odd { const char* name; void (*make)(HWND); };
    static HWND deadWindow;
    deadWindow = dead;
    const Odd odd[] = {
        {"a destroyed host window", [](HWND w) { Host.context.mainWindow = w; }},
        {"no host record", [](HWND) { Host.context.plugin = NULL; }},
        {"no host text", [](HWND) { Host.record->text = NULL; }},
        {"no memory context", [](HWND) { Host.context.memoryDC = NULL; }},
        {"no host folder", [](HWND) { Host.context.hostFolder = NULL; }},
    };
    for (const Odd& o : odd) {
        HostContext saved = Host.context;
        const char* savedText = Host.record->text;
        o.make(deadWindow);
        Start();
        bool ok = Exercise();
        Stop();
        ok = ok && BarWindow() == NULL && GuardsIntact();
        Figure(Format("host with %s survives", o.name).c_str(), ok ? "yes" : "no", ok);
        Host.context = saved;
        Host.record->text = savedText;
    }
    Figure("host guard bytes", GuardsIntact() ? "intact" : "overwritten", GuardsIntact());
    Host.started = false;
    StopPlugin();
    DestroyTestHost();
    RestoreBrowser();
    DeleteHistoryKey();
    return 0;
}
