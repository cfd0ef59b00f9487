// The stress program's shared pieces: figures, the fixed-seed generator, guarded buffers,
// counts of the process's objects, and the folders whose only programs are recorder copies.
#pragma once
#include <windows.h>
#include <string>
#include "harness/format.h"

struct StressOptions {
    int cycles = 1000;         // lifecycle cycles
    int messages = 100000;     // messages of the storm
    int inputs = 1000000;      // random inputs per text routine
    unsigned seed = 20261208;
    int part = 0;              // 0: every part
};
extern StressOptions Options;

// One "name: value" line; an off figure makes the program exit non-zero.
void Figure(const char* name, const std::string& value, bool ok = true);
void Figure(const char* name, long long value, bool ok = true);

// xorshift32: the same seed gives the same run.
struct Random {
    unsigned state;
    explicit Random(unsigned seed) : state(seed ? seed : 1) {}
    unsigned Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int Below(int n) { return n > 0 ? (int)(Next() % (unsigned)n) : 0; }
    bool Chance(int perThousand) { return Below(1000) < perThousand; }
};

// A buffer between two guard areas; Intact() tells whether anything wrote past either end.
struct Guarded {
    BYTE* block;
    int size;
    char* data;
    explicit Guarded(int size);
    ~Guarded();
    bool Intact() const;
};

struct ObjectCounts {
    long long user;     // windows of this process and menus
    long long gdi;
    long long kernel;
};
ObjectCounts CountObjects();
// How the counts were taken (Wine reports neither GUI resources nor the handle count).
std::string CountMethod();

// Programs: recorder copies only. The cage is also the current folder during the storm.
struct Cage {
    std::string folder;        // with a backslash
    std::string log;           // what the copies record, one launch a line
};
extern Cage Programs;
void PrepareCage();
int LaunchesRecorded();
bool WaitForRecorded(const std::string& needle, DWORD timeoutMs);
// Registers recorder.exe as the ".htm" program and undoes it at the end.
bool RegisterRecorderBrowser();
void RestoreBrowser();
// Processes started since the baseline that are not recorder copies.
void TakeProcessBaseline();
std::string ForeignProcesses();

// A thread timer that closes any dialog or menu of this thread, and counts them.
void ArmModalGuard();
int ModalWindowsClosed();

int RunLifecycle();
int RunStorm();
int RunHostileRegistry();
int RunHostileHost();
int RunTextRoutines();
