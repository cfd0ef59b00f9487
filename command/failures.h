// What the input line shows when the shell could not run a line: one row a kind of failure.
// Every text is a dot command, so that Enter on it (".Error") brings the typed text back, and
// none is longer than the line holds.
#pragma once
#include <windows.h>
#include "textrules.h"

struct ShellFailure {
    DWORD error;        // the last error the shell left
    const char* text;   // none where the user refused: the line keeps the typed text
};

inline constexpr const char* NotFoundText = ".Error: not found";
inline constexpr const char* CouldNotRunText = ".Error: could not be run";   // no row names it
inline constexpr const char* WrongProgramText = ".Error: damaged or not for this Windows";

// A name no file may hold (a quote inside, as in a quoted program followed by its parameters,
// or a '|') is not found either: the shell answers ERROR_INVALID_NAME for it.
inline constexpr ShellFailure ShellFailures[] = {
    {ERROR_FILE_NOT_FOUND, NotFoundText},
    {ERROR_PATH_NOT_FOUND, NotFoundText},
    {ERROR_INVALID_NAME, NotFoundText},
    {ERROR_NO_ASSOCIATION, ".Error: no program opens this type"},
    {ERROR_ACCESS_DENIED, ".Error: access denied"},
    {ERROR_BAD_EXE_FORMAT, WrongProgramText},
    {ERROR_EXE_MACHINE_TYPE_MISMATCH, WrongProgramText},
    {ERROR_DLL_NOT_FOUND, ".Error: a part of it is missing"},
    {ERROR_DDE_FAIL, ".Error: the program did not answer"},
    {ERROR_SHARING_VIOLATION, ".Error: in use by another program"},
    {ERROR_NOT_ENOUGH_MEMORY, ".Error: not enough memory"},
    {ERROR_CANCELLED, nullptr},
};

// The text for a failure with the last error `error`; none for a refusal. One copy of the search
// for the whole shell road.
__attribute__((noinline)) constexpr const char* FailureText(DWORD error)
{
    for (const ShellFailure& failure : ShellFailures)
        if (failure.error == error)
            return failure.text;
    return CouldNotRunText;
}

constexpr bool IsNotFound(DWORD error) { return FailureText(error) == NotFoundText; }

// Enter on the text runs ".Error", and the line shows it whole.
constexpr bool FitsAsErrorCommand(const char* text)
{
    const char command[] = ".Error";
    for (int i = 0; command[i]; i++)
        if (text[i] != command[i])
            return false;
    int length = 0;
    while (text[length])
        length++;
    return length <= LINE_CHARACTERS;
}

constexpr bool AllFailureTextsFit()
{
    for (const ShellFailure& failure : ShellFailures)
        if (failure.text && !FitsAsErrorCommand(failure.text))
            return false;
    return FitsAsErrorCommand(CouldNotRunText);
}
static_assert(AllFailureTextsFit(), "a failure text the line cannot show, or that is no .Error");
