// Enter to launch: from the Return key at the input line until ExecuteInput returns, which is
// when the process has been created (the module never waits for it). The floor creates the same
// process with CreateProcessA or ShellExecuteExA directly. The started program is the recorder,
// copied under its own names, so that each launch is seen in its log and waited for (untimed).
#include "bench.h"
#include <shellapi.h>
#include <tlhelp32.h>

namespace {
const char BrowserName[] = "benchbrowser.exe";
const char ProgramName[] = "benchprog.exe";
const char ProgId[] = "OrvelBench.htm";
const DWORD LAUNCH_TIMEOUT = 15000;

std::string logPath;
std::string savedHtmClass;
// What the floor's input line launches on Return, and whether it worked.
std::string floorCommandLine;
std::string floorProgram;
std::string floorFolder;
bool floorLaunched;

int LoggedLaunches()
{
    std::vector<char> text(1 << 16);
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int lines = 0;
    DWORD read;
    while (ReadFile(file, text.data(), (DWORD)text.size(), &read, NULL) && read)
        for (DWORD i = 0; i < read; i++)
            lines += text[i] == '\n';
    CloseHandle(file);
    return lines;
}

bool ProcessRunning(const char* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        found = !lstrcmpiA(entry.szExeFile, name);
    CloseHandle(snapshot);
    return found;
}

// The launched program has written its line and gone, so that it takes no processor time from
// the next run.
bool Launched(int expected, const char* name)
{
    DWORD end = GetTickCount() + LAUNCH_TIMEOUT;
    while (LoggedLaunches() < expected || ProcessRunning(name)) {
        if (GetTickCount() > end)
            return false;
        PumpMessages(5);
    }
    return true;
}

void SetClassText(const std::string& path, const std::string& text)
{
    RegSetValueA(HKEY_CLASSES_ROOT, path.c_str(), REG_SZ, text.c_str(), (DWORD)text.size());
}

// The recorder copy becomes the program that opens .htm files, which is the browser the module
// finds; the association the prefix had is put back afterwards.
void RegisterBrowser(const std::string& browser)
{
    char text[MAX_PATH] = "";
    LONG size = sizeof text;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", text, &size) == ERROR_SUCCESS)
        savedHtmClass = text;
    SetClassText(".htm", ProgId);
    SetClassText(std::string(ProgId) + "\\shell\\open\\command", "\"" + browser + "\" \"%1\"");
}

void UnregisterBrowser()
{
    if (!savedHtmClass.empty())
        SetClassText(".htm", savedHtmClass);
    else
        RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell\\open\\command").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell\\open").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ProgId);
}

// From the Return key at an input line until its window procedure returns.
double PressReturn(HWND input, const std::string& text)
{
    SendMessageA(input, WM_SETTEXT, 0, (LPARAM)text.c_str());
    double begin = Now();
    SendMessageA(input, WM_KEYDOWN, VK_RETURN, 1);
    double end = Now();
    SendMessageA(input, WM_KEYUP, VK_RETURN, 0xC0000001);
    return end - begin;
}

// The browser road's launch as the module makes it: same command line, same start-up record.
void CreateBrowserProcess()
{
    std::vector<char> line(floorCommandLine.begin(), floorCommandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process;
    BOOL ok = CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE, NULL,
                             NULL, &startup, &process);
    if (ok) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    floorLaunched = ok;
}

// The shell road's first and only attempt for a program path, with the module's request.
void ShellExecuteProgram()
{
    std::string file = "\"" + floorProgram + "\"";
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.hwnd = FloorBar();
    request.lpFile = file.c_str();
    request.lpDirectory = floorFolder.c_str();
    request.fMask = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
    request.nShow = SW_SHOWNORMAL;
    SetLastError(0);
    ShellExecuteExA(&request);
    DWORD error = GetLastError();
    floorLaunched = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// The floor's input line starts the process itself on Return, with nothing else around it.
double FloorReturn(void (*launch)(), const std::string& text)
{
    SetFloorReturnAction(launch);
    floorLaunched = false;
    double t = PressReturn(FloorInput(), text);
    SetFloorReturnAction(NULL);
    return floorLaunched ? t : -1;
}
}  // namespace

