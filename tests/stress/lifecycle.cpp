// Start and stop the module many times with the library kept loaded, then reload it a few
// times: nothing the module makes may be left behind.
#include "stress.h"
#include "harness/testhost.h"

static bool OneCycle()
{
    PluginInfo* info = Host.GetPluginInfo();
    bool ok = info && info->size == (int)sizeof(PluginInfo);
    Host.InitGlobalModule(&Host.context);
    ok = ok && BarWindow() != NULL;
    PumpMessages(0);
    Host.DoneModule();
    WNDCLASSA windowClass;
    ok = ok && BarWindow() == NULL && !GetClassInfoA(Host.module, "Abrivel", &windowClass);
    return ok;
}

static void FigureGrowth(const char* what, const ObjectCounts& first, const ObjectCounts& last)
{
    Figure(Format("%s user object growth", what).c_str(), last.user - first.user,
           last.user == first.user);
    Figure(Format("%s GDI object growth", what).c_str(), last.gdi - first.gdi, last.gdi == first.gdi);
    Figure(Format("%s kernel handle growth", what).c_str(), last.kernel - first.kernel,
           last.kernel == first.kernel);
}

int RunLifecycle()
{
    CreateTestHost();
    LoadPlugin();
    Host.recordMask = 0;
    int failed = 0;
    // The first cycle loads what the platform keeps for the process (classes, shlwapi).
    failed += !OneCycle();
    ObjectCounts first = CountObjects();
    for (int i = 1; i < Options.cycles; i++)
        failed += !OneCycle();
    ObjectCounts last = CountObjects();
    Figure("lifecycle cycles", Options.cycles);
    Figure("lifecycle cycles that left a bar or class", failed, failed == 0);
    Figure("object counts", CountMethod());
    Figure("lifecycle counts after cycle 1 (user, GDI, kernel)",
           Format("%lld, %lld, %lld", first.user, first.gdi, first.kernel));
    FigureGrowth("lifecycle", first, last);

    // Wine's comdlg32 keeps one handle each time it is loaded and freed, which it is with the
    // module unless something else holds it: held here, the figure is the module's own.
    HMODULE dialogs = LoadLibraryA("comdlg32.dll");
    const int reloads = 10;
    int reloadFailed = 0;
    ObjectCounts afterFirstReload = {};
    for (int i = 0; i < reloads; i++) {
        FreeLibrary(Host.module);
        Host.module = NULL;
        LoadPlugin();
        if (!Host.module)
            break;
        reloadFailed += !OneCycle();
        if (i == 0)
            afterFirstReload = CountObjects();
    }
    ObjectCounts afterReloads = CountObjects();
    Figure("library reloads", reloads);
    Figure("library reloads that failed", reloadFailed, reloadFailed == 0 && Host.module);
    FigureGrowth("reload (comdlg32 held)", afterFirstReload, afterReloads);
    FreeLibrary(dialogs);
    Host.started = false;
    StopPlugin();
    DestroyTestHost();
    return 0;
}
