// The module in a process whose code page is UTF-8 (the program's manifest): texts in any
// script read whole, run, kept and compared as typed. The shell spy answers or passes on.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>

namespace {

std::string Utf8(const std::wstring& text)
{
    char bytes[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, NULL, NULL);
    return bytes;
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
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Brandelmor\\Orvel\\Plugins\\Addr", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return L"(no key)";
    if (RegQueryValueExW(key, slot, NULL, NULL, (BYTE*)text, &size) != ERROR_SUCCESS)
        lstrcpyW(text, L"(no value)");
    RegCloseKey(key);
    return text;
}

void Enter(ShellSpy& spy, const std::wstring& text, std::vector<DWORD> answers)
{
    spy.requests.clear();
    spy.answers = answers;
    SendMessageW(InputLine(), WM_SETTEXT, 0, (LPARAM)text.c_str());
    PressKey(InputLine(), VK_RETURN);
}

}  // namespace

TEST_F(ModuleTest, Utf8LinesAreReadWholeRunAndKeptAsTyped)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8) << "the test program's manifest asks for UTF-8";
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);

    // 259 Chinese characters, 777 bytes: read whole, and brought back whole after "not found".
    std::wstring line(259, L'\x4E2D');
    line[100] = L'\x6587';
    Enter(spy, line, {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    ASSERT_EQ(spy.requests.size(), 2u);
    EXPECT_EQ(spy.requests[1].file, Utf8(line));
    Enter(spy, L".Error", {});
    EXPECT_EQ(LineW(), line);

    // A program in a folder named in Cyrillic, Chinese and an emoji, typed with parameters.
    const std::wstring program = L"\x041F\x0440\x043E\x0433 \x7A0B\x5E8F \xD83D\xDE80\\\x0418\x0433\x0440\x0430.exe";
    ASSERT_TRUE(CopyRecorder(TestFolder() + Utf8(program), TestFolder()));
    std::string log = TestFolder() + "launches.log";
    UseRecorderLog(log);
    WCHAR folder[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, TestFolder().c_str(), -1, folder, MAX_PATH);
    const std::wstring typed = L"\"" + std::wstring(folder) + program + L"\" --\x00E9t\x00E9";
    Enter(spy, typed, {PASS_ON, PASS_ON});
    EXPECT_EQ(RecordedLaunches(log, 1).size(), 1u) << "the program ran";
    EXPECT_EQ(HistoryW(L"0"), typed);

    // Known already in capitals: not recorded again. The drop-down shows it as typed.
    std::wstring upper = typed;
    CharUpperW(&upper[0]);
    ASSERT_NE(upper, typed);
    Enter(spy, upper, {});
    EXPECT_EQ(HistoryW(L"1"), L"(no value)");
    SendMessageW(ComboBox(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(ComboBox(), CB_SHOWDROPDOWN, FALSE, 0);
    WCHAR item[1024] = L"";
    ASSERT_EQ(SendMessageW(ComboBox(), CB_GETCOUNT, 0, 0), 1);
    SendMessageW(ComboBox(), CB_GETLBTEXT, 0, (LPARAM)item);
    EXPECT_EQ(std::wstring(item), typed);
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);
}
