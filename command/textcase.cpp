// Texts of the process's code page: how many bytes a character may take, and comparing them
// without regard to case.
#include "../plugin/state.h"
#include "command.h"
#include "textrules.h"

// A UTF-16 unit of the input line never needs more than 3 bytes of UTF-8. Every other code page
// is read a byte a character, as the bar always did.
int CharacterBytes() { return GetACP() == CP_UTF8 ? 3 : 1; }

int LineReadLimit()
{
    return LINE_CHARACTERS * CharacterBytes() + 1;
}

// lstrcmpiA reads its texts in the code page of the user's locale, which is not the process's
// where a manifest makes UTF-8 the process's code page: there both are widened as UTF-8.
int CompareNoCase(const char* a, const char* b)
{
    if (GetACP() != CP_UTF8)
        return lstrcmpiA(a, b);
    WCHAR wideA[LINE_BYTES];
    WCHAR wideB[LINE_BYTES];
    if (!MultiByteToWideChar(CP_UTF8, 0, a, -1, wideA, LINE_BYTES) ||
        !MultiByteToWideChar(CP_UTF8, 0, b, -1, wideB, LINE_BYTES))
        return lstrcmpiA(a, b);
    int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA, -1, wideB, -1);
    return order == 0 ? lstrcmpiA(a, b) : order - CSTR_EQUAL;
}
