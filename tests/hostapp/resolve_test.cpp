// What each request of the bar comes to in the host program on the Windows versions whose places
// differ, resolved in the test's own process: which program, folder or page, with which fallback.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "harness/hostrun.h"
#include "hostapp/hostapp.h"

namespace {

std::string SystemProgram(const char* name)
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

std::string FolderPath(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && Lower(text.substr(text.size() - end.size())) == Lower(end);
}

}  // namespace

TEST(ResolveRequest, EachRequestOnTheWindowsVersionsWhosePlacesDiffer)
{
    const std::string control = SystemProgram("control.exe");
    const char* const wallpaperPage = "/name Microsoft.Personalization /page pageWallpaper";
    // A shell folder opens by its item ID list, which the log names by its parsing name.
    struct Case {
        UINT message; DWORD action; DWORD major; PlanKind what;
        const char* verb; std::string file, parameters, fallback, fallbackParameters;
    };
    const UINT COMMAND = HOSTMSG_COMMAND;
    const Case cases[] = {
        {COMMAND, HOSTACTION_RECYCLE, 10, PLAN_TARGET, NULL, "::{645FF040-5081-101B-9F08-00AA002F954E}"},
        {COMMAND, HOSTACTION_MYCOMPUTER, 5, PLAN_TARGET, NULL, "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"},
        {COMMAND, HOSTACTION_PRINTERS, 6, PLAN_TARGET, NULL, "::{2227A280-3AEA-1069-A2DE-08002B30309D}"},
        {COMMAND, HOSTACTION_RECENT, 10, PLAN_TARGET, NULL, FolderPath(CSIDL_RECENT)},
        {COMMAND, HOSTACTION_CPANEL, 10, PLAN_TARGET, NULL, control},
        {COMMAND, HOSTACTION_FIND, 5, PLAN_TARGET, "find", FolderPath(CSIDL_PROFILE)},
        {COMMAND, HOSTACTION_SCREEN, 10, PLAN_TARGET, NULL, "ms-settings:display", "", control, "desk.cpl"},
        {COMMAND, HOSTACTION_SCREEN, 6, PLAN_TARGET, NULL, control, "desk.cpl"},
        {HOSTMSG_WALLPAPERS, 0, 10, PLAN_TARGET, NULL, "ms-settings:personalization-background", "",
         control, wallpaperPage},
        {HOSTMSG_WALLPAPERS, 0, 6, PLAN_TARGET, NULL, control, wallpaperPage},
        {HOSTMSG_WALLPAPERS, 0, 5, PLAN_TARGET, NULL, control, "desk.cpl,,0"},
        {HOSTMSG_SETUPCLOCK, 0, 11, PLAN_TARGET, NULL, "ms-settings:dateandtime", "", control, "timedate.cpl"},
        {HOSTMSG_SETUPCLOCK, 0, 5, PLAN_TARGET, NULL, control, "timedate.cpl"},
        {COMMAND, HOSTACTION_ABOUT, 10, PLAN_ABOUT_BOX},
        {COMMAND, HOSTACTION_MASTER, 10, PLAN_OPTIONS},
        {HOSTMSG_PROPERTIES, 0, 10, PLAN_OPTIONS},
        {COMMAND, HOSTACTION_SHUTDOWN, 10, PLAN_SHUT_DOWN},
        {COMMAND, HOSTACTION_LOGOFF, 5, PLAN_LOG_OFF},
        {COMMAND, HOSTACTION_DESKTOP, 10, PLAN_SHOW_DESKTOP},
        {COMMAND, HOSTACTION_CLEARRECENT, 10, PLAN_CLEAR_RECENT},
        {COMMAND, 99, 10, PLAN_IGNORED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "request 0x" << std::hex << c.message << std::dec
                                        << " action " << c.action << ", Windows " << c.major);
        ActionPlan plan;
        ResolveRequest(c.message, c.action, c.major, &plan);
        EXPECT_EQ(plan.what, c.what);
        EXPECT_STREQ(plan.target.verb, c.verb);
        EXPECT_TRUE(EndsWith(plan.target.file, c.file)) << plan.target.file;
        EXPECT_EQ(plan.target.parameters, c.parameters);
        EXPECT_EQ(plan.target.idList != NULL, c.file.compare(0, 2, "::") == 0 ||
                                                  c.file == FolderPath(CSIDL_RECENT));
        EXPECT_EQ(plan.hasFallback, !c.fallback.empty());
        EXPECT_EQ(plan.fallback.file, c.fallback);
        EXPECT_EQ(plan.fallback.parameters, c.fallbackParameters);
        FreePlan(&plan);
    }
}
