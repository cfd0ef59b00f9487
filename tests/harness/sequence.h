// Message sequences in the manner of Wine's conformance tests: what arrived is recorded with
// add_message and compared, entry by entry, with an expected list written as data.
#pragma once
#include <windows.h>
#include <initializer_list>
#include <vector>

enum msg_flags {
    sent = 0x1,       // arrived through SendMessage
    posted = 0x2,     // arrived through PostMessage
    wparam = 0x4,     // compare wParam
    lparam = 0x8,     // compare lParam
    optional = 0x10,  // may be missing
    key = 0x20,       // compare the key text (configuration calls)
};

// Configuration calls of the helper library, recorded beside the messages.
enum ConfigCall : UINT {
    CFG_OPENR = 0x10001,
    CFG_CLOSER,
    CFG_OPENW,
    CFG_CLOSEW,
    CFG_SECTION,
    CFG_GETINT,
    CFG_GETBOOL,
    CFG_SETINT,   // lParam is the value written
    CFG_LAYERED,  // SetLayered; lParam is the opacity
    CFG_RUN,      // Run; key is the program
};

struct message {
    UINT message;
    int flags;
    WPARAM wParam;
    LPARAM lParam;
    const char* text;  // key of a configuration call
};

void add_message(const message* entry);
void add_config_call(UINT call, const char* key, int value);
void flush_sequence();
int sequence_count();
const message* sequence_at(int index);
void ok_sequence_(const message* expected, const char* context, const char* file, int line);
#define ok_sequence(expected, context) ok_sequence_(expected, context, __FILE__, __LINE__)

// An expected sequence made of parts, with the zero entry that ends it.
typedef std::vector<message> Messages;
Messages Sequence(std::initializer_list<Messages> parts);

// Only the entries of one kind, e.g. every SetCFGInt "Width": their values in order.
int collect_values(UINT call, const char* keyText, int* values, int most);
