// The configuration text routines of kelvor.dll on their own: what a merge keeps and changes,
// how a value is read, and random texts read and written up to an inaccessible page.
#include "kelvor/inifile.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Merge(const std::string& text, const std::vector<IniValue>& values)
{
    int size = IniMerge(text.data(), (int)text.size(), values.data(), (int)values.size(), NULL, 0);
    std::string merged(size < 0 ? 0 : size, '\0');
    if (size < 0 || IniMerge(text.data(), (int)text.size(), values.data(), (int)values.size(),
                             &merged[0], size) != size)
        return "(refused)";
    return merged;
}

std::string Find(const char* text, int length, const char* section, const char* key)
{
    const char* value;
    int valueLength;
    if (!IniFindValue(text, length, section, key, &value, &valueLength))
        return "(absent)";
    return std::string(value, valueLength);
}

// Texts placed so that they end where an inaccessible page begins, guard bytes before them: a
// byte read or written past the end faults.
struct Fence {
    BYTE* end;
    Fence()
    {
        end = (BYTE*)VirtualAlloc(NULL, 2 * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) + 4096;
        DWORD old;
        VirtualProtect(end, 4096, PAGE_NOACCESS, &old);
    }
    ~Fence() { VirtualFree(end - 4096, 0, MEM_RELEASE); }
    char* Place(const std::string& text)
    {
        FillMemory(end - text.size() - 64, 64, 0xA5);
        CopyMemory(end - text.size(), text.data(), text.size());
        return (char*)end - text.size();
    }
    bool GuardIntact(size_t length) const
    {
        for (const BYTE* b = end - length - 64; b < end - length; b++)
            if (*b != 0xA5)
                return false;
        return true;
    }
};

}  // namespace

