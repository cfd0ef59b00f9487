// Animation: a collapse (WM_CLOSE) and an expand (WM_LBUTTONDBLCLK) of a 400-pixel bar, against
// the same steps on the floor bar, once bare and once with the one configuration save per size
// change that the module's settings call for. The module's configuration writes are counted.
#include "bench.h"

namespace {
struct Writes {
    int setInt = -1;
    int closeWrite = -1;
    std::vector<double> saveTimes;
};

double Timed(HWND bar, UINT message, LPARAM lParam, Writes* writes)
{
    ZeroMemory(&Counts, sizeof Counts);
    double begin = Now();
    SendMessageA(bar, message, 0, lParam);
    double end = Now();
    writes->setInt = Counts.setInt;
    writes->closeWrite = Counts.closeWrite;
    writes->saveTimes.push_back(Counts.saveTime);
    return end - begin;
}

int Width(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}
}  // namespace

void MeasureAnimation()
{
    ResetConfig();
    StartModule();
    FloorStart(200, NULL);
    PumpMessages(50);
    HWND bar = ModuleBar();
    const char* collapseFigure = "Collapse 400 px (WM_CLOSE)";
    const char* expandFigure = "Expand to 400 px (WM_LBUTTONDBLCLK)";
    if (!bar || Width(bar) != 400) {
        AddMissingRow(collapseFigure, "no 400-pixel bar");
        AddMissingRow(expandFigure, "no 400-pixel bar");
        FloorStop();
        StopModule();
        return;
    }

    std::vector<double> collapse, expand, bareCollapse, bareExpand, savingCollapse, savingExpand;
    std::vector<double> floorCollapseSaves, floorExpandSaves;
    Writes collapseWrites, expandWrites;
    bool widthsRight = true;
    for (int run = 0; run < Runs; run++) {
        for (int side = 0; side < 3; side++) {
            switch ((side + run) % 3) {
            case 0:
                collapse.push_back(Timed(bar, WM_CLOSE, 0, &collapseWrites));
                widthsRight = widthsRight && Width(bar) == 24;
                PumpMessages(0);
                expand.push_back(Timed(bar, WM_LBUTTONDBLCLK, MAKELPARAM(5, 5), &expandWrites));
                widthsRight = widthsRight && Width(bar) == 400;
                break;
            case 1: {
                double t0 = Now();
                FloorCollapse(false);
                double t1 = Now();
                PumpMessages(0);
                double t2 = Now();
                FloorExpand(false);
                double t3 = Now();
                bareCollapse.push_back(t1 - t0);
                bareExpand.push_back(t3 - t2);
                break;
            }
            case 2: {
                FloorSaveTime();
                double t0 = Now();
                FloorCollapse(true);
                double t1 = Now();
                floorCollapseSaves.push_back(FloorSaveTime());
                PumpMessages(0);
                double t2 = Now();
                FloorExpand(true);
                double t3 = Now();
                floorExpandSaves.push_back(FloorSaveTime());
                savingCollapse.push_back(t1 - t0);
                savingExpand.push_back(t3 - t2);
                break;
            }
            }
            PumpMessages(0);
        }
    }
    // Saves alone, away from any animation.
    std::vector<double> lone;
    for (int run = 0; run < Runs * 3; run++) {
        double t0 = Now();
        FloorSave();
        lone.push_back(Now() - t0);
    }
    FloorStop();
    StopModule();
    ResetConfig();

    if (!widthsRight) {
        AddMissingRow(collapseFigure, "the bar did not reach 24 and 400 pixels");
        AddMissingRow(expandFigure, "the bar did not reach 24 and 400 pixels");
        return;
    }
    AddTimedRow(collapseFigure, collapse, bareCollapse);
    AddTimedRow("Collapse, floor with one save per size change", collapse, savingCollapse);
    AddTimedRow(expandFigure, expand, bareExpand);
    AddTimedRow("Expand, floor with one save per size change", expand, savingExpand);
    AddRow({"Configuration writes per collapse / expand",
            Format("SetCFGInt %d / %d, CloseCFGw %d / %d", collapseWrites.setInt,
                   expandWrites.setInt, collapseWrites.closeWrite, expandWrites.closeWrite),
            "0", "", "", ""});
    AddNote(Format("Animation, collapse: module %s, of which its %d saves %s; floor with saves %s, "
                   "of which saves %s; bare floor %s",
                   Ms(Median(collapse)).c_str(), collapseWrites.closeWrite,
                   Ms(Median(collapseWrites.saveTimes)).c_str(), Ms(Median(savingCollapse)).c_str(),
                   Ms(Median(floorCollapseSaves)).c_str(), Ms(Median(bareCollapse)).c_str()));
    AddNote(Format("Animation, expand: module %s, of which its %d saves %s; floor with saves %s, "
                   "of which saves %s; bare floor %s",
                   Ms(Median(expand)).c_str(), expandWrites.closeWrite,
                   Ms(Median(expandWrites.saveTimes)).c_str(), Ms(Median(savingExpand)).c_str(),
                   Ms(Median(floorExpandSaves)).c_str(), Ms(Median(bareExpand)).c_str()));
    AddNote("Animation: one floor save alone, away from the animation, " + Ms(Median(lone)));
}
