// The history ring in the test prefix's registry, and the drop-down list built from it, with
// good data and with values planted from outside.
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "harness/testhost.h"
#include "plugin/state.h"
#include "command/command.h"

static const char KeyPath[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";
static const char PluginsPath[] = "Software\\Brandelmor\\Orvel\\Plugins";

struct StoredValue {
    DWORD type;
    std::string data;  // the raw bytes, terminator included when there is one
};

static bool KeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

static std::map<std::string, StoredValue> StoredValues()
{
    std::map<std::string, StoredValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; index++) {
        char name[64];
        DWORD nameSize = sizeof name;
        BYTE data[4096];
        DWORD dataSize = sizeof data;
        DWORD type;
        if (RegEnumValueA(key, index, name, &nameSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string((char*)data, dataSize)};
    }
    RegCloseKey(key);
    return values;
}

static std::string Text(const char* text) { return std::string(text, lstrlenA(text) + 1); }

static std::string Number(int number) { return std::string((char*)&number, sizeof number); }

static void Plant(const char* name, DWORD type, const std::string& data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, KeyPath, &key), ERROR_SUCCESS);
    // A byte after the data that is not NUL: otherwise the registry counts a forgotten
    // terminator in, and a text without one cannot be planted.
    std::string bytes = data + 'Z';
    RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), data.size());
    RegCloseKey(key);
}

static std::string Command(int number) { return "command " + std::to_string(number); }

// The command text handed over with its terminator as the last readable byte.
static void AddGuarded(const std::string& text)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    char* base = (char*)VirtualAlloc(NULL, info.dwPageSize * 2, MEM_COMMIT, PAGE_READWRITE);
    DWORD old;
    VirtualProtect(base + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old);
    char* place = base + info.dwPageSize - text.size() - 1;
    CopyMemory(place, text.c_str(), text.size() + 1);
    AddToHistory(place);
    VirtualFree(base, 0, MEM_RELEASE);
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteHistoryKey();
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
        combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL,
                                0, 0, 280, 200, window, NULL, NULL, NULL);
        State.input = FindWindowExA(combo, NULL, "Edit", NULL);
        ASSERT_NE(State.input, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        State.input = NULL;
        DeleteHistoryKey();
    }
    // What the drop-down offers after FillHistoryList, typed text kept in the input line.
    std::vector<std::string> Fill(const char* typed = "typed text")
    {
        SetWindowTextA(State.input, typed);
        FillHistoryList(combo);
        EXPECT_EQ(WindowText(State.input), typed);
        DWORD start = 1, end = 0;
        SendMessageA(State.input, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, (DWORD)lstrlenA(typed));
        std::vector<std::string> items;
        int count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            std::string item(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) + 1, '\0');
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)&item[0]);
            items.push_back(item.c_str());
        }
        return items;
    }
    HWND window;
    HWND combo;
};

TEST_F(HistoryTest, FirstEntryCreatesKeySlotZeroAndCurrent)
{
    EXPECT_TRUE(Fill().empty());
    EXPECT_FALSE(KeyExists()) << "opening the list must not create the key";

    AddGuarded("notepad.exe C:\\a b.txt");
    auto values = StoredValues();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values["0"].type, (DWORD)REG_SZ);
    EXPECT_EQ(values["0"].data, Text("notepad.exe C:\\a b.txt"));
    EXPECT_EQ(values["Current"].type, (DWORD)REG_DWORD);
    EXPECT_EQ(values["Current"].data, Number(1));
    EXPECT_EQ(Fill(), std::vector<std::string>{"notepad.exe C:\\a b.txt"});
}

TEST_F(HistoryTest, KnownTextInAnyCaseChangesNothing)
{
    AddToHistory("Notepad.exe");
    AddToHistory("calc");
    AddToHistory("www.example.org");
    auto before = StoredValues();
    AddToHistory("NOTEPAD.EXE");
    AddToHistory("WWW.Example.ORG");
    AddToHistory("");
    auto after = StoredValues();
    ASSERT_EQ(after.size(), before.size());
    for (auto& [name, value] : before) {
        EXPECT_EQ(after[name].type, value.type) << name;
        EXPECT_EQ(after[name].data, value.data) << name;
    }
    EXPECT_EQ(after["Current"].data, Number(3));
}

