// The history key filled with what the module never writes: values of the wrong type, texts
// without their NUL or longer than the read buffer, a "Current" that is negative, huge or two
// bytes long, and a key nobody may read. Recording, listing and clearing must survive each, and
// nothing may be written but "0" to "11" and "Current".
#include "stress.h"
#include "storm.h"
#include <aclapi.h>
#include <map>
#include <vector>
#include "harness/testhost.h"

static const char KeyPath[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

struct Value {
    DWORD type;
    std::string data;
};
typedef std::map<std::string, Value> Values;

static void Put(Values& values, const char* name, DWORD type, const std::string& data)
{
    values[name] = Value{type, data};
}

static std::string Dword(int number) { return std::string((const char*)&number, 4); }

static std::string Filled(int length, char c) { return std::string(length, c); }

static Values ReadKey()
{
    Values values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char name[256];
        DWORD nameLength = sizeof name, type, size = 0;
        if (RegEnumValueA(key, i, name, &nameLength, NULL, &type, NULL, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLength = sizeof name;
        RegEnumValueA(key, i, name, &nameLength, NULL, &type, (BYTE*)&data[0], &size);
        data.resize(size);
        values[name] = Value{type, data};
    }
    RegCloseKey(key);
    return values;
}

static void WriteKey(const Values& values)
{
    DeleteHistoryKey();
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, KeyPath, &key);
    for (auto& v : values)
        RegSetValueExA(key, v.first.c_str(), 0, v.second.type, (const BYTE*)v.second.data.data(),
                       (DWORD)v.second.data.size());
    RegCloseKey(key);
}

static bool ModuleMayWrite(const std::string& name)
{
    if (name == "Current")
        return true;
    for (int slot = 0; slot < 12; slot++)
        if (name == Format("%d", slot))
            return true;
    return false;
}

struct Setup {
    const char* name;
    Values values;
    bool unreadable;
};

static std::vector<Setup> Setups()
{
    std::vector<Setup> setups;
    // Beside every setup: names the module must leave as they are.
    Values untouchable;
    Put(untouchable, "12", REG_SZ, std::string("outside\0", 8));
    Put(untouchable, "13", REG_BINARY, Filled(700, 'q'));
    Put(untouchable, "-1", REG_SZ, std::string("minus\0", 6));
    Put(untouchable, "Current2", REG_DWORD, Dword(3));

    Values v = untouchable;
    Put(v, "0", REG_DWORD, Dword(0x41414141));
    Put(v, "1", REG_BINARY, Filled(600, 'b'));
    Put(v, "2", REG_MULTI_SZ, std::string("one\0two\0\0", 9));
    Put(v, "3", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    Put(v, "4", REG_NONE, "");
    Put(v, "5", REG_QWORD, std::string(8, '\x7f'));
    Put(v, "Current", REG_SZ, std::string("7\0", 2));
    setups.push_back({"wrong types", v, false});

    v = untouchable;
    Put(v, "0", REG_SZ, "a");
    Put(v, "1", REG_SZ, Filled(259, 'n'));
    Put(v, "2", REG_SZ, Filled(519, 'o'));
    Put(v, "3", REG_SZ, Filled(520, 'p'));
    Put(v, "4", REG_SZ, "");
    setups.push_back({"texts without NUL", v, false});

    v = untouchable;
    Put(v, "0", REG_SZ, Filled(520, 'l') + '\0');
    Put(v, "1", REG_SZ, Filled(521, 'm'));
    Put(v, "2", REG_SZ, Filled(600, 'n') + '\0');
    Put(v, "3", REG_SZ, Filled(1024, 'o'));
    Put(v, "4", REG_SZ, Filled(1999, 'p') + '\0');
    Put(v, "11", REG_EXPAND_SZ, Filled(2000, 'r'));
    Put(v, "12", REG_SZ, Filled(2000, 's'));
    setups.push_back({"texts of 520 to 2000 bytes", v, false});

    const struct { const char* name; DWORD type; std::string data; } currents[] = {
        {"Current -1", REG_DWORD, Dword(-1)},
        {"Current INT_MIN", REG_DWORD, Dword((int)0x80000000)},
        {"Current 12", REG_DWORD, Dword(12)},
        {"Current INT_MAX", REG_DWORD, Dword(0x7FFFFFFF)},
        {"Current 1000000", REG_DWORD, Dword(1000000)},
        {"Current of 2 bytes", REG_BINARY, std::string("\x05\x00", 2)},
        {"Current of 8 bytes", REG_QWORD, std::string("\x03\0\0\0\x01\0\0\0", 8)},
        {"Current of 0 bytes", REG_BINARY, ""},
    };
    for (auto& c : currents) {
        v = untouchable;
        Put(v, "0", REG_SZ, std::string("first\0", 6));
        Put(v, "Current", c.type, c.data);
        setups.push_back({c.name, v, false});
    }

    v = untouchable;
    Put(v, "0", REG_SZ, std::string("hidden\0", 7));
    Put(v, "Current", REG_DWORD, Dword(4));
    setups.push_back({"key unreadable", v, true});
    return setups;
}

// Denies reading and writing values to everyone; a handle opened before keeps the right to put
// the old descriptor back and to delete the key.
static bool MakeUnreadable(HKEY* held, PSECURITY_DESCRIPTOR* old)
{
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_ALL_ACCESS | READ_CONTROL | WRITE_DAC,
                      held) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    RegGetKeySecurity(*held, DACL_SECURITY_INFORMATION, NULL, &size);
    *old = (PSECURITY_DESCRIPTOR)LocalAlloc(LPTR, size);
    RegGetKeySecurity(*held, DACL_SECURITY_INFORMATION, *old, &size);

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    BYTE aclBuffer[256];
    PACL acl = (PACL)aclBuffer;
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, READ_CONTROL | WRITE_DAC | DELETE, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    RegSetKeySecurity(*held, DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);

    HKEY probe;
    bool denied = RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &probe) != ERROR_SUCCESS;
    if (!denied)
        RegCloseKey(probe);
    return denied;
}

