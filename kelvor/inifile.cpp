// Reading and merging the configuration text. The rules are those of the profile API where the
// two meet, so that the files written here read the same through GetPrivateProfileString: the
// first section of a name counts, then the first key of a name in it; a line ends at CR LF, LF
// or CR; matching quotes around a value are not part of it.
#include "inifile.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

// Whether the span holds the NUL-terminated name, without regard to case.
bool SameName(const char* text, int length, const char* name)
{
    int i = 0;
    for (; i < length; i++)
        if (!name[i] || Fold(text[i]) != Fold(name[i]))
            return false;
    return name[i] == '\0';
}

bool SameNames(const char* a, const char* b)
{
    for (; *a && *b; a++, b++)
        if (Fold(*a) != Fold(*b))
            return false;
    return *a == *b;
}

enum LineKind { LINE_BLANK, LINE_COMMENT, LINE_SECTION, LINE_KEY };

// Offsets into the text; a key's name is [nameStart, nameEnd), its value [valueStart, valueEnd),
// valueStart being -1 for a line without "=".
struct Line {
    int start, end, next;
    LineKind kind;
    int nameStart, nameEnd;
    int valueStart, valueEnd;
};

bool HasUtf8Mark(const char* text, int length)
{
    return length >= 3 && (unsigned char)text[0] == 0xEF && (unsigned char)text[1] == 0xBB &&
           (unsigned char)text[2] == 0xBF;
}

int TrimEnd(const char* text, int start, int end)
{
    while (end > start && IsBlank(text[end - 1]))
        end--;
    return end;
}

// Reads the line that begins at `at`, which is below length.
void ReadLine(const char* text, int length, int at, Line* line)
{
    int end = at;
    while (end < length && text[end] != '\r' && text[end] != '\n')
        end++;
    int next = end;
    if (next < length && text[next] == '\r')
        next++;
    if (next < length && text[next] == '\n' && (next == end || text[end] == '\r'))
        next++;
    line->start = at;
    line->end = end;
    line->next = next;
    line->valueStart = line->valueEnd = -1;

    // A UTF-8 mark belongs to the first line's text but not to its meaning.
    int c = at == 0 && HasUtf8Mark(text, length) ? 3 : at;
    while (c < end && IsBlank(text[c]))
        c++;
    line->nameStart = line->nameEnd = c;
    if (c == end) {
        line->kind = LINE_BLANK;
    } else if (text[c] == ';') {
        line->kind = LINE_COMMENT;
    } else if (text[c] == '[') {
        // The name runs to the last "]", or to the end of a line without one.
        line->kind = LINE_SECTION;
        int close = end;
        for (int i = end - 1; i > c; i--)
            if (text[i] == ']') {
                close = i;
                break;
            }
        int name = c + 1;
        while (name < close && IsBlank(text[name]))
            name++;
        line->nameStart = name;
        line->nameEnd = TrimEnd(text, name, close);
    } else {
        line->kind = LINE_KEY;
        int equals = c;
        while (equals < end && text[equals] != '=')
            equals++;
        line->nameEnd = TrimEnd(text, c, equals);
        if (equals < end) {
            int value = equals + 1;
            while (value < end && IsBlank(text[value]))
                value++;
            line->valueStart = value;
            line->valueEnd = TrimEnd(text, value, end);
        }
    }
}

bool NameValid(const char* name, char forbidden)
{
    if (!name || !name[0] || IsBlank(name[0]))
        return false;
    const char* c = name;
    for (; *c; c++)
        if (*c == '\r' || *c == '\n' || *c == forbidden)
            return false;
    return !IsBlank(c[-1]);
}

// The merged text as it is written: counted whole, stored as far as the room goes.
struct Output {
    char* out;
    int size;
    long long length;
    bool lastBlank;  // nothing written yet, or the last line is blank
};

void Put(Output* o, const char* text, int count)
{
    long long room = o->size - o->length;
    for (int i = 0; i < count && i < room; i++)
        o->out[o->length + i] = text[i];
    o->length += count;
}

void PutText(Output* o, const char* text)
{
    int count = 0;
    while (text[count])
        count++;
    Put(o, text, count);
}

void EndLine(Output* o, bool blank)
{
    Put(o, "\r\n", 2);
    o->lastBlank = blank;
}

