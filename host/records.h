// The host's records, as the host lays them out in its process. The 32-bit layout is the one
// every host of the module knows; the x64 build makes each 4-byte slot of it an 8-byte slot, in
// the same order: integers in the low four bytes with the high four zero, addresses and handles
// filling the slot.
#pragma once
#include <windows.h>
#include <stddef.h>

// One slot of a host record: 4 bytes in the 32-bit layout, 8 in the x64 one.
const int HOST_SLOT = sizeof(void*);
#ifdef _WIN64
// The high half of an integer's slot, zero; a signed value must not reach it (-1 stays
// 0x00000000FFFFFFFF, not sign-extended).
#define HOST_INT_HIGH(name) DWORD name;
// In an initialiser of a record: the integer, then its zero high half.
#define HOST_INT(value) value, 0
#else
#define HOST_INT_HIGH(name)
#define HOST_INT(value) value
#endif

// Tag in the bar window's user-data word, by which the host recognises the bar.
const LONG BAR_WINDOW_TAG = 0x49474541;
// Set by the plug-in in HostPluginRecord.flags once the window field holds its bar.
const DWORD PLUGIN_FLAG_HAS_WINDOW = 0x10000;

const int HOST_CONTEXT_SIZE = 28 * HOST_SLOT;  // 112 bytes, 224 in the x64 layout
const int HOST_TEXT_MAX = 262;  // longest text the host keeps at HostPluginRecord.text

struct HostPluginRecord {
    DWORD flags;
    HOST_INT_HIGH(flagsHigh)
    BYTE reserved1[39 * HOST_SLOT];
    const char* text;  // the host's text for this plug-in, handed back with the properties request
    BYTE reserved41[12 * HOST_SLOT];
    HWND window;       // the bar, written by the plug-in at start
};

struct HostContext {
    LONG size;                 // below HOST_CONTEXT_SIZE the plug-in does not start
    HOST_INT_HIGH(sizeHigh)
    HostPluginRecord* plugin;
    BYTE reserved2[2 * HOST_SLOT];
    const char* hostFolder;    // ends with a backslash: a file name is appended directly
    BYTE reserved5[HOST_SLOT];
    void* configuration;       // opaque, only passed on to the helper library
    HWND mainWindow;           // receiver of every host message
    BYTE reserved8[9 * HOST_SLOT];
    HDC memoryDC;              // lent for drawing the button image
    BYTE reserved18[10 * HOST_SLOT];
};

// An action request: all zero but the code.
struct HostCommand {
    DWORD action;
    HOST_INT_HIGH(actionHigh)
    BYTE reserved[54 * HOST_SLOT];
};

// Handed to the host by GetPluginInfo; the texts and the table are constant data of the module.
struct PluginInfo {
    int size;
    HOST_INT_HIGH(sizeHigh)
    const char* name;
    const char* about;
    const char* name2;
    int optionCount;
    HOST_INT_HIGH(optionCountHigh)
    const struct OptionDescriptor* options;
};

struct OptionDescriptor {
    const char* caption;
    DWORD kind;
    HOST_INT_HIGH(kindHigh)
    const char* key;
    int defaultValue;
    HOST_INT_HIGH(defaultValueHigh)
    int minimum;
    HOST_INT_HIGH(minimumHigh)
    int maximum;
    HOST_INT_HIGH(maximumHigh)
};

// Both layouts, pinned: every offset and size of the x64 one is twice the 32-bit one.
#define HOST_AT(offset32) ((offset32) * HOST_SLOT / 4)
static_assert(HOST_SLOT == 4 || HOST_SLOT == 8, "a slot is 4 or 8 bytes");
static_assert(sizeof(PluginInfo) == HOST_AT(24), "PluginInfo is 24 bytes, 48 on x64");
static_assert(offsetof(PluginInfo, optionCount) == HOST_AT(16), "option count at 16");
static_assert(offsetof(PluginInfo, options) == HOST_AT(20), "options at 20");
static_assert(sizeof(OptionDescriptor) == HOST_AT(24), "OptionDescriptor is 24 bytes, 48 on x64");
static_assert(offsetof(OptionDescriptor, key) == HOST_AT(8), "key at 8");
static_assert(offsetof(OptionDescriptor, maximum) == HOST_AT(20), "maximum at 20");

static_assert(sizeof(HostContext) == HOST_CONTEXT_SIZE, "HostContext is 112 bytes, 224 on x64");
static_assert(HOST_CONTEXT_SIZE == HOST_AT(112), "HostContext is 112 bytes, 224 on x64");
static_assert(offsetof(HostContext, plugin) == HOST_AT(4), "plug-in record at 4");
static_assert(offsetof(HostContext, hostFolder) == HOST_AT(16), "host folder at 16");
static_assert(offsetof(HostContext, configuration) == HOST_AT(24), "configuration at 24");
static_assert(offsetof(HostContext, mainWindow) == HOST_AT(28), "main window at 28");
static_assert(offsetof(HostContext, memoryDC) == HOST_AT(68), "memory DC at 68");
static_assert(offsetof(HostPluginRecord, text) == HOST_AT(160), "text at 160");
static_assert(offsetof(HostPluginRecord, window) == HOST_AT(212), "window at 212");
static_assert(sizeof(HostPluginRecord) == HOST_AT(216), "HostPluginRecord is 216 bytes");
static_assert(sizeof(HostCommand) == HOST_AT(220), "HostCommand is 220 bytes");
#ifdef _WIN64
static_assert(sizeof(HostContext) == 224 && offsetof(HostContext, memoryDC) == 136 &&
                  sizeof(HostPluginRecord) == 432 && offsetof(HostPluginRecord, text) == 320 &&
                  sizeof(HostCommand) == 440 && sizeof(PluginInfo) == 48,
              "the x64 layout");
#endif