TEST_F(HistoryTest, ThirteenCommandsWrapIntoSlotZero)
{
    for (int i = 1; i <= 12; i++)
        AddToHistory(Command(i).c_str());
    auto values = StoredValues();
    EXPECT_EQ(values.size(), 13u);
    EXPECT_EQ(values["11"].data, Text(Command(12).c_str()));
    EXPECT_EQ(values["Current"].data, Number(12));

    AddToHistory(Command(13).c_str());
    values = StoredValues();
    EXPECT_EQ(values.size(), 13u) << "no value \"12\" is written";
    EXPECT_EQ(values["0"].data, Text(Command(13).c_str()));
    EXPECT_EQ(values["Current"].data, Number(1));

    std::vector<std::string> expected{Command(13)};
    for (int i = 2; i <= 12; i++)
        expected.push_back(Command(i));
    EXPECT_EQ(Fill(), expected);

    // A used entry keeps its slot; the ring goes on with the oldest.
    AddToHistory(Command(5).c_str());
    AddToHistory(Command(14).c_str());
    values = StoredValues();
    EXPECT_EQ(values["1"].data, Text(Command(14).c_str()));
    EXPECT_EQ(values["4"].data, Text(Command(5).c_str()));
    EXPECT_EQ(values["Current"].data, Number(2));
}

TEST_F(HistoryTest, OutsideSlotTwelveIsListedLastAndNeverWritten)
{
    Plant("12", REG_SZ, Text("From Outside"));
    AddToHistory("from outside");
    EXPECT_EQ(StoredValues().size(), 1u) << "the planted text blocks its own recording";
    for (int i = 1; i <= 25; i++)
        AddToHistory(Command(i).c_str());
    auto values = StoredValues();
    EXPECT_EQ(values["12"].data, Text("From Outside"));
    EXPECT_EQ(values["Current"].data, Number(1));
    // With no slot empty, an empty text would otherwise find no equal and erase slot 1.
    AddToHistory("");
    EXPECT_EQ(StoredValues()["1"].data, Text(Command(14).c_str()));
    auto items = Fill();
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items.front(), Command(25));
    EXPECT_EQ(items.back(), "From Outside");
}

// Any "Current" this module could not have written starts the ring again at slot 0; a number
// it could have written is followed.
TEST_F(HistoryTest, CurrentOutsideTheRingStartsAtSlotZero)
{
    struct Case {
        DWORD type;
        std::string data;
        const char* slot;
    } cases[] = {
        {REG_DWORD, Number(5), "5"},
        {REG_DWORD, Number(11), "11"},
        {REG_DWORD, Number(12), "0"},
        {REG_DWORD, Number(13), "0"},
        {REG_DWORD, Number(0x7FFFFFFF), "0"},
        {REG_DWORD, Number(-1), "0"},
        {REG_DWORD, Number((int)0x80000000), "0"},
        {REG_BINARY, std::string("\x05\x00", 2), "0"},
        {REG_BINARY, std::string(8, '\x03'), "0"},
        {REG_SZ, Text("7"), "0"},
        {REG_SZ, Text("abc"), "0"},
        {REG_SZ, std::string(600, '9'), "0"},
    };
    for (auto& c : cases) {
        DeleteHistoryKey();
        Plant("Current", c.type, c.data);
        AddToHistory("next");
        auto values = StoredValues();
        EXPECT_EQ(values.size(), 2u) << c.slot;
        EXPECT_EQ(values[c.slot].data, Text("next")) << "case for slot " << c.slot;
        EXPECT_EQ(values["Current"].type, (DWORD)REG_DWORD);
        EXPECT_EQ(values["Current"].data, Number(atoi(c.slot) + 1));
    }
}