int RunHostileRegistry()
{
    CreateTestHost();
    Host.recordMask = 0;
    LoadPlugin();
    StartPlugin();
    HWND bar = BarWindow(), combo = ComboBox();
    int survived = 0, setupsRun = 0, intruded = 0, badRecords = 0, badLists = 0, notCleared = 0;
    int n = 0;
    for (Setup& setup : Setups()) {
        setupsRun++;
        WriteKey(setup.values);
        // What the platform gives back for what was written is what must stay.
        Values before = ReadKey();
        HKEY held = NULL;
        PSECURITY_DESCRIPTOR old = NULL;
        if (setup.unreadable) {
            bool denied = MakeUnreadable(&held, &old);
            Figure("registry key unreadable",
                   denied ? "yes" : "no: Wine grants reading whatever the key's descriptor says");
        }

        // List: every item a text the read buffer holds.
        SendMessageA(bar, WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), (LPARAM)combo);
        int items = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
        bool listOk = items >= 0 && items <= 13;
        for (int i = 0; i < items; i++)
            listOk = listOk && SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) <= 520;

        // Record a command that runs, then list again.
        std::string command = Programs.folder + Format("rcopy2.exe registry%d", ++n);
        bool ran = PressReturnOn(command) && WaitForRecorded(Format("registry%d", n), 15000);
        SendMessageA(bar, WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), (LPARAM)combo);
        items = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
        listOk = listOk && items >= 0 && items <= 13;

        if (held) {
            RegSetKeySecurity(held, DACL_SECURITY_INFORMATION, old);
            LocalFree(old);
            RegCloseKey(held);
            held = NULL;
        }
        // Nothing but the module's own names changed or appeared.
        Values after = ReadKey();
        for (auto& v : after) {
            if (ModuleMayWrite(v.first))
                continue;
            auto was = before.find(v.first);
            if (was == before.end() || was->second.type != v.second.type ||
                was->second.data != v.second.data) {
                intruded++;
                fprintf(stderr, "registry: %s: value \"%s\" written\n", setup.name, v.first.c_str());
            }
        }
        // The command went to one slot, and "Current" names the slot after it.
        if (!setup.unreadable) {
            int slot = -1;
            for (int s = 0; s < 12; s++) {
                auto v = after.find(Format("%d", s));
                if (v != after.end() && v->second.type == REG_SZ && v->second.data == command + '\0')
                    slot = s;
            }
            auto current = after.find("Current");
            bool recorded = slot >= 0 && current != after.end() && current->second.type == REG_DWORD &&
                            current->second.data == Dword(slot + 1);
            if (!recorded) {
                badRecords++;
                fprintf(stderr, "registry: %s: command not recorded in a slot\n", setup.name);
            }
        }
        if (!listOk) {
            badLists++;
            fprintf(stderr, "registry: %s: list of %d items\n", setup.name, items);
        }
        if (setup.unreadable) {
            // Clearing deletes the key even while nobody may read it.
            MakeUnreadable(&held, &old);
        }
        bool cleared = PressReturnOn(".ClearHistory");
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            cleared = false;
        }
        if (held) {
            RegSetKeySecurity(held, DACL_SECURITY_INFORMATION, old);
            LocalFree(old);
            RegCloseKey(held);
        }
        HKEY gone;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &gone) == ERROR_SUCCESS) {
            RegCloseKey(gone);
            cleared = false;
        }
        if (!cleared) {
            notCleared++;
            fprintf(stderr, "registry: %s: .ClearHistory left the key\n", setup.name);
        }
        if (ran && IsWindow(bar))
            survived++;
        else
            fprintf(stderr, "registry: %s: the command did not run\n", setup.name);
        DeleteHistoryKey();
    }
    Figure("registry setups", setupsRun);
    Figure("registry setups survived (recorded command ran)", survived, survived == setupsRun);
    Figure("registry values written outside 0-11 and Current", intruded, intruded == 0);
    Figure("registry commands not recorded in a slot", badRecords, badRecords == 0);
    Figure("registry lists with bad items", badLists, badLists == 0);
    Figure("registry setups not cleared by .ClearHistory", notCleared, notCleared == 0);
    StopPlugin();
    DestroyTestHost();
    return 0;
}
