// The module in a process whose code page is UTF-8: whole lines of characters outside any
// single-byte code page, kept and compared as typed. The shell's answers come from a spy on the
// module's import of ShellExecuteExA; nothing is started.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> files;
DWORD answer;
const DWORD PASS_ON = 0xFFFFFFFF;  // the call goes on to the shell
FARPROC original;

BOOL WINAPI SpyShellExecuteExA(SHELLEXECUTEINFOA* request)
{
    files.push_back(request->lpFile ? request->lpFile : "");
    if (answer == PASS_ON)
        return ((BOOL(WINAPI*)(SHELLEXECUTEINFOA*))original)(request);
    SetLastError(answer);
    return answer == 0;
}

std::wstring Wide(const std::string& text)
{
    WCHAR wide[2048];
    return MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 2048) ? wide : L"";
}

std::string Utf8(const std::wstring& text)
{
    char bytes[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, NULL, NULL);
    return n ? bytes : "";
}

std::wstring LineW()
{
    WCHAR text[1024] = L"";
    GetWindowTextW(InputLine(), text, 1024);
    return text;
}

std::wstring HistoryW(const WCHAR* slot)
{
    WCHAR text[1024] = L"";
    DWORD size = sizeof text - sizeof(WCHAR);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Brandelmor\\Orvel\\Plugins\\Addr", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return L"(no key)";
    if (RegQueryValueExW(key, slot, NULL, NULL, (BYTE*)text, &size) != ERROR_SUCCESS)
        lstrcpyW(text, L"(no value)");
    RegCloseKey(key);
    return text;
}

class Utf8Test : public ModuleTest {
protected:
    FARPROC* slot = nullptr;
    void SetUp() override
    {
        ModuleTest::SetUp();
        ASSERT_EQ(GetACP(), (UINT)CP_UTF8) << "the test program's manifest asks for UTF-8";
        SetConfigInt("AutoComplete", 0);
        StartPlugin();
        slot = ImportSlot(Host.module, "shell32.dll", "ShellExecuteExA");
        ASSERT_NE(slot, nullptr);
        original = *slot;
        Patch(slot, (FARPROC)SpyShellExecuteExA);
    }
    void TearDown() override
    {
        if (slot)
            Patch(slot, original);
        ModuleTest::TearDown();
    }
    void Enter(const std::wstring& text, DWORD shellAnswer)
    {
        files.clear();
        answer = shellAnswer;
        SendMessageW(InputLine(), WM_SETTEXT, 0, (LPARAM)text.c_str());
        PressKey(InputLine(), VK_RETURN);
    }
};

}  // namespace

TEST_F(Utf8Test, ALineOf259ChineseCharactersIsReadWholeAndComesBack)
{
    std::wstring line(259, L'\x4E2D');
    line[100] = L'\x6587';
    Enter(line, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], "\"" + Utf8(line) + "\"") << "777 bytes and the quotes";
    EXPECT_EQ(files[1], Utf8(line));
    ASSERT_EQ(WindowText(InputLine()), ".Error: not found");

    // The failed text comes back whole.
    Enter(L".Error", 0);
    EXPECT_EQ(LineW(), line);
}

TEST_F(Utf8Test, AProgramInAFolderOfAnyScriptRunsAndIsKeptAsTyped)
{
    const std::wstring program = Wide(TestFolder()) +
        L"\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x044B \x7A0B\x5E8F \xD83D\xDE80\\\x0418\x0433\x0440\x0430.exe";
    ASSERT_TRUE(CopyRecorder(Utf8(program), TestFolder()));
    std::string log = TestFolder() + "launches.log";
    UseRecorderLog(log);
    const std::wstring typed = L"\"" + program + L"\" --\x00E9t\x00E9";
    Enter(typed, PASS_ON);
    EXPECT_EQ(RecordedLaunches(log, 1).size(), 1u) << "the program ran";
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);
    EXPECT_EQ(HistoryW(L"0"), typed);
    EXPECT_EQ(LineW(), L"");

    // The same text in capitals is known already: not recorded again.
    std::wstring upper = typed;
    CharUpperW(&upper[0]);
    ASSERT_NE(upper, typed);
    Enter(upper, 0);
    EXPECT_EQ(HistoryW(L"1"), L"(no value)");

    // The drop-down shows it as typed.
    SendMessageW(ComboBox(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(ComboBox(), CB_SHOWDROPDOWN, FALSE, 0);
    WCHAR item[1024] = L"";
    ASSERT_EQ(SendMessageW(ComboBox(), CB_GETCOUNT, 0, 0), 1);
    SendMessageW(ComboBox(), CB_GETLBTEXT, 0, (LPARAM)item);
    EXPECT_EQ(std::wstring(item), typed);
}
