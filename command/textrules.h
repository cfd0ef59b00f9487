// Pure text routines: no window handling, so that they can be tested and fuzzed on their own.
#pragma once

bool IsWebTarget(const char* text);
bool IsQuoted(const char* text);
char* AppendBackslash(char* path);
void JoinPath(char* path, const char* name);

const int TOKEN_LIMIT = 4096;
const char* SplitFirstToken(const char* source, char* destination);
// The folder a shell request runs in: folder keeps what the caller put there when the path
// names none. folder holds MAX_PATH characters.
void WorkingFolderOf(const char* path, char* folder);

int MinInt(int a, int b);

const int DOT_COMMAND_COUNT = 23;
extern const char* const DotCommandTable[DOT_COMMAND_COUNT + 1];  // [0] unused: 0 is no match
extern const char CommandListText[];
int MatchDotCommand(const char* text);