TEST(IniFile, MergeChangesOnlyTheValuesItSets)
{
    struct Case { const char* what; std::string text; std::vector<IniValue> values; std::string merged; };
    const Case cases[] = {
        {"in place; comments, other sections, names in any case; a new key after the section's "
         "last line, before its blank lines",
         "; settings\n[Abrivel]\nWidth = 300 \n; left\n\n[Other]\nWidth=1",
         {{"ABRIVEL", "width", 321}, {"Abrivel", "Snap", 1}},
         "; settings\r\n[Abrivel]\r\nWidth = 321\r\n; left\r\nSnap=1\r\n\r\n[Other]\r\nWidth=1\r\n"},
        {"a new section at the end after a blank line; the last of equal names counts",
         "[Other]\rA=1", {{"Abrivel", "Width", 5}, {"Abrivel", "XPos", -7}, {"abrivel", "WIDTH", 7}},
         "[Other]\r\nA=1\r\n\r\n[Abrivel]\r\nXPos=-7\r\nWIDTH=7\r\n"},
        {"only the first section and first key of a name; keys before any section belong to none",
         "k=0\r\n[a]\r\nk=1\r\nk=2\r\n[A]\r\nm=3\r\n", {{"a", "k", 9}, {"a", "m", -2147483647 - 1}},
         "k=0\r\n[a]\r\nk=9\r\nk=2\r\nm=-2147483648\r\n[A]\r\nm=3\r\n"},
        {"a key without '=' gets one; a quoted value is replaced whole; a UTF-8 mark stays",
         "\xEF\xBB\xBF[ a ]\r\n  k  \r\nq = \"5\"", {{"a", "k", 1}, {"a", "q", 2147483647}},
         "\xEF\xBB\xBF[ a ]\r\n  k=1\r\nq = 2147483647\r\n"},
        {"names that would not read back are left out", "[a]\n",
         {{"a", "=x", 1}, {"a]", "k", 1}, {"a", " k", 1}, {"a", ";k", 1}, {"a", "[k", 1},
          {"a", "k\nj", 1}, {"", "k", 1}, {nullptr, "k", 1}, {"a", nullptr, 1}},
         "[a]\r\n"},
        {"UTF-16 is refused", std::string("\xFF\xFE[\0", 4), {{"a", "k", 1}}, "(refused)"},
        {"too many values are refused", "", std::vector<IniValue>(INI_VALUES_MAX + 1, {"a", "k", 1}),
         "(refused)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Merge(c.text, c.values), c.merged) << c.what;
}

TEST(IniFile, ReadingRules)
{
    struct Case { std::string text; const char* value; };
    const Case cases[] = {
        {"[Abrivel]\r\n  width =  300  ", "300"}, {"[abrivel]\nWidth=\"x y\"", "x y"},
        {"[Abrivel]\nWidth='5'", "5"},           {"[Abrivel]\nWidth=\"5'", "\"5'"},
        {"[Abrivel]\rWidth=1=2", "1=2"},          {"[Abrivel]\nWidth", ""},
        {"[Abrivel]\n;Width=1", "(absent)"},     {"[Abrivel]\n[b]\nWidth=1", "(absent)"},
        {"[Abrivel]\nWidth=1\n[Abrivel]\nWidth=2", "1"}, {"Width=1\n[Abrivel]", "(absent)"},
        // Only the first section of a name counts, even for a key it lacks.
        {"[Abrivel]\nSnap=3\n[b]\n[Abrivel]\nWidth=2", "(absent)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(c.text.data(), (int)c.text.size(), "ABRIVEL", "WIDTH"), c.value) << c.text;

    struct Number { const char* text; int length; bool readable; int value; };
    const Number numbers[] = {
        {" -12\t", 5, true, -12}, {"+7", 2, true, 7}, {"-2147483648", 11, true, -2147483647 - 1},
        {"2147483647", 10, true, 2147483647},
        {"123", 2, true, 12}, {"2147483648", 10, false, 0}, {"12abc", 5, false, 0},
        {"", 0, false, 0}, {"-", 1, false, 0}, {"1 2", 3, false, 0}, {"- 1", 3, false, 0},
    };
    for (const Number& n : numbers) {
        int value = 12345;
        EXPECT_EQ(IniParseInt(n.text, n.length, &value), n.readable) << n.text;
        EXPECT_EQ(value, n.readable ? n.value : 12345) << n.text;
    }
    const char* const truths[] = {"yes", "TRUE", " 2 ", "-1"};
    const char* const falsehoods[] = {"No", "false", "0"};
    bool result;
    for (const char* t : truths)
        EXPECT_TRUE(IniParseBool(t, lstrlenA(t), &result) && result) << t;
    for (const char* f : falsehoods)
        EXPECT_TRUE(IniParseBool(f, lstrlenA(f), &result) && !result) << f;
    EXPECT_FALSE(IniParseBool("yess", 4, &result));
}

// Random texts of the characters that matter: nothing is read or written past a span or the
// room given, every value set reads back, every other value reads as before, and a merged text
// is a fixed point of the same merge.
TEST(IniFile, RandomTextsRoundTrip)
{
    const char alphabet[] = "[]=;ab AB\t\r\n\"'k0-";
    const char* const names[] = {"a", "A", "b", "k", "K", "ab"};
    std::mt19937 random(20261208);
    Fence input, output;
    for (int round = 0; round < 4000; round++) {
        std::string text;
        for (int i = random() % 120; i > 0; i--)
            text += random() % 50 ? alphabet[random() % (sizeof alphabet - 1)]
                                  : "\0\xEF\xBB\xBF\xFF\xFE"[random() % 6];
        std::vector<IniValue> values;
        for (int n = random() % 6; n > 0; n--)
            values.push_back({names[random() % 6], names[random() % 6], (int)random()});
        const char* in = input.Place(text);
        const int length = (int)text.size(), count = (int)values.size();

        int size = IniMerge(in, length, values.data(), count, NULL, 0);
        bool utf16 = text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0;
        ASSERT_EQ(size < 0, utf16) << round;
        if (utf16)
            continue;
        int room = random() % (size + 1);
        ASSERT_EQ(IniMerge(in, length, values.data(), count, output.Place(std::string(room, 'x')),
                           room), size);
        ASSERT_TRUE(output.GuardIntact(room)) << round;
        char* out = output.Place(std::string(size, 'x'));
        ASSERT_EQ(IniMerge(in, length, values.data(), count, out, size), size);

        for (const char* section : names)
            for (const char* key : names) {
                std::string expected = Find(in, length, section, key);
                for (const IniValue& v : values)
                    if (!lstrcmpiA(v.section, section) && !lstrcmpiA(v.key, key))
                        expected = std::to_string(v.value);
                ASSERT_EQ(Find(out, size, section, key), expected)
                    << round << " [" << section << "] " << key << "\n" << text;
            }
        const std::string merged(out, size);
        ASSERT_EQ(Merge(merged, values), merged) << round;
        ASSERT_EQ(Merge(merged, {}), merged) << round;
    }
}
