// What the host is told about the plug-in: its name, about text and options table.
#include "state.h"
#include "settingtable.h"
#include "../host/kelvor.h"
#include "../res/version.h"

const char PluginName[] = "Abrivel";
const char BarClassName[] = "Abrivel";
const char BarTitle[] = "OrvelCmd";

const char AboutText[] =
    "Abrivel " ORVEL_VERSION_TEXT "\r\n"
    "Type \".help\" for command list\r\n"
    "----------------------------------\r\n"
    "(c) Brandelmor. All rights reserved.";

namespace {

// Caption and key are the same text: one pointer in both fields. Field by field, so that whatever
// else the host's layout holds stays zero.
struct OptionRows {
    OptionDescriptor rows[SETTING_COUNT];
};

constexpr OptionRows DescribeSettings()
{
    OptionRows options = {};
    for (int i = 0; i < SETTING_COUNT; i++) {
        const SettingRow& s = SettingsTable[i];
        OptionDescriptor& option = options.rows[i];
        option.caption = s.key;
        option.kind = s.kind;
        option.key = s.key;
        option.defaultValue = s.shownDefault;
        option.minimum = s.minimum;
        option.maximum = s.maximum;
    }
    return options;
}

// Constant data of the module: the host may keep the pointer as long as the module is loaded.
constexpr OptionRows OptionTable = DescribeSettings();

static_assert(SETTING_transparency == SETTING_COUNT - 1, "without layered windows the last row goes");

}  // namespace

extern "C" PluginInfo* __stdcall GetPluginInfo()
{
    State.info.size = sizeof(PluginInfo);
    State.info.name = PluginName;
    State.info.about = AboutText;
    State.info.name2 = PluginName;
    State.info.optionCount = SETTING_COUNT;
    State.info.options = OptionTable.rows;
    if (LayeredStyle(0, 1) == 0)
        State.info.optionCount = SETTING_COUNT - 1;
    return &State.info;
}