void PutNumber(Output* o, int value)
{
    char digits[12];
    int at = sizeof digits;
    // Through unsigned arithmetic, so that the lowest integer has a magnitude too.
    unsigned int magnitude = value < 0 ? 0u - (unsigned int)value : (unsigned int)value;
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        digits[--at] = '-';
    Put(o, digits + at, (int)sizeof digits - at);
}

void PutKeyValue(Output* o, const IniValue* value)
{
    PutText(o, value->key);
    Put(o, "=", 1);
    PutNumber(o, value->value);
    EndLine(o, false);
}

// Where each value goes, found before anything is written: the start of the first line of its
// section and of its key there (-1 when absent), and whether it is left out.
struct Placement {
    int section[INI_VALUES_MAX];
    int key[INI_VALUES_MAX];
    bool skip[INI_VALUES_MAX];
};

void Place(const char* text, int length, const IniValue* values, int count, Placement* p)
{
    for (int i = 0; i < count; i++) {
        p->section[i] = p->key[i] = -1;
        p->skip[i] = !IniSectionNameValid(values[i].section) || !IniKeyNameValid(values[i].key);
        for (int later = i + 1; later < count && !p->skip[i]; later++)
            p->skip[i] = values[later].section && values[later].key &&
                         SameNames(values[i].section, values[later].section) &&
                         SameNames(values[i].key, values[later].key);
    }
    int current = -1;
    Line line;
    for (int at = 0; at < length; at = line.next) {
        ReadLine(text, length, at, &line);
        const char* name = text + line.nameStart;
        int nameLength = line.nameEnd - line.nameStart;
        for (int i = 0; i < count; i++) {
            if (p->skip[i])
                continue;
            if (line.kind == LINE_SECTION && p->section[i] < 0 &&
                SameName(name, nameLength, values[i].section))
                p->section[i] = line.start;
            else if (line.kind == LINE_KEY && current >= 0 && p->section[i] == current &&
                     p->key[i] < 0 && SameName(name, nameLength, values[i].key))
                p->key[i] = line.start;
        }
        if (line.kind == LINE_SECTION)
            current = line.start;
    }
}

// Writes lines [from, to) of the text as they are.
void PutLines(Output* o, const char* text, int length, int from, int to)
{
    Line line;
    for (int at = from; at < to; at = line.next) {
        ReadLine(text, length, at, &line);
        Put(o, text + line.start, line.end - line.start);
        EndLine(o, line.kind == LINE_BLANK);
    }
}

void PutNewKeys(Output* o, const IniValue* values, int count, const Placement* p, int section)
{
    if (section < 0)
        return;
    for (int i = 0; i < count; i++)
        if (!p->skip[i] && p->section[i] == section && p->key[i] < 0)
            PutKeyValue(o, &values[i]);
}

void PutNewSections(Output* o, const IniValue* values, int count, const Placement* p)
{
    for (int i = 0; i < count; i++) {
        if (p->skip[i] || p->section[i] >= 0)
            continue;
        bool written = false;
        for (int earlier = 0; earlier < i && !written; earlier++)
            written = !p->skip[earlier] && SameNames(values[earlier].section, values[i].section);
        if (written)
            continue;
        if (!o->lastBlank)
            EndLine(o, true);
        Put(o, "[", 1);
        PutText(o, values[i].section);
        Put(o, "]", 1);
        EndLine(o, false);
        for (int j = i; j < count; j++)
            if (!p->skip[j] && SameNames(values[j].section, values[i].section))
                PutKeyValue(o, &values[j]);
    }
}

}  // namespace

bool IniSectionNameValid(const char* name) { return NameValid(name, ']'); }

bool IniKeyNameValid(const char* name)
{
    return NameValid(name, '=') && name[0] != '[' && name[0] != ';';
}

