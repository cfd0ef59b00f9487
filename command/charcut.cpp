// Where a text of the ANSI code page may be cut: never inside a character, whatever the code
// page (single-byte, double-byte, or UTF-8 where a manifest makes it the process's code page).
#include <windows.h>
#include "textrules.h"

// Bytes of the character at text: a lead byte counts only with the continuation bytes that
// really follow it, so a broken sequence is taken a byte at a time and the NUL is never passed.
static int CharacterSize(const char* text, unsigned codePage)
{
    unsigned char lead = (unsigned char)text[0];
    if (codePage == CP_UTF8) {
        int expected = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0xF8)
            expected = 1;
        int size = 1;
        while (size < expected && ((unsigned char)text[size] & 0xC0) == 0x80)
            size++;
        return size;
    }
    return IsDBCSLeadByteEx(codePage, lead) && text[1] != '\0' ? 2 : 1;
}

int WholeCharacters(const char* text, int limit, unsigned codePage)
{
    int length = 0;
    while (text[length] != '\0' && length < limit) {
        int size = CharacterSize(text + length, codePage);
        if (length + size > limit)
            break;
        length += size;
    }
    return length;
}
