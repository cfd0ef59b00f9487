// A storm of the bar's messages and the input line's keys, drawn at random from a fixed seed.
// Nothing in it may open modal UI or start a real program: dot commands that open dialogs are
// left out, and every line that reaches the shell either names nothing that exists (it begins
// with a marker no file carries and climbs no folders) or a recorder copy in the cage.
#include "stress.h"
#include "storm.h"
#include <shellapi.h>
#include <vector>
#include "harness/testhost.h"
#include "command/textrules.h"
#include "host/kelvor.h"
#include "kelvor/hooks.h"

static const char Marker[] = "nzqx";
static const char Alphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ    \"\"\\\\..\t\x01\x07\x1b\r\n";

static bool StartsWithNoCase(const char* text, const std::string& prefix)
{
    return (int)lstrlenA(text) >= (int)prefix.size() &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, (int)prefix.size(),
                          prefix.c_str(), (int)prefix.size()) == CSTR_EQUAL;
}

// What Return would do with this line is harmless: no dialog, no program but a recorder.
bool SafeToRun(const std::string& line)
{
    if (line.empty())
        return true;
    if (line[0] == '.') {
        int number = MatchDotCommand(line.c_str() + 1);
        // No match and Help show the command list, Install starts an applet, Open a dialog.
        return number != 0 && number != 1 && number != 8 && number != 17;
    }
    if (IsWebTarget(line.c_str()))
        return true;  // the browser is a recorder
    if (line.find("..") != std::string::npos || line.size() >= MAX_PATH)
        return false;
    char text[MAX_PATH];
    lstrcpynA(text, line.c_str(), MAX_PATH);
    if (DirExists(text))
        return false;  // a folder would be explored
    if (IsQuoted(text))
        Unquote(text);
    char token[TOKEN_LIMIT + 1];
    SplitFirstToken(text, token);
    if (DirExists(text) || DirExists(token))
        return false;
    const char* start = text;
    while ((unsigned char)*start >= 1 && (unsigned char)*start <= 32)
        start++;
    if (*start == '"')
        start++;
    return StartsWithNoCase(start, Marker) || StartsWithNoCase(start, Programs.folder);
}

std::string RandomText(Random& random, int maxLength)
{
    int length = random.Below(maxLength + 1);
    std::string text;
    for (int i = 0; i < length; i++)
        text += Alphabet[random.Below(sizeof Alphabet - 1)];
    return text;
}

static std::string RandomCase(Random& random, const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (random.Below(2))
            c = (char)(ULONG_PTR)(IsCharUpperA(c) ? CharLowerA((LPSTR)(ULONG_PTR)(BYTE)c)
                                                  : CharUpperA((LPSTR)(ULONG_PTR)(BYTE)c));
    return out;
}

static std::string NoClimbing(std::string text)
{
    for (size_t at; (at = text.find("..")) != std::string::npos;)
        text[at + 1] = '_';
    return text;
}

static std::string Limited(std::string text)
{
    if (text.size() > MAX_PATH - 1)
        text.resize(MAX_PATH - 1);
    return text;
}

// A line to press Return on. Launches are rare: each starts a process.
std::string RandomSafeLine(Random& random)
{
    int kind = random.Below(100);
    std::string line;
    if (kind < 40) {
        int lead = random.Below(4);
        for (int i = 0; i < lead; i++)
            line += " \t\x01"[random.Below(3)];
        if (random.Below(3) == 0)
            line += '"';
        line += RandomCase(random, Marker) + NoClimbing(RandomText(random, 240));
    } else if (kind < 44) {
        static const char* const copies[] = {"rcopy1.exe", "rcopy2.exe", "rcopy3", "RCOPY1.EXE"};
        bool quoted = random.Below(2);
        line = std::string(quoted ? "\"" : "") + Programs.folder + copies[random.Below(4)] +
               (quoted ? "\"" : "");
        if (random.Below(2))
            line += " " + NoClimbing(RandomText(random, 60));
    } else if (kind < 47) {
        static const char* const prefixes[] = {"http://", "https://", "www.", "ftp.", "ftp://",
                                               "file://"};
        if (random.Below(2))
            line = RandomCase(random, prefixes[random.Below(6)]) + RandomText(random, 80);
        else
            line = RandomText(random, 80) + "x" + RandomCase(random, random.Below(2) ? ".htm" : ".html");
        if (random.Below(4) == 0)
            line = "\"" + line + "\"";
    } else if (kind < 72) {
        // Site and Theme start a recorder each: one in ten of the dot lines that pick them.
        static const int safe[] = {2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 15, 16, 18, 19, 20, 21, 23};
        int number = safe[random.Below(sizeof safe / sizeof safe[0])];
        if (random.Below(20) == 0)
            number = random.Below(2) ? 13 : 22;
        std::string name = DotCommandTable[number].name;
        std::string typed = RandomCase(random, name.substr(0, 1 + random.Below((int)name.size())));
        if (random.Below(4) == 0)
            typed = RandomCase(random, name) + RandomText(random, 40);
        line = "." + typed;
        if (!SafeToRun(line))
            line = "." + name;
    } else {
        line = NoClimbing(RandomText(random, MAX_PATH - 1));
        if (!SafeToRun(line)) {
            if (!line.empty() && line[0] == '.')
                line[0] = 'n';
            size_t at = 0;
            while (at < line.size() && (unsigned char)line[at] <= 32)
                at++;
            if (at < line.size() && line[at] == '"')
                at++;
            line.insert(at, Marker);
        }
    }
    line = Limited(line);
    return SafeToRun(line) ? line : std::string(Marker);
}

