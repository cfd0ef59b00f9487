// Load, start and stop: the module's entry points and the construction of the bar.
#include "state.h"
#include "../host/kelvor.h"
#include "../host/messages.h"
#include "../bar/bar.h"
#include "../command/command.h"
#include "../base/optionalentry.h"
#include "../res/resource.h"
#include <shlwapi.h>

PluginState State;

const UINT BAR_CLASS_STYLE = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
const DWORD BAR_STYLE = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD COMBO_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL |
                          CBS_AUTOHSCROLL | CBS_DROPDOWN;
const int COMBO_CREATE_HEIGHT = 260;  // includes the drop-down list
const int INPUT_LIMIT = LINE_CHARACTERS;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        State.instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

static void RegisterBarClass(BOOL* registered)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = BAR_CLASS_STYLE;
    windowClass.lpfnWndProc = BarWndProc;
    windowClass.hInstance = State.instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hIcon = (HICON)LoadImageA(State.instance, MAKEINTRESOURCEA(IDI_BAR), IMAGE_ICON,
                                          32, 32, LR_SHARED);
    windowClass.lpszClassName = BarClassName;
    *registered = RegisterClassA(&windowClass) != 0;
}

static void AttachAutoComplete()
{
    State.autoCompleteLibrary = LoadLibraryA("shlwapi.dll");
    if (!State.autoCompleteLibrary)
        return;
    State.autoCompleteEntry =
        (AutoCompleteProc)(void*)GetProcAddress(State.autoCompleteLibrary, "SHAutoComplete");
    if (!State.autoCompleteEntry)
        return;
    SendMessageA(State.host.mainWindow, HOSTMSG_AUTOCOMPLETE, 0, 0);
    State.autoCompleteEntry(State.input, SHACF_FILESYSTEM | SHACF_URLHISTORY | SHACF_URLMRU);
}

// Looked up at run time: older Windows have no IsWow64Process.
static BYTE RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64ProcessProc)(HANDLE, PBOOL);
    IsWow64ProcessProc isWow64 =
        (IsWow64ProcessProc)(void*)OptionalEntry("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
}

// Vista and later ask for the administrator when a program is run with "runas"; before, the
// verb asks for another user's name and password instead.
static BYTE OffersElevation()
{
    return LOBYTE(LOWORD(GetVersion())) >= 6 ? 1 : 0;
}

extern "C" void __stdcall InitGlobalModule(HostContext* context)
{
    if (!context || context->size < HOST_CONTEXT_SIZE)
        return;
    // Exactly the record's size, whatever size the host states: the other bytes are not ours.
    CopyMemory(&State.host, context, HOST_CONTEXT_SIZE);

    BOOL registered;
    RegisterBarClass(&registered);
    if (!registered)
        return;

    // No DPI is known before the bar exists: the 13-pixel images it always had.
    State.imageSize = 0;
    LoadButtonImages();
    LoadSettings();
    State.BrowserPath[0] = '\0';
    State.dragging = 0;
    State.wow64 = RunsUnderWow64();
    State.elevation = OffersElevation();
    // The percentage as the byte: 0 to 70 once read, so nonzero exactly when it is above 0.
    State.layeredStyle = LayeredStyle(0, (unsigned char)State.transparency);

    DWORD exStyle = State.layeredStyle;
    if (SendMessageA(State.host.mainWindow, HOSTMSG_ASKTOPMOST, 0, 0) == 0)
        exStyle |= WS_EX_TOPMOST;

    // Recorded only when creation returns: messages sent during creation see no bar yet.
    State.bar = CreateWindowExA(exStyle, BarClassName, BarTitle, BAR_STYLE, State.xPos, State.yPos,
                                State.width, 0, NULL, NULL, State.instance, NULL);
    SetWindowLongPtrA(State.bar, GWLP_USERDATA, BAR_WINDOW_TAG);
    if (State.layeredStyle != 0)
        SetLayered(State.bar, 0, OpacityOf(State.transparency), LWA_ALPHA);

    // The DPI of the monitor the bar was created on; the configured width is the width at 96.
    State.dpi = BarDpi(State.bar);
    State.width = Scale(State.width);
    LoadButtonImages();

    State.combo = CreateWindowExA(0, "COMBOBOX", NULL, COMBO_STYLE, Scale(BUTTON_AREA_WIDTH),
                                  Scale(COMBO_TOP), State.width - Scale(COMBO_MARGIN),
                                  Scale(COMBO_CREATE_HEIGHT), State.bar, NULL, State.instance,
                                  NULL);
    State.input = GetWindow(State.combo, GW_CHILD);
    State.previousEditProc =
        (WNDPROC)SetWindowLongPtrA(State.input, GWLP_WNDPROC, (LONG_PTR)EditSubclassProc);
    ApplyBarFont();
    // The input line then takes no more than CommandBuffer holds.
    SendMessageA(State.combo, CB_LIMITTEXT, INPUT_LIMIT, 0);

    State.barHeight = ComboHeight() + Scale(BAR_HEIGHT_MARGIN);

    // Set before the sizing below: its save stores the saved width when the bar starts collapsed,
    // and the configured width must not be overwritten by a stale or zero one on the way.
    State.savedWidth = State.width;
    // Raises WM_SIZE, which records the width and saves the limited settings.
    SetWindowPos(State.bar, NULL, 0, 0, State.width, State.barHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // ResizeBar's sizing, without activation: ResizeBar does not suppress it, and on a collapsed
    // start the still hidden bar would take over from the window that is active.
    if (State.collapsed)
        SizeBarWindows(Scale(COLLAPSED_WIDTH), State.barHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    // A stored place that no monitor shows any more (one unplugged, a lower resolution).
    State.keepConfiguredPosition = 0;
    KeepBarOnAMonitor();

    // No position is ever requested: the registration only brings the full-screen notifications.
    ZeroMemory(&State.appBar, sizeof State.appBar);
    State.appBar.cbSize = sizeof(APPBARDATA);
    State.appBar.hWnd = State.bar;
    State.appBar.uCallbackMessage = BARMSG_APPBAR;
    SHAppBarMessage(ABM_NEW, &State.appBar);

    if (State.autoComplete)
        AttachAutoComplete();

    HostPluginRecord* record = State.host.plugin;
    if (record) {
        record->window = State.bar;
        record->flags |= PLUGIN_FLAG_HAS_WINDOW;
    }
    ShowWindow(State.bar, SW_SHOWNA);
}

extern "C" void __stdcall DoneModule()
{
    if (State.bar) {
        SHAppBarMessage(ABM_REMOVE, &State.appBar);
        SendMessageA(State.bar, WM_CANCELMODE, 0, 0);  // ends a drag and releases the capture
        DestroyWindow(State.bar);
        State.bar = NULL;
        State.combo = NULL;
        State.input = NULL;
    }
    // Deleted only once the combo box that used it is gone.
    if (State.font)
        DeleteObject(State.font);
    State.font = NULL;
    // Freed only after the input line it served is gone.
    if (State.autoCompleteLibrary)
        FreeLibrary(State.autoCompleteLibrary);
    State.autoCompleteLibrary = NULL;
    State.autoCompleteEntry = NULL;
    for (int i = 0; i < IMAGE_COUNT; i++) {
        if (State.images[i])
            DeleteObject(State.images[i]);
        State.images[i] = NULL;
    }
    State.imageSize = 0;
    State.dpi = 0;
    UnregisterClassA(BarClassName, State.instance);
}
