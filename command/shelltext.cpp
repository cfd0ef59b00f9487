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

const char* FileExtension(const char* path)
{
    const char* extension = NULL;
    for (const char* p = path; *p; p++) {
        if (*p == '\\' || *p == '/' || *p == ':')
            extension = NULL;
        else if (*p == '.')
            extension = p;
    }
    return extension ? extension : path + lstrlenA(path);
}

const char* NextExtension(const char* list, char* extension, int size)
{
    if (!list || !*list)
        return NULL;
    int length = 0;
    for (; *list && *list != ';'; list++)
        if (length < size - 1)
            extension[length++] = *list;
    extension[length] = '\0';
    return *list ? list + 1 : list;
}
