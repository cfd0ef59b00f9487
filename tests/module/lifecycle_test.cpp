// Start and stop of the real module in a test host: what the host sees, what the bar looks like,
// and that a stop leaves nothing behind.
#include "harness/testhost.h"
#include "kelvor/hooks.h"
#include "plugin/settingtable.h"
#include <string.h>
#include <string>

namespace {

RECT WindowRect(HWND window)
{
    RECT rect;
    SetRectEmpty(&rect);
    GetWindowRect(window, &rect);
    return rect;
}

int CountBars()
{
    struct Counter {
        static BOOL CALLBACK Count(HWND window, LPARAM lParam)
        {
            char name[32];
            GetClassNameA(window, name, sizeof name);
            if (!lstrcmpA(name, "Abrivel"))
                ++*(int*)lParam;
            return TRUE;
        }
    };
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), Counter::Count, (LPARAM)&count);
    return count;
}

bool ClassRegistered()
{
    WNDCLASSA windowClass;
    return GetClassInfoA(Host.module, "Abrivel", &windowClass) != 0;
}

// What the host window saw of the plug-in's windows when each start message arrived.
WNDPROC hostProc;
int queries;
bool barAtQuery;
bool inputAtAutoComplete;
HWND recordWindowAtAutoComplete;

LRESULT CALLBACK WatchHost(HWND window, UINT messageId, WPARAM wParam, LPARAM lParam)
{
    if (messageId == HOSTMSG_ASKTOPMOST) {
        queries++;
        barAtQuery = FindWindowA("Abrivel", NULL) != NULL;
    }
    if (messageId == HOSTMSG_AUTOCOMPLETE) {
        inputAtAutoComplete = IsWindow(InputLine()) != 0;
        recordWindowAtAutoComplete = Host.record->window;
    }
    return CallWindowProcA(hostProc, window, messageId, wParam, lParam);
}

void WatchHostWindow()
{
    queries = 0;
    barAtQuery = true;
    inputAtAutoComplete = false;
    recordWindowAtAutoComplete = (HWND)1;
    hostProc = (WNDPROC)SetWindowLongPtrA(Host.mainWindow, GWLP_WNDPROC, (LONG_PTR)WatchHost);
}

// Slot n of a host record (the 4-byte word at 4 * n, or the 8-byte one at 8 * n in the x64
// layout) holding an address.
const void* Address(const void* record, int slot)
{
    const void* value;
    memcpy(&value, (const BYTE*)record + slot * HOST_SLOT, sizeof value);
    return value;
}

// Slot n holding an integer: its low four bytes; the high four of an 8-byte slot must be zero.
DWORD Field(const void* record, int slot)
{
    DWORD value[2] = {0, 0};
    memcpy(value, (const BYTE*)record + slot * HOST_SLOT, HOST_SLOT);
    EXPECT_EQ(value[1], 0u) << "the high half of slot " << slot;
    return value[0];
}

}  // namespace

// The configuration is read in table order before anything else, the host is asked about the
// z-order before the bar exists, the sizing at start stores the limited values, and the host
// hears of auto-completion last.
const Messages DefaultStart = Sequence({
    SettingsRead({6, 0, 400, 0, 1, 1, 0}),
    {{HOSTMSG_ASKTOPMOST, sent | wparam | lparam, 0, 0, nullptr}},
    SettingsSave(400, 0, 0, 1),
    {{HOSTMSG_AUTOCOMPLETE, sent | wparam | lparam, 0, 0, nullptr}},
});

// Translucent, collapsed, without auto-completion: the opacity is set right after creation, the
// first save already stores the configured width, and the collapse stores the same again.
const Messages CollapsedTranslucentStart = Sequence({
    SettingsRead({6, 1, 300, 40, 50, 0, 20}),
    {{HOSTMSG_ASKTOPMOST, sent | wparam | lparam, 0, 0, nullptr}},
    {{CFG_LAYERED, lparam, 0, 204, nullptr}},
    SettingsSave(300, 1, 40, 50),
    SettingsSave(300, 1, 40, 50),
});

static const message Nothing[] = {{0, 0, 0, 0, nullptr}};

