// Observing programs the module starts: the recorder copied where a test needs it, its log,
// the history values, and associations in the throwaway prefix's registry put back afterwards.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Points ORVEL_RECORDER_LOG of this process (and so of every program it starts) at path and
// removes an old log.
void UseRecorderLog(const std::string& path);
// The lines the recorder wrote, each "command line<TAB>current folder", waiting up to timeoutMs
// for at least `count` of them.
std::vector<std::string> RecordedLaunches(const std::string& log, size_t count, DWORD timeoutMs = 10000);
// Removes the log once the recorder that wrote it has let go of it.
void ForgetLaunches(const std::string& log);
std::string ReadFileText(const std::string& path);
// Its lines, without their line ends.
std::vector<std::string> FileLines(const std::string& path);
// Copies the recorder to path, creating missing folders below `base`.
bool CopyRecorder(const std::string& path, const std::string& base);

// A history value under the module's key; "" when absent. HistoryValueExists tells them apart.
std::string HistoryValue(const char* name);
bool HistoryValueExists(const char* name);

// Sets the default value of HKEY_CLASSES_ROOT\subKey; RestoreClasses puts back what was there.
void SetClassesValue(const std::string& subKey, const std::string& value);
void RestoreClasses();
