// A test host for the real OrvelCmd.plg: a host main window that records the private messages
// it receives, a HostContext and HostPluginRecord in guarded memory, a lent memory DC, and a
// configuration file of the test's own.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "host/records.h"
#include "host/messages.h"
#include "sequence.h"

typedef PluginInfo*(__stdcall* GetPluginInfoProc)();
typedef void(__stdcall* InitGlobalModuleProc)(HostContext*);
typedef void(__stdcall* DoneModuleProc)();

enum RecordMask {
    RECORD_HOST_MESSAGES = 0x1,
    RECORD_CONFIG_WRITES = 0x2,  // OpenCFGw, FindSection for writing, SetCFGInt, CloseCFGw
    RECORD_CONFIG_READS = 0x4,   // OpenCFGr, FindSection for reading, GetCFGInt/Bool, CloseCFGr
    RECORD_LIBRARY = 0x8,        // SetLayered, Run
    RECORD_ALL = 0xF,
};

struct TestHost {
    HMODULE module;
    GetPluginInfoProc GetPluginInfo;
    InitGlobalModuleProc InitGlobalModule;
    DoneModuleProc DoneModule;
    HWND mainWindow;
    HDC memoryDC;
    HostContext context;
    HostPluginRecord* record;   // 216 bytes between guard areas
    char* hostText;             // the text at record offset 160, between guard areas
    char hostFolder[MAX_PATH];  // ends with a backslash
    char configPath[MAX_PATH];
    LRESULT topmostAnswer;      // what the host answers to 0x7FBE
    int recordMask;
    bool started;
    std::vector<HostCommand> commands;     // every 0x7FF1 received, copied whole
    std::vector<std::string> properties;   // the text of every 0x7FD9 received
};
extern TestHost Host;

// The folder of the test programs (build/bin), with a closing backslash.
std::string BinFolder();
// That of the other build's (build/bin64 for the 32-bit programs, build/bin for the x64 ones).
std::string OtherBuildFolder();
// A folder of this test program's own for files it makes, emptied at start, with a backslash.
std::string TestFolder();

void CreateTestHost();
void DestroyTestHost();
// A fresh host and a freshly loaded module within one test, for tables of starts.
void FreshHost();
void LoadPlugin();
void StartPlugin();
void StopPlugin();
bool GuardsIntact();   // the bytes around the host's record and text are untouched

HWND BarWindow();
HWND ComboBox();
HWND InputLine();

// What the module asks of the helper library: the settings read at start, each of the settings
// table's rows with the value read, and one save of the bar's width, state and position.
Messages SettingsRead(std::initializer_list<int> values);
Messages SettingsSave(int width, int minimize, int x, int y);

void SetConfig(const char* keyName, const char* value);
void SetConfigInt(const char* keyName, int value);
bool GetConfigInt(const char* keyName, int* value);   // false when the key is absent
int Stored(const char* keyName);   // the stored value, -12345 when the key is absent
void ClearConfig();
void DeleteHistoryKey();

void PumpMessages(DWORD milliseconds);
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Arms a thread timer that calls action once with the first visible window of className that
// belongs to this thread (a "#32770" dialog, a "#32768" menu). Arm it before the call that
// runs the modal loop. If none appears within timeoutMs the test fails and the modal loop is
// ended so that the test does not hang.
void WhenWindowAppears(const char* className, const std::function<void(HWND)>& action,
                       DWORD timeoutMs = 30000);
bool ModalActionRan();

std::string WindowText(HWND window);
void SetInputText(const char* text);
void PressKey(HWND window, WPARAM key);   // WM_KEYDOWN then WM_KEYUP, sent


#include <gtest/gtest.h>
// A fresh host and a freshly loaded module for every test; the test calls StartPlugin itself,
// after preparing the configuration.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateTestHost();
        LoadPlugin();
    }
    void TearDown() override
    {
        StopPlugin();
        DestroyTestHost();
    }
};
