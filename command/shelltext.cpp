// The tokenizer of the shell road's second attempt and the working-folder rule.
#include <windows.h>
#include "textrules.h"

static bool IsBlankOrControl(char c)
{
    unsigned char code = (unsigned char)c;
    return code >= 1 && code <= 32;
}

const char* SplitFirstToken(const char* source, char* destination)
{
    if (!source) {
        destination[0] = '\0';
        return NULL;
    }
    for (;;) {
        if (IsBlankOrControl(*source))
            source++;
        else if (source[0] == '"' && source[1] == '"')
            source += 2;  // an empty quoted string
        else
            break;
    }
    int written = 0;
    while ((unsigned char)*source > 32 && written < TOKEN_LIMIT) {
        if (*source == '"') {
            // A quoted run: blanks inside belong to the token, the quotes never reach it.
            source++;
            while (*source && *source != '"' && written < TOKEN_LIMIT)
                destination[written++] = *source++;
            if (*source == '"')
                source++;
        } else {
            destination[written++] = *source++;
        }
    }
    destination[written] = '\0';
    return source;
}

void WorkingFolderOf(const char* path, char* folder, int size)
{
    int n = lstrlenA(path);
    for (int i = n - 1; i >= 3; i--) {
        if (path[i] == '\\') {
            int count = WholeCharacters(path, MinInt(i, size - 1), GetACP());
            CopyMemory(folder, path, count);
            folder[count] = '\0';
            return;
        }
    }
    // A drive root such as C:\ keeps its backslash.
    if (n > 2 && path[2] == '\\') {
        CopyMemory(folder, path, 3);
        folder[3] = '\0';
    }
}
