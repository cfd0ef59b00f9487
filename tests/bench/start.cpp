// Start: from InitGlobalModule to a shown bar, against the same windows made directly.
// The tear-down between runs (DoneModule, or destroying the floor's windows) is not timed.
#include "bench.h"

namespace {
struct ModuleStartParts {
    std::vector<double> classAndImages, loadSettings, askTopmost, createWindows, saveSettings,
        appBar, autoCompleteAndShow;
};

void Split(double begin, double end, ModuleStartParts* parts)
{
    const StartTimeline& t = Timeline;
    if (!t.openRead || !t.closeRead || !t.askTopmost || !t.openWrite || !t.closeWrite)
        return;
    double autoComplete = t.autoComplete ? t.autoComplete : end;
    parts->classAndImages.push_back(t.openRead - begin);
    parts->loadSettings.push_back(t.closeRead - t.openRead);
    parts->askTopmost.push_back(t.askTopmost - t.closeRead);
    parts->createWindows.push_back(t.openWrite - t.askTopmost);
    parts->saveSettings.push_back(t.closeWrite - t.openWrite);
    parts->appBar.push_back(autoComplete - t.closeWrite);
    parts->autoCompleteAndShow.push_back(end - autoComplete);
}

std::string Part(const char* name, const std::vector<double>& values)
{
    return Format("%s %s", name, Ms(Median(values)).c_str());
}
}  // namespace

void MeasureStart()
{
    std::vector<double> module, floor;
    ModuleStartParts parts;
    std::vector<FloorStartTimes> floorParts;
    for (int run = 0; run < Runs; run++) {
        // Alternating which side goes first keeps the order out of the ratio.
        for (int side = 0; side < 2; side++) {
            if ((side + run) % 2 == 0) {
                double begin = Now();
                StartModule();
                double end = Now();
                if (IsWindowVisible(ModuleBar())) {
                    module.push_back(end - begin);
                    Split(begin, end, &parts);
                }
                PumpMessages(0);
                StopModule();
            } else {
                FloorStartTimes times;
                double begin = Now();
                FloorStart(200, &times);
                double end = Now();
                if (IsWindowVisible(FloorBar())) {
                    floor.push_back(end - begin);
                    floorParts.push_back(times);
                }
                PumpMessages(0);
                FloorStop();
            }
            PumpMessages(0);
        }
    }
    // The module's resource loads on their own, as its start makes them.
    std::vector<double> icon, images;
    for (int run = 0; run < Runs; run++) {
        double t0 = Now();
        LoadImageA(ModuleHandle(), MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, LR_SHARED);
        double t1 = Now();
        HBITMAP loaded[3];
        for (int i = 0; i < 3; i++)
            loaded[i] = (HBITMAP)LoadImageA(ModuleHandle(), MAKEINTRESOURCEA(100 + i), IMAGE_BITMAP,
                                            0, 0, 0);
        double t2 = Now();
        for (HBITMAP b : loaded)
            DeleteObject(b);
        icon.push_back(t1 - t0);
        images.push_back(t2 - t1);
    }
    AddTimedRow("Start: InitGlobalModule to a shown bar", module, floor);
    if (module.empty() || floor.empty())
        return;

    AddNote("Start, module: " + Part("class and 3 images", parts.classAndImages) + "; " +
            Part("LoadSettings", parts.loadSettings) + "; " +
            Part("layered style and 0x7FBE", parts.askTopmost) + "; " +
            Part("bar, combo box, subclass, font, limit", parts.createWindows) + "; " +
            Part("SaveSettings in WM_SIZE", parts.saveSettings) + "; " +
            Part("rest of sizing and ABM_NEW", parts.appBar) + "; " +
            Part("auto-completion and show", parts.autoCompleteAndShow) + " (alone: " +
            Part("class icon", icon) + ", " + Part("3 button images", images) + ")");
    std::vector<double> c, w, p, s, a, sh;
    for (const FloorStartTimes& t : floorParts) {
        c.push_back(t.registerClass);
        w.push_back(t.createWindows);
        p.push_back(t.prepareInput);
        s.push_back(t.size);
        a.push_back(t.appBar);
        sh.push_back(t.show);
    }
    AddNote("Start, floor: " + Part("class", c) + "; " + Part("bar and combo box", w) + "; " +
            Part("subclass, font, limit", p) + "; " + Part("SetWindowPos", s) + "; " +
            Part("ABM_NEW", a) + "; " + Part("show", sh));
}
