// The benchmark program: runs every measurement and prints one table with the date and the
// machine it ran on.   bench.exe [--runs N]   (N runs per timed figure, default 50)
#include "bench.h"
#include <algorithm>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

int Runs = 50;
const double TARGET_RATIO = 1.3;

namespace {
std::vector<Row> rows;
std::vector<std::string> notes;
LARGE_INTEGER frequency;

std::string RegistryText(HKEY root, const char* path, const char* name)
{
    char text[256] = "";
    DWORD size = sizeof text - 1;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &size);
        RegCloseKey(key);
    }
    std::string value = text;
    size_t start = value.find_first_not_of(' ');
    return start == std::string::npos ? "" : value.substr(start);
}

std::string Machine()
{
    std::string cpu = RegistryText(HKEY_LOCAL_MACHINE,
                                   "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                   "ProcessorNameString");
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD length = sizeof computer;
    GetComputerNameA(computer, &length);
    // Wine tells its version through ntdll; on Windows the entry is absent.
    typedef const char*(__cdecl * WineVersionProc)();
    WineVersionProc wineVersion =
        (WineVersionProc)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    std::string platform = wineVersion ? std::string("Wine ") + wineVersion() : "Windows";
    MEMORYSTATUSEX memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    return Format("%s, %s, %lu logical processors, %.0f GiB, %s", computer,
                  cpu.empty() ? "unknown processor" : cpu.c_str(), system.dwNumberOfProcessors,
                  memory.ullTotalPhys / 1073741824.0, platform.c_str());
}

void PrintTable()
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    printf("OrvelCmd benchmark, %s module, %04u-%02u-%02u %02u:%02u, %d runs per timed figure\n",
           sizeof(void*) == 8 ? "64-bit" : "32-bit", time.wYear, time.wMonth, time.wDay,
           time.wHour, time.wMinute, Runs);
    printf("Machine: %s\n\n", Machine().c_str());
    printf("| Figure | Module | Floor | Ratio | Target | |\n");
    printf("|---|---|---|---|---|---|\n");
    for (const Row& r : rows)
        printf("| %s | %s | %s | %s | %s | %s |\n", r.figure.c_str(), r.module.c_str(),
               r.floor.c_str(), r.ratio.c_str(), r.target.c_str(), r.verdict.c_str());
    if (!notes.empty()) {
        printf("\nWhere the time goes (medians):\n");
        for (const std::string& n : notes)
            printf("- %s\n", n.c_str());
    }
    fflush(stdout);
}
}  // namespace

double Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1e6 / frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Ms(double microseconds) { return Format("%.3f ms", microseconds / 1000); }

void AddRow(const Row& row) { rows.push_back(row); }

void AddTimedRow(const char* figure, const std::vector<double>& module,
                 const std::vector<double>& floor)
{
    if (module.empty() || floor.empty()) {
        AddMissingRow(figure, "no complete run");
        return;
    }
    double m = Median(module);
    double f = Median(floor);
    double ratio = f > 0 ? m / f : 0;
    AddRow({figure, Ms(m), Ms(f), Format("%.2f", ratio), Format("<= %.2f", TARGET_RATIO),
            ratio <= TARGET_RATIO ? "met" : "MISSED"});
}

void AddMissingRow(const char* figure, const char* why)
{
    AddRow({figure, "missing", "", "", "", why});
}

void AddNote(const std::string& line) { notes.push_back(line); }

std::string BenchFolder()
{
    std::string folder = BinFolder() + "benchdata\\";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--runs") && i + 1 < argc && atoi(argv[i + 1]) > 0) {
            Runs = atoi(argv[++i]);
        } else {
            fprintf(stderr, "usage: bench [--runs N]\n");
            return 2;
        }
    }
    QueryPerformanceFrequency(&frequency);
    if (!LoadModule()) {
        fprintf(stderr, "bench: OrvelCmd.plg did not load from %s\n", BinFolder().c_str());
        return 1;
    }
    MeasureFootprint();
    MeasureStart();
    MeasureLaunch();
    MeasureHistory();
    MeasureAnimation();
    PrintTable();

    for (const Row& r : rows)
        if (r.module == "missing") {
            fprintf(stderr, "bench: %s could not be measured\n", r.figure.c_str());
            return 1;
        }
    return 0;
}