std::string InputText()
{
    char text[MAX_PATH] = "";
    SendMessageA(InputLine(), WM_GETTEXT, MAX_PATH, (LPARAM)text);
    return text;
}

// Return on a line that is safe as the input line holds it; false when the edit control
// turned it into one that is not.
bool PressReturnOn(const std::string& line)
{
    SetInputText(line.c_str());
    if (!SafeToRun(InputText()))
        return false;
    PressKey(InputLine(), VK_RETURN);
    return true;
}

struct Storm {
    Random random;
    HWND bar, combo, input, dead;
    int sent = 0, returns = 0, skipped = 0;
    std::string foreign;
    explicit Storm(unsigned seed) : random(seed) {}

    LPARAM Point() { return MAKELPARAM(random.Below(2) ? random.Below(40) : random.Next(),
                                       random.Below(2) ? random.Below(40) : random.Next()); }
    LPARAM Size()
    {
        if (random.Below(50) == 0)
            return (LPARAM)random.Next();
        return MAKELPARAM(random.Below(2000), random.Below(60));
    }

    void Command()
    {
        static const WORD codes[] = {0, CBN_DROPDOWN, CBN_DROPDOWN, CBN_SELCHANGE, CBN_EDITCHANGE,
                                     CBN_CLOSEUP, 1};
        WORD code = codes[random.Below(sizeof codes / sizeof codes[0])];
        if (random.Below(10) == 0)
            code = (WORD)random.Next();
        WORD id;
        int pick = random.Below(100);
        if (pick < 2)
            id = (WORD)(100 + random.Below(2));  // Restore or Minimize: an animation each
        else if (pick < 10)
            id = 102;
        else if (pick < 20)
            id = random.Below(2) ? 97 : 103;
        else
            id = (WORD)random.Next();
        if (code != CBN_DROPDOWN && (id == 98 || id == 99))
            id = 97;  // Run would run an unchecked line, Open shows the file dialog
        HWND from = code == CBN_DROPDOWN ? (random.Below(8) ? combo : random.Below(2) ? NULL : dead)
                                         : (HWND)(LONG_PTR)random.Next();
        SendMessageA(bar, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)from);
    }

    void Sizing()
    {
        RECT rect;
        rect.left = random.Below(1100) - 50;
        rect.top = random.Below(800) - 20;
        rect.right = rect.left + random.Below(1200);
        RECT now;
        GetWindowRect(bar, &now);
        rect.bottom = rect.top + (random.Below(10) ? now.bottom - now.top : random.Below(80));
        SendMessageA(bar, WM_SIZING, 1 + random.Below(8), (LPARAM)&rect);
    }

    void Key()
    {
        int pick = random.Below(100);
        if (pick < 45) {
            std::string line = InputText();
            if (!SafeToRun(line) || random.Below(2))
                line = RandomSafeLine(random);
            if (PressReturnOn(line))
                returns++;
            else
                skipped++;
        } else if (pick < 65) {
            PressKey(input, VK_ESCAPE);
        } else if (pick < 85) {
            // Any text may sit in the line; only Return above looks at what it would do.
            std::string text = RandomText(random, random.Below(20) ? MAX_PATH - 1 : 600);
            SendMessageA(input, WM_SETTEXT, 0, (LPARAM)text.c_str());
        } else {
            static const WPARAM keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE, VK_BACK,
                                          'A', VK_SHIFT, VK_F4};
            PressKey(input, keys[random.Below(sizeof keys / sizeof keys[0])]);
        }
    }

    enum Kind {
        SIZE, ACTIVATE, SETFOCUS, KILLFOCUS, PAINT, ERASE, CANCELMODE, DISPLAYCHANGE, HITTEST,
        COMMAND, MOUSEMOVE, BUTTONDOWN, BUTTONUP, DOUBLECLICK, MENULOOP, SIZING, APPBAR, CLOSE, KEY,
    };
    // Per thousand. Double-clicks and close requests start an animation each: rare.
    Kind Draw()
    {
        static const struct { Kind kind; int weight; } table[] = {
            {SIZE, 40}, {ACTIVATE, 40}, {SETFOCUS, 40}, {KILLFOCUS, 40}, {PAINT, 60}, {ERASE, 30},
            {CANCELMODE, 30}, {DISPLAYCHANGE, 30}, {HITTEST, 80}, {COMMAND, 60}, {MOUSEMOVE, 100},
            {BUTTONDOWN, 40}, {BUTTONUP, 40}, {DOUBLECLICK, 2}, {MENULOOP, 30}, {SIZING, 40},
            {APPBAR, 40}, {CLOSE, 1}, {KEY, 257},
        };
        int pick = random.Below(1000);
        for (auto& entry : table) {
            if (pick < entry.weight)
                return entry.kind;
            pick -= entry.weight;
        }
        return KEY;
    }

    void One()
    {
        sent++;
        switch (Draw()) {
        case SIZE: SendMessageA(bar, WM_SIZE, random.Below(5), Size()); break;
        case ACTIVATE:
            SendMessageA(bar, WM_ACTIVATE, random.Below(3) | (random.Below(2) << 16),
                         random.Below(2) ? 0 : (LPARAM)Host.mainWindow);
            break;
        case SETFOCUS: SendMessageA(bar, WM_SETFOCUS, 0, 0); break;
        case KILLFOCUS: SendMessageA(bar, WM_KILLFOCUS, 0, 0); break;
        case PAINT: SendMessageA(bar, WM_PAINT, 0, 0); break;
        case ERASE: {
            HDC dc = GetDC(bar);
            SendMessageA(bar, WM_ERASEBKGND, (WPARAM)dc, 0);
            ReleaseDC(bar, dc);
            break;
        }
        case CANCELMODE: SendMessageA(bar, WM_CANCELMODE, 0, 0); break;
        case DISPLAYCHANGE:
            // Layered windows come and go with the display.
            KelvorSetLayeredAvailable(random.Below(2));
            SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
            break;
        case HITTEST: SendMessageA(bar, WM_NCHITTEST, 0, Point()); break;
        case COMMAND: Command(); break;
        case MOUSEMOVE:
            if (random.Below(4) == 0)
                SetCursorPos(random.Below(1100) - 40, random.Below(800) - 20);
            SendMessageA(bar, WM_MOUSEMOVE, random.Below(2), Point());
            break;
        case BUTTONDOWN: SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Point()); break;
        case BUTTONUP: SendMessageA(bar, WM_LBUTTONUP, 0, Point()); break;
        case DOUBLECLICK: SendMessageA(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, Point()); break;
        case MENULOOP: SendMessageA(bar, WM_ENTERMENULOOP, random.Below(2), 0); break;
        case SIZING: Sizing(); break;
        case APPBAR:
            SendMessageA(bar, BARMSG_APPBAR, random.Below(3) ? ABN_FULLSCREENAPP : random.Below(6),
                         random.Below(3) ? random.Below(2) : (LPARAM)random.Next());
            break;
        case CLOSE: SendMessageA(bar, WM_CLOSE, 0, 0); break;
        case KEY: Key(); break;
        }
    }
};

