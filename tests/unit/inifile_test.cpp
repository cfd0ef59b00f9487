// The configuration text routines of kelvor.dll on their own: what a merge keeps and changes,
// how a value is found, and random texts read and written between inaccessible pages.
#include "kelvor/inifile.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Merge(const std::string& text, const std::vector<IniValue>& values)
{
    int length = IniMerge(text.data(), (int)text.size(), values.data(), (int)values.size(), NULL, 0);
    if (length < 0)
        return "(refused)";
    std::string merged(length, '\0');
    EXPECT_EQ(IniMerge(text.data(), (int)text.size(), values.data(), (int)values.size(),
                       &merged[0], length), length);
    return merged;
}

// "(absent)" when the key is not found.
std::string Find(const char* text, int length, const char* section, const char* key)
{
    const char* value;
    int valueLength;
    if (!IniFindValue(text, length, section, key, &value, &valueLength))
        return "(absent)";
    return std::string(value, valueLength);
}

std::string Find(const std::string& text, const char* section, const char* key)
{
    return Find(text.data(), (int)text.size(), section, key);
}

// Room for a text that ends where an inaccessible page begins: reading or writing one byte past
// it faults, and the bytes before it are guards.
struct Fence {
    BYTE* block;
    BYTE* end;
    static const int ROOM = 16 * 4096;
    static const int GUARD = 64;
    Fence()
    {
        block = (BYTE*)VirtualAlloc(NULL, ROOM + 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        end = block + ROOM;
        DWORD old;
        VirtualProtect(end, 4096, PAGE_NOACCESS, &old);
    }
    ~Fence() { VirtualFree(block, 0, MEM_RELEASE); }
    char* Place(const std::string& text)
    {
        char* at = (char*)end - text.size();
        FillMemory(at - GUARD, GUARD, 0xA5);
        CopyMemory(at, text.data(), text.size());
        return at;
    }
    bool GuardIntact(int length) const
    {
        for (const BYTE* b = end - length - GUARD; b < end - length; b++)
            if (*b != 0xA5)
                return false;
        return true;
    }
};

struct MergeCase {
    const char* what;
    std::string text;
    std::vector<IniValue> values;
    std::string merged;
};

}  // namespace

