// Web targets, quoted tokens and the probe path routines, over their edge cases and over
// random texts placed against inaccessible memory.
#include <windows.h>
#include <algorithm>
#include <string>
#include <gtest/gtest.h>
#include "command/command.h"
#include "command/textrules.h"
#include "host/kelvor.h"

TEST(WebTarget, PrefixesInAnyCaseDocumentSuffixesAndNearMisses)
{
    struct Case { const char* text; bool web; };
    const Case cases[] = {
        {"www.", true}, {"WWW.example.org", true}, {"Ftp.example.org", true},
        {"HTTP://example.org", true}, {"https://example.org/a b", true}, {"ftp://host", true},
        {"file://C:/pages/a.txt", true}, {"\"www.example.org\"", true}, {"\"http://\"", true},
        {SiteAddress, true},
        {"https:/x", false}, {"http:/example.org", false}, {"www", false}, {"wwwexample", false},
        {"ftp", false}, {"ftpserver", false}, {"file:/x", false}, {" www.example.org", false},
        // Only an enclosing pair of quotes is removed.
        {"\"www.example.org", false}, {"", false},
        // Without the dot a prefix-like name still counts through its suffix.
        {"wwwpage.htm", true},
        {"a.htm", true}, {"a.html", true}, {"C:\\pages\\INDEX.HTML", true},
        {"C:\\pages\\index.Htm", true}, {"\"C:\\my pages\\index.htm\"", true},
        {".htm", false}, {".html", false}, {"htm", false}, {"a.htm ", false}, {"a.htmlx", false},
        {"a.ht", false}, {"\"a.htm\" x", false}, {"notepad.exe a.htm x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWebTarget(c.text), c.web) << c.text;
}

TEST(WebTarget, TextIsNotChanged)
{
    char text[] = "\"www.example.org\"";
    IsWebTarget(text);
    EXPECT_STREQ(text, "\"www.example.org\"");
    char document[] = "\"C:\\a.htm\"";
    IsQuoted(document);
    IsWebTarget(document);
    EXPECT_STREQ(document, "\"C:\\a.htm\"");
}

TEST(Quoted, ExactlyOneQuotedToken)
{
    EXPECT_TRUE(IsQuoted("\"\""));
    EXPECT_TRUE(IsQuoted("\"abc\""));
    EXPECT_TRUE(IsQuoted("\"C:\\Program Files\\x.exe\""));
    EXPECT_FALSE(IsQuoted("\"a\"b\""));
    EXPECT_FALSE(IsQuoted("\"abc\" def"));
    EXPECT_FALSE(IsQuoted("\"abc"));
    EXPECT_FALSE(IsQuoted("abc\""));
    EXPECT_FALSE(IsQuoted("\""));
    EXPECT_FALSE(IsQuoted(""));
    EXPECT_FALSE(IsQuoted(" \"abc\""));
}

TEST(ProbePath, AppendBackslash)
{
    char empty[4] = "";
    EXPECT_EQ(AppendBackslash(empty), empty);
    EXPECT_STREQ(empty, "");

    char ended[16] = "C:\\Temp\\";
    EXPECT_EQ(AppendBackslash(ended), ended + 8);
    EXPECT_STREQ(ended, "C:\\Temp\\");

    char plain[16] = "C:\\Temp";
    EXPECT_EQ(AppendBackslash(plain), plain + 8);
    EXPECT_STREQ(plain, "C:\\Temp\\");
}

TEST(ProbePath, JoinPath)
{
    char path[64] = "C:\\Temp";
    JoinPath(path, nullptr);
    EXPECT_STREQ(path, "C:\\Temp\\");
    JoinPath(path, "orveladdressbar.htm");
    EXPECT_STREQ(path, "C:\\Temp\\orveladdressbar.htm");

    char bare[32] = "";
    JoinPath(bare, "orveladdressbar.htm");
    EXPECT_STREQ(bare, "orveladdressbar.htm");
}

// Texts of every length up to the input line's limit, their terminator the last readable byte
// and their first byte the first readable one: a read outside the text faults.
class GuardedPage {
public:
    GuardedPage()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page = info.dwPageSize;
        base = (char*)VirtualAlloc(NULL, page * 3, MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base, page, PAGE_NOACCESS, &old);
        VirtualProtect(base + page * 2, page, PAGE_NOACCESS, &old);
    }
    ~GuardedPage() { VirtualFree(base, 0, MEM_RELEASE); }
    char* AtEnd(const std::string& text)
    {
        char* place = base + page * 2 - text.size() - 1;
        CopyMemory(place, text.c_str(), text.size() + 1);
        return place;
    }
    char* AtStart(const std::string& text)
    {
        CopyMemory(base + page, text.c_str(), text.size() + 1);
        return base + page;
    }

private:
    DWORD page;
    char* base;
};

static std::string RandomText(unsigned* seed, int length)
{
    static const char alphabet[] = "\"\\ ./:wWhHtTpPfFmMlL";
    std::string text;
    for (int i = 0; i < length; i++) {
        *seed = *seed * 1103515245 + 12345;
        text += alphabet[(*seed >> 16) % (sizeof alphabet - 1)];
    }
    return text;
}

TEST(WebTarget, RandomTextsStayInBoundsAndQuotingAgrees)
{
    GuardedPage memory;
    unsigned seed = 20240611;
    for (int round = 0; round < 4000; round++) {
        std::string text = RandomText(&seed, round % 248);
        if (round % 2)
            text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
        if (round % 5 == 0)
            text.insert(0, round % 3 ? "www." : "FTP://");
        if (round % 7 == 0)
            text += round % 3 ? ".htm" : ".HTML";
        // Text ending exactly at the page end, starting exactly at the page start.
        char* atEnd = memory.AtEnd(text);
        bool web = IsWebTarget(atEnd);
        bool quoted = IsQuoted(atEnd);
        EXPECT_EQ(std::string(atEnd), text) << "the text was changed";
        char* atStart = memory.AtStart(text);
        EXPECT_EQ(IsWebTarget(atStart), web);
        EXPECT_EQ(IsQuoted(atStart), quoted);

        // One enclosing pair of quotes changes neither answer's basis: the quoted form of a
        // text without quotes is one quoted token, and a web target exactly when the text is.
        if (text.find('"') == std::string::npos && text.size() < 258) {
            std::string quotedText = "\"" + text + "\"";
            EXPECT_TRUE(IsQuoted(memory.AtEnd(quotedText))) << quotedText;
            EXPECT_EQ(IsWebTarget(memory.AtEnd(quotedText)), web) << quotedText;
        }
    }
}