// The painted button, read back: the 13 x 13 block at (5, height / 2 - 6) is one of the images.
static bool ButtonPainted(HWND bar, int barHeight, std::string* how)
{
    RECT rect;
    GetClientRect(bar, &rect);
    int w = rect.right, h = rect.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC memory = CreateCompatibleDC(NULL);
    void* bits;
    HBITMAP canvas = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, canvas);

    // The images as the module holds them, drawn through the same kind of context.
    DWORD images[3][13 * 13];
    for (int k = 0; k < 3; k++) {
        HBITMAP image = (HBITMAP)LoadImageA(Host.module, MAKEINTRESOURCEA(100 + k), IMAGE_BITMAP, 0, 0, 0);
        HDC source = CreateCompatibleDC(NULL);
        HGDIOBJ before = SelectObject(source, image);
        for (int y = 0; y < 13; y++)
            for (int x = 0; x < 13; x++)
                images[k][y * 13 + x] = GetPixel(source, x, y);
        SelectObject(source, before);
        DeleteDC(source);
        DeleteObject(image);
    }
    auto matches = [&](HDC from) {
        int top = barHeight / 2 - 6;
        for (int k = 0; k < 3; k++) {
            bool same = true;
            for (int y = 0; y < 13 && same; y++)
                for (int x = 0; x < 13 && same; x++)
                    same = GetPixel(from, 5 + x, top + y) == images[k][y * 13 + x];
            if (same)
                return true;
        }
        return false;
    };
    bool ok = false;
    InvalidateRect(bar, NULL, FALSE);
    UpdateWindow(bar);
    if (PrintWindow(bar, memory, 0) && matches(memory)) {
        *how = "PrintWindow";
        ok = true;
    } else {
        // Wine's PrintWindow leaves windows that draw only on WM_PAINT blank; read the window.
        HDC window = GetDC(bar);
        BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
        ReleaseDC(bar, window);
        ok = matches(memory);
        *how = "window DC";
    }
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    return ok;
}

