// Kept apart: it calls the host program's code, which only the host program's tests link.
#include "hostrun.h"
#include "testhost.h"
#include "hostapp/hostapp.h"

bool ActAsHostProgram(char* problem, int size)
{
    if (!LoadKelvor(BinFolder().c_str(), problem, size))
        return false;
    App.instance = GetModuleHandleA(NULL);
    App.window = Host.mainWindow;
    App.info = Host.GetPluginInfo();
    lstrcpynA(App.configPath, Host.configPath, MAX_PATH);
    return true;
}