TEST_F(ModuleTest, StartSequenceAtHostAndLibrary)
{
    WatchHostWindow();
    Host.recordMask = RECORD_ALL;
    StartPlugin();
    ok_sequence(DefaultStart.data(), "default start");
    EXPECT_EQ(queries, 1);
    EXPECT_FALSE(barAtQuery) << "0x7FBE must come before the bar is created";
    EXPECT_TRUE(inputAtAutoComplete);
    EXPECT_EQ(recordWindowAtAutoComplete, nullptr) << "the host is told the window after 0x7FBF";

    FreshHost();
    SetConfigInt("Minimize", 1);
    SetConfigInt("Width", 300);
    SetConfigInt("XPos", 40);
    SetConfigInt("YPos", 50);
    SetConfig("AutoComplete", "0");
    SetConfigInt("Transparency", 20);
    Host.recordMask = RECORD_ALL;
    StartPlugin();
    ok_sequence(CollapsedTranslucentStart.data(), "collapsed translucent start without auto-completion");
}

TEST_F(ModuleTest, PluginInfoRecord)
{
    Host.recordMask = RECORD_ALL;
    const void* info = Host.GetPluginInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(sequence_count(), 0) << "GetPluginInfo touches neither host nor configuration";
    EXPECT_EQ(Field(info, 0), (DWORD)HOST_AT(24));
    const char* name = (const char*)Address(info, 1);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "Abrivel");
    ASSERT_NE(Address(info, 3), nullptr);
    EXPECT_STREQ((const char*)Address(info, 3), "Abrivel");
    EXPECT_EQ((int)Field(info, 4), 7);

    // Four lines joined by CR LF; the last line is the maker's notice, in words of our own.
    const char* aboutText = (const char*)Address(info, 2);
    ASSERT_NE(aboutText, nullptr);
    std::string about = aboutText;
    std::string head = "Abrivel 1.8.2\r\nType \".help\" for command list\r\n" + std::string(34, '-') +
                       "\r\n";
    ASSERT_EQ(about.compare(0, head.size(), head), 0) << about;
    std::string notice = about.substr(head.size());
    EXPECT_FALSE(notice.empty());
    EXPECT_EQ(notice.find_first_of("\r\n"), std::string::npos) << "no break in or after line 4";

    // The records the host reads (24 bytes, 48 in the x64 layout), made from the settings
    // table; caption and key are the same text.
    const BYTE* table = (const BYTE*)Address(info, 5);
    ASSERT_NE(table, nullptr);
    for (int i = 0; i < SETTING_COUNT; i++) {
        const BYTE* entry = table + HOST_AT(24) * i;
        const SettingRow& row = SettingsTable[i];
        SCOPED_TRACE(row.key);
        ASSERT_NE(Address(entry, 0), nullptr);
        EXPECT_STREQ((const char*)Address(entry, 0), row.key);
        EXPECT_EQ(Field(entry, 1), row.kind);
        EXPECT_EQ(Address(entry, 2), Address(entry, 0));
        EXPECT_EQ((int)Field(entry, 3), row.shownDefault);
        EXPECT_EQ((int)Field(entry, 4), row.minimum);
        EXPECT_EQ((int)Field(entry, 5), row.maximum);
    }
    EXPECT_STREQ((const char*)Address(table + HOST_AT(24) * 6, 0), "Transparency");

    // Without layered windows the host is offered the six options before Transparency.
    KelvorSetLayeredAvailable(0);
    EXPECT_EQ((int)Field(Host.GetPluginInfo(), 4), 6);
    KelvorSetLayeredAvailable(1);
    EXPECT_EQ(Host.GetPluginInfo(), info);
    EXPECT_EQ((int)Field(info, 4), 7);
}

TEST_F(ModuleTest, HostRecordUnder112BytesStartsNothing)
{
    Host.recordMask = RECORD_ALL;
    for (LONG size : {(LONG)HOST_CONTEXT_SIZE - 1, 0L, -1L, (LONG)0x80000000}) {
        SCOPED_TRACE(size);
        Host.context.size = size;
        StartPlugin();
        EXPECT_EQ(sequence_count(), 0) << "no message, no configuration read";
        EXPECT_EQ(BarWindow(), nullptr);
        EXPECT_FALSE(ClassRegistered());
        EXPECT_EQ(Host.record->window, nullptr);
        EXPECT_EQ(Host.record->flags, 0u);
    }
    EXPECT_TRUE(GuardsIntact());
    // The module is still merely loaded and starts normally afterwards.
    Host.context.size = sizeof(HostContext);
    StartPlugin();
    EXPECT_NE(BarWindow(), nullptr);
}