// Values not written by this module: non-text values count as empty slots, texts without
// their terminator are ended at the buffer, texts longer than 520 bytes count as empty.
TEST_F(HistoryTest, PlantedValuesAreReadWithinTheirBuffer)
{
    Plant("0", REG_BINARY, std::string("calc\0", 5));
    Plant("1", REG_DWORD, Number(0x636c6163));  // "calc" in its four bytes
    Plant("2", REG_SZ, std::string("no terminator"));
    Plant("3", REG_SZ, std::string(519, 'a') + '\0');
    Plant("4", REG_SZ, std::string(520, 'b'));
    Plant("5", REG_SZ, std::string(520, 'c') + '\0');
    Plant("6", REG_SZ, std::string(1000, 'd') + '\0');
    Plant("7", REG_SZ, std::string(2000, 'e'));
    Plant("8", REG_MULTI_SZ, std::string("x\0y\0\0", 5));
    Plant("9", REG_EXPAND_SZ, Text("%WINDIR%\\notepad.exe"));
    Plant("10", REG_SZ, std::string("in\0side", 8));
    Plant("Current", REG_DWORD, Number(11));

    std::vector<std::string> expected{"no terminator", std::string(519, 'a'),
                                      std::string(520, 'b'), "%WINDIR%\\notepad.exe", "in"};
    EXPECT_EQ(Fill(), expected);

    // A non-text value does not block its look-alike text.
    AddGuarded("calc");
    AddToHistory("NO TERMINATOR");
    AddToHistory(std::string(519, 'A').c_str());
    auto values = StoredValues();
    EXPECT_EQ(values["11"].data, Text("calc"));
    EXPECT_EQ(values["Current"].data, Number(12));
    EXPECT_EQ(values["2"].data, "no terminator") << "a known text leaves its slot alone";
    EXPECT_EQ(values["0"].type, (DWORD)REG_BINARY);

    // The next new entries go round to slot 0 and overwrite what was planted there.
    AddToHistory("after wrap");
    values = StoredValues();
    EXPECT_EQ(values["0"].type, (DWORD)REG_SZ);
    EXPECT_EQ(values["0"].data, Text("after wrap"));
    for (auto& [name, value] : values)
        EXPECT_TRUE(name == "Current" || (name.size() <= 2 && atoi(name.c_str()) <= 11 &&
                                          std::to_string(atoi(name.c_str())) == name))
            << name;
}

// A key that cannot be created (its parent is volatile, and a volatile key takes no lasting
// subkey) takes no entry, and the list stays empty; nothing crashes.
TEST_F(HistoryTest, KeyThatCannotBeCreated)
{
    // The parents stay lasting keys, or every later test here would be blocked as well.
    HKEY orvel;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Brandelmor\\Orvel", &orvel), ERROR_SUCCESS);
    RegCloseKey(orvel);
    RegDeleteKeyA(HKEY_CURRENT_USER, PluginsPath);
    HKEY plugins;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PluginsPath, 0, NULL, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &plugins, NULL),
              ERROR_SUCCESS);
    HKEY probe;
    LONG blocked = RegCreateKeyA(HKEY_CURRENT_USER, KeyPath, &probe);
    if (blocked == ERROR_SUCCESS)
        RegCloseKey(probe);
    RegCloseKey(plugins);
    if (blocked == ERROR_SUCCESS) {
        RegDeleteKeyA(HKEY_CURRENT_USER, KeyPath);
        RegDeleteKeyA(HKEY_CURRENT_USER, PluginsPath);
        GTEST_SKIP() << "this registry lets a volatile key hold a lasting subkey";
    }

    AddToHistory("never stored");
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(Fill().empty());
    RegDeleteKeyA(HKEY_CURRENT_USER, PluginsPath);
}

// A key whose access list grants nothing: the list stays empty and no entry is written.
TEST_F(HistoryTest, KeyThatCannotBeRead)
{
    Plant("0", REG_SZ, Text("kept secret"));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    SECURITY_DESCRIPTOR nothing;
    InitializeSecurityDescriptor(&nothing, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&nothing, TRUE, &empty, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &nothing), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY reader;
    LONG denied = RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &reader);
    if (denied == ERROR_SUCCESS) {
        RegCloseKey(reader);
        GTEST_SKIP() << "this registry does not enforce a key's access list";
    }
    EXPECT_TRUE(Fill().empty());
    AddToHistory("not written");

    // The owner may always give itself access back.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    SetSecurityDescriptorDacl(&nothing, TRUE, NULL, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &nothing);
    RegCloseKey(key);
    auto values = StoredValues();
    EXPECT_EQ(values.size(), 1u);
    EXPECT_EQ(values["0"].data, Text("kept secret"));
}
