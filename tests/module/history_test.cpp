// The drop-down list of the real bar, filled from the registry each time it opens, and the
// history as commands typed into the bar leave it.
#include <string>
#include <vector>
#include "harness/testhost.h"

static const char KeyPath[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

static void PlantText(const char* name, const char* text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, KeyPath, &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
    RegCloseKey(key);
}

static std::string StoredText(const char* name)
{
    char text[600] = "";
    DWORD size = sizeof text - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &size) != ERROR_SUCCESS)
        lstrcpyA(text, "<no value>");
    RegCloseKey(key);
    return text;
}

// Opens the real drop-down list (the combo box tells the bar) and reads what it offers.
static std::vector<std::string> DropDown()
{
    HWND combo = ComboBox();
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    std::vector<std::string> items;
    int count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char item[600] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof item)
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)item);
        items.push_back(item);
    }
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    return items;
}

TEST_F(ModuleTest, DropDownShowsTheRegistryAndKeepsTheTypedText)
{
    StartPlugin();
    EXPECT_TRUE(DropDown().empty());

    PlantText("0", "notepad.exe");
    PlantText("3", "www.example.org");
    PlantText("12", "from outside");
    SetInputText("half typ");
    std::vector<std::string> expected{"notepad.exe", "www.example.org", "from outside"};
    EXPECT_EQ(DropDown(), expected);
    EXPECT_EQ(WindowText(InputLine()), "half typ");
    DWORD start = 1, end = 0;
    SendMessageA(InputLine(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 8u);

    // A change from outside shows at the next opening, without duplicates from the last one.
    PlantText("3", "");
    expected = {"notepad.exe", "from outside"};
    EXPECT_EQ(DropDown(), expected);
}

TEST_F(ModuleTest, ClearedHistoryStartsAgainAtSlotZero)
{
    PlantText("5", "calc");
    PlantText("Current", "");  // any value; cleared with the rest
    StartPlugin();
    SetInputText(".ClearHistory");
    PressKey(InputLine(), VK_RETURN);
    EXPECT_EQ(StoredText("5"), "<no key>");
    EXPECT_TRUE(DropDown().empty());

    SetInputText(".Recycle");
    PressKey(InputLine(), VK_RETURN);
    EXPECT_EQ(StoredText("0"), ".Recycle");
    SetInputText(".rec");
    PressKey(InputLine(), VK_RETURN);  // the table's name, already stored
    EXPECT_EQ(StoredText("1"), "<no value>");
    EXPECT_EQ(DropDown(), std::vector<std::string>{".Recycle"});
}
