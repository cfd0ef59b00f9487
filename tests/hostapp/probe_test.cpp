// What the host program hands a plug-in at its start, seen by a probe plug-in in the bar's place.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <map>
#include "harness/hostrun.h"
#include "harness/launch.h"
#include "harness/testhost.h"

namespace {

std::map<std::string, std::string> ReadReport(const std::string& path)
{
    std::map<std::string, std::string> values;
    for (const std::string& line : FileLines(path)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

class HostProbe : public ::testing::Test {
protected:
    HostRun host = {};
    void TearDown() override { EndProgram(&host.program); }
};

// Started from the program's own folder, as a shortcut would; the host moves to the user's.
TEST_F(HostProbe, PluginStartsOnAnApartmentThreadWithTheHostsRecords)
{
    std::string folder = HostFolder("probe");
    ASSERT_TRUE(CopyFileA((BinFolder() + "probe\\OrvelCmd.plg").c_str(),
                          (folder + "OrvelCmd.plg").c_str(), FALSE));
    std::string report = folder + "report.txt";
    SetEnvironmentVariableA("ORVEL_PROBE_REPORT", report.c_str());
    ASSERT_TRUE(StartHost(&host, folder, "--dry-run", folder));
    std::map<std::string, std::string> values;
    ASSERT_TRUE(WaitUntil([&] {
        values = ReadReport(report);
        return values.count("current") != 0;
    }, 20000)) << "the probe wrote no report";

    EXPECT_EQ(values["com"], "0x00000001") << "S_FALSE: COM initialised apartment-threaded";
    EXPECT_EQ(values["size"], "112");
    EXPECT_EQ(Lower(values["folder"]), Lower(folder));
    EXPECT_EQ(Lower(values["configuration"]), Lower(folder + "OrvelCmd.ini"));
    EXPECT_EQ(values["text"], "OrvelCmd.plg");
    EXPECT_EQ(values["windowProcess"], std::to_string(host.program.id));
    EXPECT_EQ(values["windowClass"], "OrvelCmdHost");
    EXPECT_EQ(values["memoryDC"], "yes");
    EXPECT_EQ(values["codePage"], "65001") << "the manifest makes UTF-8 the process's code page";
    char profile[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PROFILE, NULL, SHGFP_TYPE_CURRENT, profile);
    EXPECT_EQ(Lower(values["current"]), Lower(profile));

    // The manifest is honoured: the common controls come from the side-by-side assembly of
    // version 6 (Wine's report their version as 5.81 all the same), and start.
    std::string controls = WaitForLogLine(host, "common controls ");
    const char assembly[] = "\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.";
    EXPECT_NE(Lower(controls).find(assembly), std::string::npos) << controls;
    EXPECT_EQ(controls.find("failed"), std::string::npos) << controls;
    // The probe asked for an action code no host knows: logged and left alone.
    EXPECT_NE(WaitForLogLine(host, "action 99 unknown: ignored"), "");
    EXPECT_EQ(WaitForProcessWindow(host.program.id, "#32770", 0), nullptr);
    SetEnvironmentVariableA("ORVEL_PROBE_REPORT", NULL);
}

}  // namespace
