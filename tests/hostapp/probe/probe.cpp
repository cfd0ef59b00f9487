// A plug-in in place of the bar that reports what its host gave it, into the file named by
// ORVEL_PROBE_REPORT: the HostContext's fields, whether COM was initialised on the host's
// thread before the start, and the host's current folder. It also asks for an action the host
// does not know.
#include <windows.h>
#include <objbase.h>
#include <stdio.h>
#include "host/messages.h"
#include "host/records.h"

static PluginInfo info = {HOST_INT(sizeof(PluginInfo)), "Probe", "The host program's probe",
                          "Probe", HOST_INT(0), NULL};

extern "C" PluginInfo* __stdcall GetPluginInfo() { return &info; }

extern "C" void __stdcall InitGlobalModule(HostContext* context)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ORVEL_PROBE_REPORT", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    // S_FALSE: initialised already in this model. The probe's own call is undone; the host's stays.
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(com))
        CoUninitialize();
    DWORD windowProcess = 0;
    GetWindowThreadProcessId(context->mainWindow, &windowProcess);
    char windowClass[64] = "";
    GetClassNameA(context->mainWindow, windowClass, sizeof windowClass);
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);

    FILE* report = fopen(path, "w");
    if (!report)
        return;
    fprintf(report, "com=0x%08lX\n", (unsigned long)com);
    fprintf(report, "size=%ld\n", (long)context->size);
    fprintf(report, "folder=%s\n", context->hostFolder ? context->hostFolder : "");
    fprintf(report, "configuration=%s\n",
            context->configuration ? (const char*)context->configuration : "");
    fprintf(report, "text=%s\n",
            context->plugin && context->plugin->text ? context->plugin->text : "");
    fprintf(report, "windowProcess=%lu\n", (unsigned long)windowProcess);
    fprintf(report, "windowClass=%s\n", windowClass);
    fprintf(report, "memoryDC=%s\n", GetObjectType(context->memoryDC) == OBJ_MEMDC ? "yes" : "no");
    fprintf(report, "codePage=%u\n", GetACP());
    fprintf(report, "current=%s\n", current);
    fclose(report);

    HostCommand command;
    ZeroMemory(&command, sizeof command);
    command.action = 99;
    SendMessageA(context->mainWindow, HOSTMSG_COMMAND, 0, (LPARAM)&command);
}

extern "C" void __stdcall DoneModule() {}