TEST(IniFile, MergeKeepsEverythingButTheValuesItSets)
{
    const MergeCase cases[] = {
        {"in place, comments and other sections kept",
         "; settings\r\n[Abrivel]\r\nWidth=300\r\n; left edge\r\nXPos = 12 \r\n\r\n[Other]\r\nWidth=1\r\n",
         {{"Abrivel", "width", 321}, {"ABRIVEL", "XPos", -7}},
         "; settings\r\n[Abrivel]\r\nWidth=321\r\n; left edge\r\nXPos = -7\r\n\r\n[Other]\r\nWidth=1\r\n"},
        {"a new key after the section's last line, before its blank lines",
         "[Abrivel]\r\nWidth=300\r\n; end\r\n\r\n\r\n[Other]\r\nA=1",
         {{"Abrivel", "Snap", 1}},
         "[Abrivel]\r\nWidth=300\r\n; end\r\nSnap=1\r\n\r\n\r\n[Other]\r\nA=1\r\n"},
        {"a new section at the end, one blank line before it; the last of equal names counts",
         "[Other]\nA=1\n",
         {{"Abrivel", "Width", 5}, {"Abrivel", "XPos", 6}, {"abrivel", "WIDTH", 7}},
         "[Other]\r\nA=1\r\n\r\n[Abrivel]\r\nXPos=6\r\nWIDTH=7\r\n"},
        {"an empty text", "", {{"Abrivel", "Width", 5}}, "[Abrivel]\r\nWidth=5\r\n"},
        {"LF, CR and CR LF all end a line, written as CR LF",
         "[a]\nx=1\ry=2\r\n\n\r", {}, "[a]\r\nx=1\r\ny=2\r\n\r\n\r\n"},
        {"only the first section and the first key of a name count",
         "[a]\r\nk=1\r\nk=2\r\n[b]\r\n[A]\r\nk=3\r\n",
         {{"a", "k", 9}, {"a", "new", 4}},
         "[a]\r\nk=9\r\nk=2\r\nnew=4\r\n[b]\r\n[A]\r\nk=3\r\n"},
        {"a key without '=' gets one; a quoted value is replaced whole",
         "[a]\r\n  k  \r\nq = \"5\"\r\n", {{"a", "k", 1}, {"a", "q", 2}},
         "[a]\r\n  k=1\r\nq = 2\r\n"},
        {"keys before any section belong to none", "k=1\r\n[a]\r\n", {{"a", "k", 2}},
         "k=1\r\n[a]\r\nk=2\r\n"},
        {"blanks inside the brackets", "[ a ]\r\n", {{"a", "k", 1}}, "[ a ]\r\nk=1\r\n"},
        {"a UTF-8 mark stays in front", "\xEF\xBB\xBF[a]\r\nk=1\r\n", {{"a", "k", 2}},
         "\xEF\xBB\xBF[a]\r\nk=2\r\n"},
        {"the extremes of the range", "",
         {{"a", "k", -2147483647 - 1}, {"a", "m", 2147483647}},
         "[a]\r\nk=-2147483648\r\nm=2147483647\r\n"},
        {"names that would not read back are left out", "[a]\r\n",
         {{"a", "=x", 1}, {"a]", "k", 1}, {"a", " k", 1}, {"a", "k ", 1}, {"a", ";k", 1},
          {"a", "[k", 1}, {"a", "k\r\nj", 1}, {"", "k", 1}, {"a", "", 1}, {nullptr, "k", 1},
          {"a", nullptr, 1}},
         "[a]\r\n"},
        {"UTF-16 is refused", std::string("\xFF\xFE[\0a\0]\0", 8), {{"a", "k", 1}}, "(refused)"},
    };
    for (const MergeCase& c : cases)
        EXPECT_EQ(Merge(c.text, c.values), c.merged) << c.what;

    std::vector<IniValue> tooMany(INI_VALUES_MAX + 1, IniValue{"a", "k", 1});
    EXPECT_EQ(Merge("", tooMany), "(refused)");
    tooMany.pop_back();
    EXPECT_EQ(Merge("", tooMany), "[a]\r\nk=1\r\n");
}

