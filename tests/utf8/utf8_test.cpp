// The module in a process whose code page is UTF-8 (the program's manifest): texts in any
// script read whole, run, kept and compared as typed. The shell spy answers or passes on. Every
// ANSI call of this process speaks UTF-8, so the harness's readers give the texts as UTF-8.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"

namespace {
std::string Utf8(const std::wstring& text)
{
    char bytes[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, NULL, NULL);
    return bytes;
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
    spy.Enter(Utf8(line), {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    ASSERT_EQ(spy.requests.size(), 2u);
    EXPECT_EQ(spy.requests[1].file, Utf8(line));
    spy.Enter(".Error", {});
    EXPECT_EQ(WindowText(InputLine()), Utf8(line));

    // A program in a folder named in Cyrillic, Chinese and an emoji, typed with parameters.
    const std::string program = Utf8(L"\x041F\x0440\x043E\x0433 \x7A0B\x5E8F \xD83D\xDE80\\\x0418\x0433\x0440\x0430.exe");
    ASSERT_TRUE(CopyRecorder(TestFolder() + program, TestFolder()));
    std::string log = TestFolder() + "launches.log";
    UseRecorderLog(log);
    const std::string typed = "\"" + TestFolder() + program + "\" --\xC3\xA9t\xC3\xA9";
    spy.Enter(typed, {PASS_ON, PASS_ON});
    EXPECT_EQ(RecordedLaunches(log, 1).size(), 1u) << "the program ran";
    EXPECT_EQ(HistoryValue("0"), typed);

    // Known already in capitals: not recorded again. The drop-down shows it as typed.
    std::wstring upper(typed.size() + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, typed.c_str(), -1, &upper[0], (int)upper.size());
    CharUpperW(&upper[0]);
    ASSERT_NE(Utf8(upper), typed);
    spy.Enter(Utf8(upper), {});
    EXPECT_FALSE(HistoryValueExists("1"));
    SendMessageA(ComboBox(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(ComboBox(), CB_SHOWDROPDOWN, FALSE, 0);
    char item[1024] = "";
    ASSERT_EQ(SendMessageA(ComboBox(), CB_GETCOUNT, 0, 0), 1);
    SendMessageA(ComboBox(), CB_GETLBTEXT, 0, (LPARAM)item);
    EXPECT_EQ(std::string(item), typed);
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);
}
