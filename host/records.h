// The host's records, as the host lays them out in its 32-bit process.
#pragma once
#include <windows.h>
#include <stddef.h>

// Tag in the bar window's GWL_USERDATA, by which the host recognises the bar.
const LONG BAR_WINDOW_TAG = 0x49474541;
// Set by the plug-in in HostPluginRecord.flags once the window field holds its bar.
const DWORD PLUGIN_FLAG_HAS_WINDOW = 0x10000;

const int HOST_CONTEXT_SIZE = 112;
const int HOST_TEXT_MAX = 262;  // longest text the host keeps at HostPluginRecord.text

struct HostPluginRecord {
    DWORD flags;
    BYTE reserved4[156];
    const char* text;  // the host's text for this plug-in, handed back with the properties request
    BYTE reserved164[48];
    HWND window;       // the bar, written by the plug-in at start
};

struct HostContext {
    LONG size;                 // below 112 the plug-in does not start
    HostPluginRecord* plugin;
    BYTE reserved8[8];
    const char* hostFolder;    // ends with a backslash: a file name is appended directly
    BYTE reserved20[4];
    void* configuration;       // opaque, only passed on to the helper library
    HWND mainWindow;           // receiver of every host message
    BYTE reserved32[36];
    HDC memoryDC;              // lent for drawing the button image
    BYTE reserved72[40];
};

// An action request: all zero but the code.
struct HostCommand {
    DWORD action;
    BYTE reserved[216];
};

// Handed to the host by GetPluginInfo; the texts and the table are constant data of the module.
struct PluginInfo {
    int size;
    const char* name;
    const char* about;
    const char* name2;
    int optionCount;
    const struct OptionDescriptor* options;
};

struct OptionDescriptor {
    const char* caption;
    DWORD kind;
    const char* key;
    int defaultValue;
    int minimum;
    int maximum;
};

static_assert(sizeof(PluginInfo) == 24, "PluginInfo is 24 bytes");
static_assert(sizeof(OptionDescriptor) == 24, "OptionDescriptor is 24 bytes");

static_assert(sizeof(HostContext) == HOST_CONTEXT_SIZE, "HostContext is 112 bytes");
static_assert(offsetof(HostContext, hostFolder) == 16, "host folder at 16");
static_assert(offsetof(HostContext, configuration) == 24, "configuration at 24");
static_assert(offsetof(HostContext, mainWindow) == 28, "main window at 28");
static_assert(offsetof(HostContext, memoryDC) == 68, "memory DC at 68");
static_assert(offsetof(HostPluginRecord, text) == 160, "text at 160");
static_assert(offsetof(HostPluginRecord, window) == 212, "window at 212");
static_assert(sizeof(HostPluginRecord) == 216, "HostPluginRecord is 216 bytes");
static_assert(sizeof(HostCommand) == 220, "HostCommand is 220 bytes");