bool IniFindValue(const char* text, int length, const char* section, const char* key,
                  const char** value, int* valueLength)
{
    if (!text || length <= 0 || !section || !section[0] || !key || !key[0])
        return false;
    bool inSection = false;
    Line line;
    for (int at = 0; at < length; at = line.next) {
        ReadLine(text, length, at, &line);
        const char* name = text + line.nameStart;
        int nameLength = line.nameEnd - line.nameStart;
        if (line.kind == LINE_SECTION) {
            if (inSection)
                return false;
            inSection = SameName(name, nameLength, section);
        } else if (line.kind == LINE_KEY && inSection && SameName(name, nameLength, key)) {
            int start = line.valueStart < 0 ? line.end : line.valueStart;
            int end = line.valueStart < 0 ? line.end : line.valueEnd;
            if (end - start >= 2 && (text[start] == '"' || text[start] == '\'') &&
                text[end - 1] == text[start]) {
                start++;
                end--;
            }
            *value = text + start;
            *valueLength = end - start;
            return true;
        }
    }
    return false;
}

bool IniParseInt(const char* text, int length, int* value)
{
    int c = 0;
    while (c < length && IsBlank(text[c]))
        c++;
    length = TrimEnd(text, c, length);
    bool negative = false;
    if (c < length && (text[c] == '-' || text[c] == '+'))
        negative = text[c++] == '-';
    if (c == length)
        return false;
    long long number = 0;
    for (; c < length; c++) {
        if (text[c] < '0' || text[c] > '9')
            return false;
        number = number * 10 + (text[c] - '0');
        if (number > 0x80000000LL)
            return false;
    }
    if (negative)
        number = -number;
    if (number > 0x7FFFFFFF)
        return false;
    *value = (int)number;
    return true;
}

bool IniParseBool(const char* text, int length, bool* result)
{
    int c = 0;
    while (c < length && IsBlank(text[c]))
        c++;
    int end = TrimEnd(text, c, length);
    int number;
    if (SameName(text + c, end - c, "true") || SameName(text + c, end - c, "yes"))
        *result = true;
    else if (SameName(text + c, end - c, "false") || SameName(text + c, end - c, "no"))
        *result = false;
    else if (IniParseInt(text + c, end - c, &number))
        *result = number != 0;
    else
        return false;
    return true;
}

int IniMerge(const char* text, int length, const IniValue* values, int count, char* out,
             int size)
{
    if (length < 0 || length > INI_TEXT_MAX || (!text && length) || count < 0 ||
        count > INI_VALUES_MAX || (!values && count) || size < 0 || (!out && size))
        return -1;
    // A UTF-16 text would be corrupted by lines of single bytes.
    if (length >= 2 && (((unsigned char)text[0] == 0xFF && (unsigned char)text[1] == 0xFE) ||
                        ((unsigned char)text[0] == 0xFE && (unsigned char)text[1] == 0xFF)))
        return -1;

    Placement placement;
    Place(text, length, values, count, &placement);
    Output o = {out, size, 0, true};
    int current = -1;
    int blanksFrom = -1;  // blank lines not yet written, held so that new keys go before them
    Line line;
    for (int at = 0; at < length; at = line.next) {
        ReadLine(text, length, at, &line);
        if (line.kind == LINE_BLANK) {
            if (blanksFrom < 0)
                blanksFrom = line.start;
            continue;
        }
        if (line.kind == LINE_SECTION)
            PutNewKeys(&o, values, count, &placement, current);
        if (blanksFrom >= 0)
            PutLines(&o, text, length, blanksFrom, line.start);
        blanksFrom = -1;
        if (line.kind == LINE_SECTION)
            current = line.start;

        int replaced = -1;
        for (int i = 0; i < count && line.kind == LINE_KEY && replaced < 0; i++)
            if (!placement.skip[i] && placement.key[i] == line.start)
                replaced = i;
        if (replaced < 0) {
            Put(&o, text + line.start, line.end - line.start);
        } else if (line.valueStart >= 0) {
            Put(&o, text + line.start, line.valueStart - line.start);
            PutNumber(&o, values[replaced].value);
        } else {
            Put(&o, text + line.start, line.nameEnd - line.start);
            Put(&o, "=", 1);
            PutNumber(&o, values[replaced].value);
        }
        EndLine(&o, false);
    }
    PutNewKeys(&o, values, count, &placement, current);
    if (blanksFrom >= 0)
        PutLines(&o, text, length, blanksFrom, length);
    PutNewSections(&o, values, count, &placement);
    return o.length > INI_TEXT_MAX ? -1 : (int)o.length;
}
