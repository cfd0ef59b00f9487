// Everything that is neither a dot command nor a web target goes to the Windows shell.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../base/monitorcount.h"
#include "command.h"
#include "failures.h"
#include "textrules.h"
#include <shellapi.h>

static const char RunAsVerb[] = "runas";
static const char DefaultExtensions[] = ".COM;.EXE;.BAT;.CMD";
const char AppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// The line, and room for the Windows folder that a leading %windir% or the Sysnative mapping
// may put in.
const int RUN_TEXT = COMMAND_TEXT_MAX + MAX_PATH;

// 0 when the shell started the request, else the reason it did not. "Not found" is judged by
// the last error alone, as always, except under WOW64: there a program of the 64-bit folder that
// the shell did start can leave "not found" behind, and would run twice. Any other failure counts
// only when the shell says so: a program that started may leave a stale last error behind.
static DWORD Execute(SHELLEXECUTEINFOA* request)
{
    SetLastError(0);
    BOOL started = ShellExecuteExA(request);
    DWORD error = GetLastError();
    if (started && State.wow64)
        return 0;
    if (IsNotFound(error) || !started)
        return error ? error : ERROR_GEN_FAILURE;
    return 0;
}

// On one monitor the request is exactly what it always was; on several it names the bar's
// monitor, so that a program that lets Windows place it opens where the bar is.
static void NameBarMonitor(SHELLEXECUTEINFOA* request)
{
    if (!SeveralMonitors())
        return;
    request->fMask |= SEE_MASK_HMONITOR;
    request->hMonitor = MonitorFromWindow(State.bar, MONITOR_DEFAULTTONEAREST);
}

static void ExploreFolder(const char* typed)
{
    char folder[RUN_TEXT];
    lstrcpynA(folder, typed, sizeof folder);
    if (State.wow64)
        ExploredAsSeen(folder);
    if (!SeveralMonitors()) {
        ShellExecuteA(NULL, "explore", folder, NULL, NULL, SW_SHOWNORMAL);
        return;
    }
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.lpVerb = "explore";
    request.lpFile = folder;
    request.nShow = SW_SHOWNORMAL;
    NameBarMonitor(&request);
    ShellExecuteExA(&request);
}

void ReadProgramExtensions(char* extensions)
{
    DWORD length = GetEnvironmentVariableA("PATHEXT", extensions, EXTENSIONS_TEXT);
    if (length == 0 || length >= EXTENSIONS_TEXT)
        strcopy(extensions, DefaultExtensions);
}

// What Ctrl+Shift+Enter runs as administrator: a program by its extension, or a name without
// one that the shell would find with a program's extension (in the working folder, along the
// search path, or under App Paths). A document or a folder has no "runas" verb: asked for it,
// the shell answers ERROR_NO_ASSOCIATION, so they open as with Enter.
static bool StartsAsProgram(const char* name, const char* folder)
{
    char extensions[EXTENSIONS_TEXT];
    ReadProgramExtensions(extensions);
    const char* own = FileExtension(name);
    char extension[EXTENSIONS_TEXT];
    char found[MAX_PATH];
    for (const char* rest = extensions; (rest = NextExtension(rest, extension, sizeof extension));) {
        if (*own ? !lstrcmpiA(extension, own)
                 : extension[0] && *name &&
                       (SearchPathA(folder, name, extension, MAX_PATH, found, NULL) ||
                        SearchPathA(NULL, name, extension, MAX_PATH, found, NULL)))
            return true;
    }
    char key[MAX_PATH + RUN_TEXT];
    if (*own || !IsBareName(name) || lstrlenA(name) >= RUN_TEXT)
        return false;
    strcopy(strecopy(strecopy(key, AppPathsKey), name), ".exe");
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (HKEY root : roots) {
        HKEY entry;
        if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &entry) == ERROR_SUCCESS) {
            RegCloseKey(entry);
            return true;
        }
    }
    return false;
}

static const char* VerbFor(const char* file, const char* folder, bool elevated)
{
    return elevated && StartsAsProgram(file, folder) ? RunAsVerb : NULL;
}

// The first of NAME with each PATHEXT extension that exists in folder, into path.
static bool FindWithExtension(char* path, int size, int nameEnd)
{
    char extensions[EXTENSIONS_TEXT];
    ReadProgramExtensions(extensions);
    for (char* extension = extensions; *extension;) {
        char* end = extension;
        while (*end && *end != ';')
            end++;
        int extensionLength = (int)(end - extension);
        if (extensionLength > 0 && nameEnd + extensionLength < size) {
            strmoven(path + nameEnd, extension, extensionLength);
            if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
                return true;
        }
        extension = *end ? end + 1 : end;
    }
    return false;
}

// Under WOW64 a program from the 64-bit system folder starts in a folder it can see; elsewhere
// the folder stays as derived.
static void SeenWorkingFolder(char* folder)
{
    if (!State.wow64)
        return;
    char windowsFolder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        NativeFolderAsSeen(folder, windowsFolder);
}