TEST(IniFile, FindAndParseFollowTheReadingRules)
{
    struct Case { std::string text; const char* section; const char* key; const char* value; };
    const Case cases[] = {
        {"[Abrivel]\r\n  Width =  300  \r\n", "abrivel", "WIDTH", "300"},
        {"[a]\nk=\"x y\"\n", "a", "k", "x y"},
        {"[a]\nk='5'", "a", "k", "5"},
        {"[a]\nk=\"5'", "a", "k", "\"5'"},
        {"[a]\nk=1=2", "a", "k", "1=2"},
        {"[a]\r\nk", "a", "k", ""},
        {"[a]\rk=1", "a", "k", "1"},
        {"\xEF\xBB\xBF[a]\nk=1", "a", "k", "1"},
        {"[a]\r\n;k=1\r\n", "a", "k", "(absent)"},
        {"[a]\r\n[b]\r\nk=1", "a", "k", "(absent)"},
        {"[a]\r\nk=1\r\n[a]\r\nk=2", "a", "k", "1"},
        {"[a]\r\n[a]\r\nk=2", "a", "k", "(absent)"},
        {"k=1\r\n[a]", "a", "k", "(absent)"},
        {"[a]\r\nk=1", "", "k", "(absent)"},
        {"[a]\r\nk=1", "a", "", "(absent)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(c.text, c.section, c.key), c.value) << c.text;

    struct Number { const char* text; bool readable; int value; };
    const Number numbers[] = {
        {"0", true, 0}, {" -12 ", true, -12}, {"+7", true, 7}, {"\t5\t", true, 5},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
        {"12abc", false, 0}, {"", false, 0}, {"-", false, 0}, {"1 2", false, 0}, {"- 1", false, 0},
    };
    for (const Number& n : numbers) {
        int value = 12345;
        EXPECT_EQ(IniParseInt(n.text, lstrlenA(n.text), &value), n.readable) << n.text;
        EXPECT_EQ(value, n.readable ? n.value : 12345) << n.text;
    }
    int value = 0;
    EXPECT_TRUE(IniParseInt("123", 2, &value));
    EXPECT_EQ(value, 12) << "read past the span";

    struct Flag { const char* text; bool readable; bool value; };
    const Flag flags[] = {
        {"yes", true, true}, {"TRUE", true, true}, {"No", true, false}, {"false", true, false},
        {"0", true, false}, {"-1", true, true}, {" 2 ", true, true}, {"maybe", false, false},
        {"", false, false}, {"yess", false, false},
    };
    for (const Flag& f : flags) {
        bool result = !f.value;
        EXPECT_EQ(IniParseBool(f.text, lstrlenA(f.text), &result), f.readable) << f.text;
        if (f.readable)
            EXPECT_EQ(result, f.value) << f.text;
    }
}

// A merge into too little room stores the beginning and nothing past the room.
TEST(IniFile, MergeStaysInItsRoom)
{
    const std::string text = "; c\r\n[a]\r\nk=1\r\n";
    const std::vector<IniValue> values = {{"a", "k", 22}, {"b", "m", 3}};
    const std::string merged = Merge(text, values);
    ASSERT_EQ(merged, "; c\r\n[a]\r\nk=22\r\n\r\n[b]\r\nm=3\r\n");
    Fence output;
    for (int size : {(int)merged.size(), (int)merged.size() - 1, 1, 0}) {
        char* out = output.Place(std::string(size, 'x'));
        EXPECT_EQ(IniMerge(text.data(), (int)text.size(), values.data(), 2, out, size),
                  (int)merged.size());
        EXPECT_EQ(std::string(out, size), merged.substr(0, size));
        EXPECT_TRUE(output.GuardIntact(size)) << size;
    }
}

// Random texts of the characters that matter, between inaccessible pages: no routine reads or
// writes past its spans, every value set reads back, every other value reads as before, and a
// merged text is a fixed point of the same merge.
TEST(IniFile, RandomTextsRoundTrip)
{
    const char alphabet[] = "[]=;;ab AB\t\r\n\"'k0-";
    const char* const names[] = {"a", "A", "b", "k", "K", "ab"};
    std::mt19937 random(20261208);
    Fence input, output;
    for (int round = 0; round < 4000; round++) {
        std::string text;
        int length = random() % 120;
        for (int i = 0; i < length; i++)
            text += random() % 50 ? alphabet[random() % (sizeof alphabet - 1)]
                                  : "\0\xEF\xBB\xBF\xFF\xFE"[random() % 6];
        if (random() % 20 == 0)
            text.insert(0, random() % 2 ? "\xEF\xBB\xBF" : "\xFF\xFE");
        std::vector<IniValue> values;
        for (int n = random() % 6; n > 0; n--)
            values.push_back({names[random() % 6], names[random() % 6], (int)random()});

        const char* in = input.Place(text);
        int size = IniMerge(in, (int)text.size(), values.data(), (int)values.size(), NULL, 0);
        bool utf16 = text.size() >= 2 && (text.compare(0, 2, "\xFF\xFE") == 0 ||
                                           text.compare(0, 2, "\xFE\xFF") == 0);
        ASSERT_EQ(size < 0, utf16) << round;
        if (utf16)
            continue;
        int room = random() % (size + 1);
        char* out = output.Place(std::string(room, 'x'));
        ASSERT_EQ(IniMerge(in, (int)text.size(), values.data(), (int)values.size(), out, room), size);
        ASSERT_TRUE(output.GuardIntact(room)) << round;
        out = output.Place(std::string(size, 'x'));
        ASSERT_EQ(IniMerge(in, (int)text.size(), values.data(), (int)values.size(), out, size), size);
        const std::string merged(out, size);

        for (const char* section : names)
            for (const char* key : names) {
                const IniValue* set = nullptr;
                for (const IniValue& v : values)
                    if (!lstrcmpiA(v.section, section) && !lstrcmpiA(v.key, key))
                        set = &v;
                std::string expected = set ? std::to_string(set->value)
                                           : Find(in, (int)text.size(), section, key);
                ASSERT_EQ(Find(out, size, section, key), expected)
                    << round << " [" << section << "] " << key << "\n" << text;
            }
        ASSERT_EQ(Merge(merged, values), merged) << round;
        ASSERT_EQ(Merge(merged, {}), merged) << round;
    }
}
