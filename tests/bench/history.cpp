// History: the module's history procedures, called through the static library, against the
// registry calls they cannot do without. Every slot "0" to "12" holds a text, as after long use.
#include "bench.h"
#include "command/command.h"
#include "plugin/state.h"

namespace {
const char Key[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";
const int SLOTS = 13;
const int WRITTEN = 12;
char slotNames[SLOTS][4];

void FillAllSlots()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, Key);
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, Key, &key);
    for (int slot = 0; slot < SLOTS; slot++) {
        std::string text = Format("C:\\Program Files\\Tools %d\\tool.exe --profile bench%d", slot, slot);
        RegSetValueExA(key, slotNames[slot], 0, REG_SZ, (const BYTE*)text.c_str(),
                       (DWORD)text.size() + 1);
    }
    int current = 0;
    RegSetValueExA(key, "Current", 0, REG_DWORD, (const BYTE*)&current, sizeof current);
    RegCloseKey(key);
}

// A new text: open or create, read every slot, read "Current", write the slot and "Current".
void FloorAddNew(const char* text)
{
    char stored[521];
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, Key, &key);
    for (int slot = 0; slot < SLOTS; slot++) {
        DWORD size = sizeof stored - 1;
        RegQueryValueExA(key, slotNames[slot], NULL, NULL, (BYTE*)stored, &size);
    }
    int current = 0;
    DWORD size = sizeof current;
    RegQueryValueExA(key, "Current", NULL, NULL, (BYTE*)&current, &size);
    if (current >= WRITTEN || current < 0)
        current = 0;
    RegSetValueExA(key, slotNames[current], 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
    current++;
    RegSetValueExA(key, "Current", 0, REG_DWORD, (const BYTE*)&current, sizeof current);
    RegCloseKey(key);
}

// A known text in the last slot: every slot is read before it is found.
void FloorAddKnown()
{
    char stored[521];
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, Key, &key);
    for (int slot = 0; slot < SLOTS; slot++) {
        DWORD size = sizeof stored - 1;
        RegQueryValueExA(key, slotNames[slot], NULL, NULL, (BYTE*)stored, &size);
    }
    RegCloseKey(key);
}

// A refill of the list must empty it first, or it grows with every drop-down.
void FloorFill(HWND combo)
{
    char stored[521];
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key);
    for (int slot = 0; slot < SLOTS; slot++) {
        DWORD size = sizeof stored - 1;
        stored[0] = '\0';
        RegQueryValueExA(key, slotNames[slot], NULL, NULL, (BYTE*)stored, &size);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)stored);
    }
    RegCloseKey(key);
}

int ListedItems(HWND combo) { return (int)SendMessageA(combo, CB_GETCOUNT, 0, 0); }
}  // namespace

void MeasureHistory()
{
    for (int slot = 0; slot < SLOTS; slot++)
        wsprintfA(slotNames[slot], "%i", slot);
    FloorStart(200, NULL);
    // The library's procedures work on its own record: give them the floor's combo box.
    State.bar = FloorBar();
    State.combo = FloorCombo();
    State.input = FloorInput();
    FillAllSlots();
    std::string known = Format("C:\\Program Files\\Tools %d\\tool.exe --profile bench%d", 12, 12);

    std::vector<double> newModule, newFloor, knownModule, knownFloor, fillModule, fillFloor;
    bool listed = true;
    for (int run = 0; run < Runs; run++) {
        for (int side = 0; side < 2; side++) {
            bool moduleSide = (side + run) % 2 == 0;
            std::string text = Format("www.example.org/history/%s%d", moduleSide ? "m" : "f", run);
            double t0 = Now();
            if (moduleSide)
                AddToHistory(text.c_str());
            else
                FloorAddNew(text.c_str());
            double t1 = Now();
            if (moduleSide)
                AddToHistory(known.c_str());
            else
                FloorAddKnown();
            double t2 = Now();
            if (moduleSide)
                FillHistoryList(State.combo);
            else
                FloorFill(State.combo);
            double t3 = Now();
            listed = listed && ListedItems(State.combo) == SLOTS;
            (moduleSide ? newModule : newFloor).push_back(t1 - t0);
            (moduleSide ? knownModule : knownFloor).push_back(t2 - t1);
            (moduleSide ? fillModule : fillFloor).push_back(t3 - t2);
        }
    }
    // The module's own work beside the registry: the locale-aware comparisons of a known text.
    std::vector<double> compares;
    for (int run = 0; run < Runs; run++) {
        double t0 = Now();
        for (int slot = 0; slot < SLOTS; slot++)
            lstrcmpiA(Format("C:\\Program Files\\Tools %d\\tool.exe --profile bench%d", slot, slot).c_str(),
                      known.c_str());
        compares.push_back(Now() - t0);
    }
    AddNote("History: 13 lstrcmpiA of stored texts against the new one (with building the texts) " +
            Ms(Median(compares)));
    State.bar = State.combo = State.input = NULL;
    FloorStop();
    RegDeleteKeyA(HKEY_CURRENT_USER, Key);

    AddTimedRow("AddToHistory: new text", newModule, newFloor);
    AddTimedRow("AddToHistory: known text (last slot)", knownModule, knownFloor);
    if (listed)
        AddTimedRow("FillHistoryList: 13 full slots", fillModule, fillFloor);
    else
        AddMissingRow("FillHistoryList: 13 full slots", "the list did not hold 13 texts");
}
