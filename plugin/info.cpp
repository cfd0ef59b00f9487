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
const OptionDescriptor OptionTable[7] = {
    {"Snap",         0x103, "Snap",         6,   0,  20},
    {"Minimize",     0x101, "Minimize",     0,   0,  0},
    {"Width",        0x003, "Width",        400, 50, 2000},
    {"XPos",         0x002, "XPos",         0,   0,  0},
    {"YPos",         0x002, "YPos",         0,   0,  0},
    {"AutoComplete", 0x101, "AutoComplete", 1,   0,  0},
    {"Transparency", 0x10B, "Transparency", 0,   0,  70},  // last, so a count of 6 hides it
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
