#include "sequence.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
struct Recorded {
    message entry;
    std::string text;
};
std::vector<Recorded> recorded;

std::string Describe(const message& m, const char* text)
{
    char line[256];
    const char* how = (m.flags & sent) ? "sent" : (m.flags & posted) ? "posted" : "";
    if (m.message > 0x10000)
        snprintf(line, sizeof line, "config call %u \"%s\" value %ld", m.message - 0x10000,
                 text ? text : "", (long)m.lParam);
    else
        snprintf(line, sizeof line, "msg %04x %s wp %08lx lp %08lx", m.message, how,
                 (unsigned long)m.wParam, (unsigned long)m.lParam);
    return line;
}
}  // namespace

void add_message(const message* entry)
{
    Recorded r;
    r.entry = *entry;
    r.text = entry->text ? entry->text : "";
    r.entry.text = nullptr;
    recorded.push_back(r);
}

void add_config_call(UINT call, const char* keyText, int value)
{
    message m = {call, 0, 0, (LPARAM)value, nullptr};
    Recorded r;
    r.entry = m;
    r.text = keyText ? keyText : "";
    recorded.push_back(r);
}

void flush_sequence() { recorded.clear(); }

Messages Sequence(std::initializer_list<Messages> parts)
{
    Messages joined;
    for (const Messages& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    joined.push_back({0, 0, 0, 0, nullptr});
    return joined;
}

int sequence_count() { return (int)recorded.size(); }

const message* sequence_at(int index)
{
    if (index < 0 || index >= (int)recorded.size())
        return nullptr;
    recorded[index].entry.text = recorded[index].text.c_str();
    return &recorded[index].entry;
}

int collect_values(UINT call, const char* keyText, int* values, int most)
{
    int count = 0;
    for (const Recorded& r : recorded)
        if (r.entry.message == call && (!keyText || r.text == keyText) && count < most)
            values[count++] = (int)r.entry.lParam;
    return count;
}

void ok_sequence_(const message* expected, const char* context, const char* file, int line)
{
    std::vector<Recorded> actual = recorded;
    size_t a = 0;
    const message* e = expected;
    std::string failures;
    while (e->message) {
        bool matches = a < actual.size() && actual[a].entry.message == e->message;
        const message& got = matches ? actual[a].entry : *e;
        if (matches && (e->flags & sent) && !(got.flags & sent))
            matches = false;
        if (matches && (e->flags & posted) && !(got.flags & posted))
            matches = false;
        if (matches && (e->flags & wparam) && got.wParam != e->wParam)
            matches = false;
        if (matches && (e->flags & lparam) && got.lParam != e->lParam)
            matches = false;
        if (matches && (e->flags & key) && actual[a].text != (e->text ? e->text : ""))
            matches = false;
        if (matches) {
            a++;
            e++;
            continue;
        }
        if (e->flags & optional) {
            e++;
            continue;
        }
        failures = "expected " + Describe(*e, e->text) + ", got " +
                   (a < actual.size() ? Describe(actual[a].entry, actual[a].text.c_str())
                                      : std::string("nothing"));
        break;
    }
    if (failures.empty() && a < actual.size())
        failures = "unexpected " + Describe(actual[a].entry, actual[a].text.c_str());
    if (!failures.empty()) {
        std::string all;
        for (const Recorded& r : actual)
            all += "  " + Describe(r.entry, r.text.c_str()) + "\n";
        ADD_FAILURE_AT(file, line) << context << ": " << failures << "\nrecorded:\n" << all;
    }
    flush_sequence();
}