int RunStorm()
{
    CreateTestHost();
    Host.recordMask = 0;
    bool browser = RegisterRecorderBrowser();
    Figure("storm browser is the recorder", browser ? "yes" : "no", browser);
    SetConfigInt("Transparency", 20);
    LoadPlugin();
    StartPlugin();
    TakeProcessBaseline();

    Storm storm(Options.seed);
    storm.bar = BarWindow();
    storm.combo = ComboBox();
    storm.input = InputLine();
    storm.dead = CreateWindowA("STATIC", "gone", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(storm.dead);
    RECT start;
    GetWindowRect(storm.bar, &start);
    int barHeight = start.bottom - start.top;
    LONG_PTR editProc = GetWindowLongPtrA(storm.input, GWLP_WNDPROC);

    // The counts are taken once the first thousand messages have loaded what the shell keeps.
    int warmUp = Options.messages < 1000 ? Options.messages : 1000;
    for (int i = 0; i < warmUp; i++) {
        storm.One();
        if (i % 64 == 0)
            PumpMessages(0);
    }
    PumpMessages(50);
    ObjectCounts before = CountObjects();
    for (int i = warmUp; i < Options.messages; i++) {
        storm.One();
        if (i % 64 == 0)
            PumpMessages(0);
        if (i % 5000 == 0) {
            std::string now = ForeignProcesses();
            if (!now.empty())
                storm.foreign += now + "; ";
        }
    }
    PumpMessages(200);

    Figure("storm messages", storm.sent);
    Figure("storm returns pressed", storm.returns);
    Figure("storm returns skipped (line changed by the edit control)", storm.skipped);
    HWND bar = BarWindow();
    DWORD_PTR answer = 0;
    bool answers = bar == storm.bar &&
                   SendMessageTimeoutA(bar, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
                   SendMessageTimeoutA(bar, WM_ERASEBKGND, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
                   answer == 1;
    Figure("storm bar answers", answers ? "yes" : "no", answers);
    bool subclassed = GetWindowLongPtrA(InputLine(), GWLP_WNDPROC) == editProc;
    Figure("storm input line still subclassed", subclassed ? "yes" : "no", subclassed);

    // Back to a plain expanded, opaque 400-pixel bar in view, then look at it.
    int minimized = 0;
    if (GetConfigInt("Minimize", &minimized) && minimized)
        SendMessageA(bar, WM_LBUTTONDBLCLK, 0, 0);
    SendMessageA(bar, WM_LBUTTONUP, 0, 0);
    KelvorSetLayeredAvailable(0);
    SendMessageA(bar, WM_DISPLAYCHANGE, 32, 0);
    RECT rect = {100, 100, 500, 100 + barHeight};
    SendMessageA(bar, WM_SIZING, WMSZ_RIGHT, (LPARAM)&rect);
    SetWindowPos(bar, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    PumpMessages(100);
    std::string how;
    bool painted = ButtonPainted(bar, barHeight, &how);
    Figure("storm button painted", painted ? "yes (" + how + ")" : "no (" + how + ")", painted);

    std::string final = Programs.folder + "final.exe";
    bool ran = PressReturnOn(final) && WaitForRecorded("final.exe", 15000) && InputText().empty();
    Figure("storm known command runs afterwards", ran ? "yes" : "no", ran);
    PumpMessages(500);

    ObjectCounts after = CountObjects();
    const int userTolerance = 4, gdiTolerance = 12, kernelTolerance = 16;
    Figure(Format("storm user object growth (tolerance %d)", userTolerance).c_str(),
           after.user - before.user, after.user - before.user <= userTolerance);
    Figure(Format("storm GDI object growth (tolerance %d)", gdiTolerance).c_str(),
           after.gdi - before.gdi, after.gdi - before.gdi <= gdiTolerance);
    Figure(Format("storm kernel handle growth (tolerance %d)", kernelTolerance).c_str(),
           after.kernel - before.kernel, after.kernel - before.kernel <= kernelTolerance);
    Figure("storm programs started (recorder copies)", LaunchesRecorded());
    storm.foreign += ForeignProcesses();
    Figure("storm other programs started", storm.foreign.empty() ? "none" : storm.foreign,
           storm.foreign.empty());
    Figure("storm host guard bytes", GuardsIntact() ? "intact" : "overwritten", GuardsIntact());

    StopPlugin();
    DestroyTestHost();
    RestoreBrowser();
    DeleteHistoryKey();
    return 0;
}