TEST_F(ModuleTest, OnlyThe112BytesOfTheHostRecordAreRead)
{
    // The record ends where an inaccessible page begins, and claims to be far larger.
    BYTE* pages = (BYTE*)VirtualAlloc(NULL, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(pages, nullptr);
    DWORD previous;
    ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &previous));
    HostContext* context = (HostContext*)(pages + 4096 - sizeof(HostContext));
    *context = Host.context;
    context->size = 0x7FFFFFFF;
    Host.InitGlobalModule(context);
    Host.started = true;
    EXPECT_NE(BarWindow(), nullptr);
    EXPECT_EQ(Host.record->window, BarWindow());
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(ModuleTest, BarWindowAndComboBox)
{
    SetConfigInt("XPos", 100);
    SetConfigInt("YPos", 200);
    SetConfigInt("Width", 300);
    // Flag bits of the host's own and the rest of its record must survive the start.
    FillMemory(Host.record, sizeof(HostPluginRecord), 0x3C);
    Host.record->flags = 0x80000005;
    Host.record->window = NULL;
    Host.record->text = Host.hostText;
    HostPluginRecord before = *Host.record;
    StartPlugin();

    HWND bar = BarWindow();
    ASSERT_NE(bar, nullptr);
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    ASSERT_TRUE(GetClassInfoExA(Host.module, "Abrivel", &windowClass));
    EXPECT_EQ(windowClass.style, (UINT)(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_NE(windowClass.hIcon, nullptr);
    EXPECT_EQ(windowClass.hCursor, LoadCursorA(NULL, IDC_ARROW));
    EXPECT_EQ(windowClass.hbrBackground, nullptr);
    EXPECT_EQ(windowClass.cbClsExtra, 0);
    EXPECT_EQ(windowClass.cbWndExtra, 0);

    EXPECT_EQ(WindowText(bar), "OrvelCmd");
    EXPECT_EQ((DWORD)GetWindowLongA(bar, GWL_STYLE),
              (DWORD)(WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE));
    EXPECT_EQ(GetWindowLongPtrA(bar, GWLP_USERDATA), 0x49474541);
    EXPECT_EQ(GetParent(bar), nullptr);

    HWND combo = ComboBox();
    ASSERT_NE(combo, nullptr);
    RECT comboRect = WindowRect(combo);
    RECT barRect = WindowRect(bar);
    EXPECT_EQ(barRect.left, 100);
    EXPECT_EQ(barRect.top, 200);
    EXPECT_EQ(barRect.right - barRect.left, 300);
    EXPECT_EQ(barRect.bottom - barRect.top, comboRect.bottom - comboRect.top + 4);
    EXPECT_EQ(comboRect.left - barRect.left, 22);
    EXPECT_EQ(comboRect.top - barRect.top, 2);
    EXPECT_EQ(comboRect.right - comboRect.left, 276);
    EXPECT_EQ(GetDlgCtrlID(combo), 0);
    DWORD comboStyle = (DWORD)GetWindowLongA(combo, GWL_STYLE);
    EXPECT_EQ(comboStyle & 3, (DWORD)CBS_DROPDOWN);
    EXPECT_TRUE(comboStyle & CBS_AUTOHSCROLL);
    EXPECT_EQ((HFONT)SendMessageA(combo, WM_GETFONT, 0, 0), (HFONT)GetStockObject(ANSI_VAR_FONT));

    // Typing stops at 259 characters, what CommandBuffer holds with its terminator.
    HWND input = InputLine();
    ASSERT_NE(input, nullptr);
    for (int i = 0; i < 300; i++)
        SendMessageA(input, WM_CHAR, 'a' + i % 26, 1);
    EXPECT_EQ(GetWindowTextLengthA(input), 259);

    // The input line runs the plug-in's procedure, which still hands on to the edit control's.
    HWND plainCombo = CreateWindowExA(0, "COMBOBOX", NULL, WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100,
                                      Host.mainWindow, NULL, NULL, NULL);
    HWND plainEdit = GetWindow(plainCombo, GW_CHILD);
    ASSERT_EQ(GetWindowLongPtrA(plainEdit, GWLP_WNDPROC), GetClassLongPtrA(plainEdit, GCLP_WNDPROC));
    DestroyWindow(plainCombo);
    EXPECT_NE(GetWindowLongPtrA(input, GWLP_WNDPROC), GetClassLongPtrA(input, GCLP_WNDPROC));
    PressKey(input, VK_ESCAPE);
    EXPECT_EQ(WindowText(input), "");
    SendMessageA(input, WM_CHAR, 'x', 1);
    EXPECT_EQ(WindowText(input), "x");

    EXPECT_EQ(Host.record->window, bar);
    EXPECT_EQ(Host.record->flags, 0x80010005u);
    EXPECT_EQ(memcmp(Host.record->reserved1, before.reserved1, HOST_AT(208)), 0);
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(ModuleTest, ZOrderAndTranslucency)
{
    struct Case { LRESULT answer; int transparency; int layeredAvailable; bool topmost; int opacity; };
    static const Case cases[] = {
        {0, 0, 1, true, 0},    {1, 20, 1, false, 204}, {0, 70, 1, true, 76},
        {-1, 0, 1, false, 0},  {0, 20, 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << c.answer << ", transparency "
                                        << c.transparency << ", layered " << c.layeredAvailable);
        FreshHost();
        Host.topmostAnswer = c.answer;
        KelvorSetLayeredAvailable(c.layeredAvailable);
        SetConfigInt("Transparency", c.transparency);
        Host.recordMask = RECORD_LIBRARY;
        StartPlugin();
        HWND bar = BarWindow();
        ASSERT_NE(bar, nullptr);
        DWORD exStyle = (DWORD)GetWindowLongA(bar, GWL_EXSTYLE);
        EXPECT_EQ((exStyle & WS_EX_TOPMOST) != 0, c.topmost);
        EXPECT_EQ((exStyle & WS_EX_LAYERED) != 0, c.opacity != 0);
        int opacities[4];
        int calls = collect_values(CFG_LAYERED, nullptr, opacities, 4);
        if (c.opacity) {
            BYTE alpha = 0;
            DWORD flags = 0;
            EXPECT_TRUE(GetLayeredWindowAttributes(bar, NULL, &alpha, &flags));
            EXPECT_EQ(alpha, c.opacity);
            EXPECT_EQ(flags, (DWORD)LWA_ALPHA);
            ASSERT_EQ(calls, 1);
            EXPECT_EQ(opacities[0], c.opacity);
        } else {
            EXPECT_EQ(calls, 0) << "SetLayered called on an opaque bar";
        }
    }
}

TEST_F(ModuleTest, CollapsedStartKeepsTheConfiguredWidth)
{
    SetConfigInt("Minimize", 1);
    SetConfigInt("Width", 300);
    Host.recordMask = RECORD_CONFIG_WRITES;
    StartPlugin();
    ASSERT_NE(BarWindow(), nullptr);
    RECT barRect = WindowRect(BarWindow());
    RECT comboRect = WindowRect(ComboBox());
    EXPECT_EQ(barRect.right - barRect.left, 24);
    EXPECT_EQ(comboRect.right - comboRect.left, 0);
    int widths[8];
    int count = collect_values(CFG_SETINT, "Width", widths, 8);
    ASSERT_GE(count, 1);
    for (int i = 0; i < count; i++)
        EXPECT_EQ(widths[i], 300) << "save " << i << " during the start";
    int value = 0;
    EXPECT_TRUE(GetConfigInt("Width", &value));
    EXPECT_EQ(value, 300);
    EXPECT_TRUE(GetConfigInt("Minimize", &value));
    EXPECT_EQ(value, 1);

    // Expanding returns to the configured width.
    SendMessageA(BarWindow(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    barRect = WindowRect(BarWindow());
    EXPECT_EQ(barRect.right - barRect.left, 300);
}

TEST_F(ModuleTest, StartLeavesTheActiveWindowActive)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "LifecycleActive";
    RegisterClassA(&windowClass);
    for (int collapsed = 0; collapsed < 2; collapsed++) {
        SCOPED_TRACE(collapsed ? "collapsed start" : "expanded start");
        if (collapsed)
            FreshHost();
        SetConfigInt("Minimize", collapsed);
        HWND other = CreateWindowExA(0, "LifecycleActive", "active before", WS_OVERLAPPEDWINDOW,
                                     300, 300, 200, 150, NULL, NULL, windowClass.hInstance, NULL);
        ShowWindow(other, SW_SHOW);
        SetForegroundWindow(other);
        SetActiveWindow(other);
        ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == other; }, 10000));
        StartPlugin();
        HWND bar = BarWindow();
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(IsWindowVisible(bar));
        EXPECT_FALSE(WaitUntil([&] {
            return GetActiveWindow() != other || GetForegroundWindow() == bar ||
                   GetFocus() == InputLine();
        }, 1000));
        EXPECT_EQ(GetActiveWindow(), other);
        DestroyWindow(other);
    }
    UnregisterClassA("LifecycleActive", windowClass.hInstance);
}

TEST_F(ModuleTest, StopRemovesEverythingAndWritesNothing)
{
    StartPlugin();
    HWND bar = BarWindow();
    HWND input = InputLine();
    ASSERT_NE(bar, nullptr);
    HostPluginRecord before = *Host.record;
    Host.recordMask = RECORD_ALL;
    flush_sequence();
    Host.DoneModule();
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_FALSE(IsWindow(input));
    EXPECT_FALSE(ClassRegistered());
    Host.DoneModule();
    ok_sequence(Nothing, "a stop sends nothing and saves nothing");
    EXPECT_EQ(memcmp(Host.record, &before, sizeof before), 0) << "the host's record is left alone";

    // Stopped, the module starts afresh.
    StartPlugin();
    EXPECT_NE(BarWindow(), nullptr);
    EXPECT_EQ(CountBars(), 1);
}

TEST_F(ModuleTest, StopWithoutStartIsHarmless)
{
    Host.recordMask = RECORD_ALL;
    Host.DoneModule();
    Host.DoneModule();
    EXPECT_EQ(sequence_count(), 0);
    StartPlugin();
    EXPECT_NE(BarWindow(), nullptr);
}

TEST_F(ModuleTest, SecondStartWhileRunningKeepsTheBar)
{
    StartPlugin();
    HWND bar = BarWindow();
    ASSERT_NE(bar, nullptr);
    HostPluginRecord second;
    ZeroMemory(&second, sizeof second);
    HostContext context = Host.context;
    context.plugin = &second;
    Host.recordMask = RECORD_ALL;
    flush_sequence();
    Host.InitGlobalModule(&context);
    ok_sequence(Nothing, "the second start stops at the class registration");
    EXPECT_EQ(BarWindow(), bar);
    EXPECT_EQ(CountBars(), 1);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(second.window, nullptr);
    EXPECT_EQ(second.flags, 0u);
    EXPECT_EQ(Host.record->window, bar);
}

TEST_F(ModuleTest, LongHostTextsAndNoPluginRecord)
{
    for (int length : {200, 263, 1000}) {
        SCOPED_TRACE(length);
        FreshHost();
        std::string folder = "C:\\" + std::string(length - 4, 'F') + "\\";
        Host.context.hostFolder = folder.c_str();
        FillMemory(Host.hostText, length, 'T');
        Host.hostText[length] = '\0';
        StartPlugin();
        EXPECT_NE(BarWindow(), nullptr);
        StopPlugin();
        EXPECT_EQ(BarWindow(), nullptr);
        EXPECT_EQ(std::string(Host.hostText), std::string(length, 'T'));
        EXPECT_TRUE(GuardsIntact());
        LoadPlugin();
    }
    // A host without a record for the plug-in gets a bar all the same.
    FreshHost();
    Host.context.plugin = NULL;
    StartPlugin();
    EXPECT_NE(BarWindow(), nullptr);
}