void MeasureLaunch()
{
    std::string folder = BenchFolder();
    std::string recorder = BinFolder() + "recorder.exe";
    std::string browser = folder + BrowserName;
    std::string program = folder + ProgramName;
    logPath = folder + "launch.log";
    CopyFileA(recorder.c_str(), browser.c_str(), FALSE);
    CopyFileA(recorder.c_str(), program.c_str(), FALSE);
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", logPath.c_str());
    RegisterBrowser(browser);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brandelmor\\Orvel\\Plugins\\Addr");

    const char* webFigure = "Enter to launch: web target (browser)";
    const char* shellFigure = "Enter to launch: program through the shell";
    ResetConfig();
    StartModule();
    FloorStart(200, NULL);
    char shortPath[MAX_PATH];
    if (!GetShortPathNameA(browser.c_str(), shortPath, MAX_PATH))
        lstrcpynA(shortPath, browser.c_str(), MAX_PATH);
    floorProgram = program;
    floorFolder = folder.substr(0, folder.size() - 1);

    // The module's procedure sits right on the edit control unless auto-completion subclassed it.
    BYTE* base = (BYTE*)ModuleHandle();
    BYTE* proc = (BYTE*)GetWindowLongPtrA(ModuleInput(), GWLP_WNDPROC);
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    bool autoCompleteOnTop = proc < base || proc >= base + nt->OptionalHeader.SizeOfImage;

    // Untimed: the first web launch finds the browser and caches its path.
    int launches = 0;
    PressReturn(ModuleInput(), "www.example.org/first");
    bool webWorks = Launched(++launches, BrowserName);
    PressReturn(ModuleInput(), program);
    bool shellWorks = Launched(++launches, ProgramName);

    std::vector<double> webModule, webFloor, shellModule, shellFloor;
    for (int run = 0; run < Runs && (webWorks || shellWorks); run++) {
        for (int side = 0; side < 2; side++) {
            bool moduleSide = (side + run) % 2 == 0;
            // A new address each run: the history takes the path of a new text.
            std::string address = Format("www.example.org/%s%d", moduleSide ? "m" : "f", run);
            if (webWorks) {
                floorCommandLine = std::string(shortPath) + " \"" + address + "\"";
                double t = moduleSide ? PressReturn(ModuleInput(), address)
                                      : FloorReturn(CreateBrowserProcess, address);
                webWorks = t >= 0 && Launched(++launches, BrowserName);
                (moduleSide ? webModule : webFloor).push_back(t);
            }
            if (shellWorks) {
                double t = moduleSide ? PressReturn(ModuleInput(), program)
                                      : FloorReturn(ShellExecuteProgram, program);
                shellWorks = t >= 0 && Launched(++launches, ProgramName);
                (moduleSide ? shellModule : shellFloor).push_back(t);
            }
        }
    }
    FloorStop();
    StopModule();
    UnregisterBrowser();
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);

    if (webWorks && shellWorks)
        AddNote(Format("Enter to launch, module over floor: web %s, shell %s (its input line %s "
                       "the shell's auto-completion on top of the module's procedure)",
                       Ms(Median(webModule) - Median(webFloor)).c_str(),
                       Ms(Median(shellModule) - Median(shellFloor)).c_str(),
                       autoCompleteOnTop ? "has" : "does not have"));
    if (webWorks)
        AddTimedRow(webFigure, webModule, webFloor);
    else
        AddMissingRow(webFigure, "the browser was not started");
    if (shellWorks)
        AddTimedRow(shellFigure, shellModule, shellFloor);
    else
        AddMissingRow(shellFigure, "the program was not started");
}
