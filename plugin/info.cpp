// What the host is told about the plug-in: its name, about text and options table.
#include "state.h"
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

// Caption and key are the same text; the kind codes are the host's to interpret.
// Each integer fills its slot of the host's layout.
#define OPTION(name, kind, defaultValue, minimum, maximum) \
    {name, HOST_INT(kind), name, HOST_INT(defaultValue), HOST_INT(minimum), HOST_INT(maximum)}
const OptionDescriptor OptionTable[7] = {
    OPTION("Snap",         0x103, 6,   0,  20),
    OPTION("Minimize",     0x101, 0,   0,  0),
    OPTION("Width",        0x003, 400, 50, 2000),
    OPTION("XPos",         0x002, 0,   0,  0),
    OPTION("YPos",         0x002, 0,   0,  0),
    OPTION("AutoComplete", 0x101, 1,   0,  0),
    OPTION("Transparency", 0x10B, 0,   0,  70),  // last, so a count of 6 hides it
};

extern "C" PluginInfo* __stdcall GetPluginInfo()
{
    State.info.size = sizeof(PluginInfo);
    State.info.name = PluginName;
    State.info.about = AboutText;
    State.info.name2 = PluginName;
    State.info.optionCount = 7;
    State.info.options = OptionTable;
    if (LayeredStyle(0, 1) == 0)
        State.info.optionCount = 6;
    return &State.info;
}
