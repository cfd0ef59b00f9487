// What the module costs its host, measured against a floor: the same platform calls made
// directly, with no module around them. Shared pieces of the benchmark program.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "host/records.h"
// BinFolder, PumpMessages and Format are the tests' own.
#include "harness/format.h"
#include "harness/testhost.h"

// Microseconds from the performance counter.
double Now();
double Median(std::vector<double> values);

// One row of the printed table. A row whose measurement could not be made is kept, marked
// "missing", so that a broken run is seen and the program ends with a failure.
struct Row {
    std::string figure;
    std::string module;
    std::string floor;
    std::string ratio;
    std::string target;
    std::string verdict;
};
void AddRow(const Row& row);
void AddTimedRow(const char* figure, const std::vector<double>& module,
                 const std::vector<double>& floor);
void AddMissingRow(const char* figure, const char* why);
// Sub-timings printed under the table: where the time of a figure goes.
void AddNote(const std::string& line);
std::string Ms(double microseconds);

extern int Runs;
std::string BenchFolder();   // bin\benchdata\, made at start

// The host around the real module: a main window answering the private messages, the host's
// records, a lent memory DC, a configuration file, and an observer of the helper library.
struct ConfigCounts {
    int setInt;
    int closeWrite;
    double saveTime;   // spent from OpenCFGw to the end of CloseCFGw
};
// First moment of each observed step inside one InitGlobalModule, 0 when it did not happen.
struct StartTimeline {
    double openRead, closeRead, askTopmost, openWrite, closeWrite, autoComplete;
};
extern ConfigCounts Counts;
extern StartTimeline Timeline;
bool LoadModule();
HMODULE ModuleHandle();
void StartModule();
void StopModule();
HWND ModuleBar();
HWND ModuleInput();
void ResetConfig();

// The floor bar: the same window, combo box and calls as the module's bar, and nothing else.
struct FloorStartTimes {
    double registerClass, createWindows, prepareInput, size, appBar, show;
};
void FloorStart(int top, FloorStartTimes* times);
void FloorStop();
HWND FloorBar();
HWND FloorCombo();
HWND FloorInput();
// What Return at the floor's input line does: nothing unless set.
void SetFloorReturnAction(void (*action)());
double FloorSaveTime();
void FloorSave();         // one save, as at a size change   // spent in the floor's saves since the last call
// The animation's own steps on the floor bar, optionally with one configuration save per size
// change as the module's settings require.
void FloorCollapse(bool savePerStep);
void FloorExpand(bool savePerStep);

void MeasureFootprint();
void MeasureStart();
void MeasureLaunch();
void MeasureHistory();
void MeasureAnimation();
