// The pure text routines fed random input, every buffer between guard bytes, every answer
// checked against the rule it keeps.
#include "stress.h"
#include "textcheck.h"
#include "command/textrules.h"

namespace {

const char* const Pieces[] = {"http://", "https://", "www.", "ftp.", "ftp://", "file://", ".htm",
                              ".html", ".HTM", "\"\"", "\"", "C:\\", "\\", " ", "..", "help",
                              "clearr", "ShutDown", "x"};
const char Characters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ \"\\.:/\t\x01\x1f\x7f"
                          "\x80\xe9\xc9\xff";

std::string RandomInput(Random& random)
{
    int most = random.Below(100) == 0 ? 5000 : random.Below(10) == 0 ? 600 : 80;
    int length = random.Below(most + 1);
    std::string text;
    while ((int)text.size() < length) {
        if (random.Below(6) == 0)
            text += Pieces[random.Below(sizeof Pieces / sizeof Pieces[0])];
        else
            text += Characters[random.Below(sizeof Characters - 1)];
    }
    return text;
}

std::string Shown(const std::string& text)
{
    std::string shown;
    for (unsigned char c : text.substr(0, 120))
        shown += c >= 32 && c < 127 && c != '\\' ? std::string(1, (char)c) : Format("\\x%02x", c);
    return shown;
}

struct Tally {
    const char* routine;
    long long inputs = 0, broken = 0, overrun = 0;
    void Note(const char* rule, bool intact, const std::string& input)
    {
        inputs++;
        if (rule && broken++ == 0)
            fprintf(stderr, "%s: %s: \"%s\"\n", routine, rule, Shown(input).c_str());
        if (!intact && overrun++ == 0)
            fprintf(stderr, "%s: guard bytes overwritten: \"%s\"\n", routine, Shown(input).c_str());
    }
    void Report()
    {
        Figure(Format("%s inputs", routine).c_str(), inputs);
        Figure(Format("%s rules broken", routine).c_str(), broken, broken == 0);
        Figure(Format("%s guard bytes overwritten", routine).c_str(), overrun, overrun == 0);
    }
};

// The text in a buffer of exactly its size; the routine may not change it.
struct Text {
    Guarded buffer;
    explicit Text(const std::string& text) : buffer((int)text.size() + 1)
    {
        memcpy(buffer.data, text.c_str(), text.size() + 1);
    }
    bool Same(const std::string& text) const { return text == buffer.data && buffer.Intact(); }
};

}  // namespace

int RunTextRoutines()
{
    Random random(Options.seed ^ 0x5A5A5A5A);
    Tally quoted{"IsQuoted"}, web{"IsWebTarget"}, split{"SplitFirstToken"},
        folder{"WorkingFolderOf"}, join{"JoinPath"}, match{"MatchDotCommand"};
    for (int i = 0; i < Options.inputs; i++) {
        std::string input = RandomInput(random);
        {
            Text text(input);
            const char* rule = CheckIsQuoted(text.buffer.data, IsQuoted(text.buffer.data));
            quoted.Note(rule, text.Same(input), input);
        }
        {
            Text text(input);
            const char* rule = CheckIsWebTarget(text.buffer.data, IsWebTarget(text.buffer.data));
            web.Note(rule, text.Same(input), input);
        }
        {
            Text text(input);
            int room = (input.size() < (size_t)TOKEN_LIMIT ? (int)input.size() : TOKEN_LIMIT) + 1;
            Guarded token(room);
            const char* returned = SplitFirstToken(text.buffer.data, token.data);
            const char* rule = CheckSplitFirstToken(text.buffer.data, returned, token.data);
            split.Note(rule, text.Same(input) && token.Intact(), input);
        }
        {
            Text text(input);
            Guarded result(MAX_PATH);
            lstrcpyA(result.data, "C:\\windows");
            WorkingFolderOf(text.buffer.data, result.data, MAX_PATH);
            const char* rule = CheckWorkingFolderOf(text.buffer.data, "C:\\windows", result.data);
            folder.Note(rule, text.Same(input) && result.Intact(), input);
        }
        {
            std::string name = RandomInput(random).substr(0, 40);
            bool none = random.Below(8) == 0;
            std::string path = input.substr(0, 300);
            Guarded joined((int)path.size() + 1 + (none ? 0 : (int)name.size()) + 1);
            memcpy(joined.data, path.c_str(), path.size() + 1);
            Text nameText(name);
            JoinPath(joined.data, none ? NULL : nameText.buffer.data);
            const char* rule = CheckJoinPath(path.c_str(), none ? NULL : name.c_str(), joined.data);
            join.Note(rule, joined.Intact() && nameText.Same(name), path + "|" + name);
        }
        {
            Text text(input);
            const char* rule = CheckMatchDotCommand(text.buffer.data, MatchDotCommand(text.buffer.data));
            match.Note(rule, text.Same(input), input);
        }
    }
    {
        // The null source is part of the tokenizer's contract.
        char token[4] = "x";
        const char* returned = SplitFirstToken(NULL, token);
        split.Note(CheckSplitFirstToken(NULL, returned, token), true, "(null)");
    }
    for (Tally* t : {&quoted, &web, &split, &folder, &join, &match})
        t->Report();
    return 0;
}
