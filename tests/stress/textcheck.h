// The rules the pure text routines keep, checked on one input at a time. Each check gets what
// the routine was given and what it gave back, and answers null or the rule that broke. The
// callers own the buffers (guarded under Wine, exactly sized under the sanitizer).
#pragma once

const char* CheckIsQuoted(const char* text, bool answer);
const char* CheckIsWebTarget(const char* text, bool answer);
// returned and token as SplitFirstToken left them for source.
const char* CheckSplitFirstToken(const char* source, const char* returned, const char* token);
// folder held before (the text that stays when the path names no folder) and after the call.
const char* CheckWorkingFolderOf(const char* path, const char* before, const char* after);
const char* CheckJoinPath(const char* path, const char* name, const char* joined);
const char* CheckMatchDotCommand(const char* text, int number);