// Under WOW64 what neither attempt found may be of the 64-bit world: a document that only the
// 64-bit system folder holds, or a bare name that the 64-bit App Paths or that folder knows; the
// latter is tried once more as <Windows folder>\Sysnative\NAME, with the parameters it had.
static DWORD RunFromNativeFolder(SHELLEXECUTEINFOA* request, const char* name, DWORD outcome)
{
    char program[MAX_PATH], parameter[MAX_PATH + 2], start[MAX_PATH];
    if (!IsBareName(name)) {
        // A document only there opens in its handler, under a path the handler can open.
        if (!NativeDocument(name, program, parameter, start))
            return outcome;
        request->lpFile = program;
        request->lpParameters = parameter;
        request->lpDirectory = start;
        return Execute(request);
    }
    // First where 64-bit installers register their programs: App Paths of the 64-bit registry.
    if (NativeAppPath(name, program, start)) {
        request->lpFile = program;
        request->lpDirectory = start;
        DWORD registered = Execute(request);
        if (!IsNotFound(registered))
            return registered;
    }
    char windowsFolder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return outcome;
    if (windowsFolder[length - 1] == '\\')
        windowsFolder[length - 1] = '\0';
    char path[MAX_PATH + RUN_TEXT + EXTENSIONS_TEXT];
    strcopy(strecopy(strecopy(strecopy(path, windowsFolder), NativeFolder), "\\"), name);
    int nameEnd = lstrlenA(path);
    bool hasExtension = false;
    for (const char* p = name; *p; p++)
        if (*p == '.')
            hasExtension = true;
    if (!hasExtension && !FindWithExtension(path, sizeof path, nameEnd))
        return outcome;

    // Sysnative is no folder to the 64-bit program: it starts in System32, its own.
    char folder[MAX_PATH + 16];   // the Windows folder and "\\System32"
    strcopy(strecopy(folder, windowsFolder), SystemFolder);
    request->lpFile = path;
    request->lpDirectory = folder;
    return Execute(request);
}

static DWORD RunThroughShell(const char* typed, bool elevated)
{
    char text[RUN_TEXT];
    char file[RUN_TEXT + 2];   // the text and two added quotes
    char folder[RUN_TEXT];
    lstrcpynA(text, typed, sizeof text);

    GetWindowsDirectoryA(folder, MAX_PATH);
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.hwnd = State.bar;

    // First as one file, quoted, in the folder the whole text names.
    strcopy(file, text);
    if (!IsQuoted(file))
        Quote(file);
    request.lpFile = file;
    if (IsQuoted(text))
        Unquote(text);
    WorkingFolderOf(text, folder, sizeof folder);
    SeenWorkingFolder(folder);
    request.lpVerb = VerbFor(text, folder, elevated);
    request.lpDirectory = folder;
    request.fMask = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
    request.nShow = SW_SHOWNORMAL;
    NameBarMonitor(&request);
    DWORD outcome = Execute(&request);
    if (!IsNotFound(outcome))
        return outcome;

    // Then as a program and its parameters, which start with the blank that ended the token.
    // The token never outgrows the text it comes from, so file holds it.
    request.lpParameters = SplitFirstToken(text, file);
    // Blanks, control characters and empty quotes name no program; an empty file would make
    // the shell open the working folder instead.
    if (file[0] == '\0')
        return outcome;
    GetWindowsDirectoryA(folder, MAX_PATH);
    WorkingFolderOf(file, folder, sizeof folder);
    SeenWorkingFolder(folder);
    request.lpVerb = VerbFor(file, folder, elevated);
    request.lpFile = file;
    request.lpDirectory = folder;
    outcome = Execute(&request);
    if (IsNotFound(outcome) && State.wow64) {
        // A name without an extension is found there only with a program's.
        if (elevated && !*FileExtension(file))
            request.lpVerb = RunAsVerb;
        outcome = RunFromNativeFolder(&request, file, outcome);
    }
    return outcome;
}

// Under WOW64 a typed line means what it means to a 64-bit process, the user's Explorer and Run
// dialog (nativeroad.cpp). Elsewhere the text runs as typed.
static const char* TextToRun(char* mapped, int size)
{
    if (!State.wow64)
        return State.CommandBuffer;
    return NativeTextToRun(State.CommandBuffer, mapped, size);
}

// With elevated, programs are run with the "runas" verb; a folder is explored as always.
void ShellRun(bool elevated)
{
    char mapped[RUN_TEXT];
    const char* text = TextToRun(mapped, sizeof mapped);
    DWORD outcome = 0;
    if (DirExists(text))
        ExploreFolder(text);
    else
        outcome = RunThroughShell(text, elevated);

    const char* failure = outcome ? FailureText(outcome) : NULL;
    if (outcome && !failure) {
        // Refused (the administrator's prompt, or another question of the shell's): nothing ran
        // and nothing is missing. The line keeps its text, selected, for another try; neither
        // the history nor the failed command changes.
    } else if (outcome) {
        // Nothing ran: the typed text is kept for ".Error", which brings it back, and the line
        // says why.
        strcopy(State.FailedCommand, State.CommandBuffer);
        strcopy(State.CommandBuffer, failure);
    } else {
        // Recorded as typed, never as mapped.
        AddToHistory(State.CommandBuffer);
        State.CommandBuffer[0] = '\0';
    }
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)State.CommandBuffer);
    SendMessageA(State.input, EM_SETSEL, 0, -1);
}
