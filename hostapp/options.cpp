// The options dialog: the plug-in's settings as its options table describes them, then the
// host's own options (hostoptions.cpp). The template is built from both tables each time the
// dialog opens, so a plug-in that reports fewer rows gets fewer fields.
#include "hostapp.h"
#include "dialogtemplate.h"
#include "kelvor/inifile.h"
#include <commctrl.h>
#include <stdio.h>

const char OptionsDialogTitle[] = "OrvelCmd Options";

namespace {

const char HostGroupTitle[] = "OrvelCmd";
const char PluginGroupTitle[] = "Command bar";

// A plug-in's table longer than this would not fit a screen; the rows after it are not shown.
const int MaxPluginRows = 32;
const int MaxHostRows = 16;
const int MaxRows = MaxPluginRows + MaxHostRows;
// Longest caption shown in full; longer ones are cut (the plug-in's are a word each).
const int CaptionMax = 48;

// A row's controls are found from its index.
enum ControlId {
    IDC_FIELD = 1000,        // + row: check box, number box, slider, choice or shortcut
    IDC_SPIN = 1100,         // + row: the up-down of a bounded number
    IDC_SLIDERVALUE = 1200,  // + row: "N %" beside a slider
};

// Layout, in dialog units. Labels in one column, fields in the next, in both groups. A row is
// as high as its tallest control; rows are RowGap apart.
const int Margin = 7;
const int DialogWidth = 210;
const int GroupWidth = DialogWidth - 2 * Margin;
const int GroupTop = 12;        // from the group box's top to its first row
const int GroupBottom = 7;      // below its last row
const int LabelX = Margin + 9;
const int LabelWidth = 56;
const int LabelHeight = 8;
const int FieldX = LabelX + LabelWidth + 4;
const int RowGap = 4;
const int NumberWidth = 52;     // the up-down takes its place inside it
const int FieldHeight = 14;
const int CheckRowHeight = 12;
const int CheckHeight = 10;
const int SliderWidth = 90;
const int SliderHeight = 18;
const int SliderInset = 4;      // the slider's channel starts that far inside its window
const int SliderValueWidth = 26;
const int HotkeyWidth = 94;
const int ChoiceWidth = 94;
const int ChoiceListHeight = 60;   // the dropped list, below the field
const int ButtonWidth = 50;
const int ButtonHeight = 14;
const int NumberTextMax = 11;   // "-2147483648"

// A row as the dialog shows it: what it is, the section its key lives in, and whether a typed
// number must keep to its minimum and maximum.
struct DialogRow {
    OptionRow row;
    const char* section;
    bool bounded;
};

struct OptionsDialog {
    DialogRow rows[MaxRows];   // the plug-in's first, then the host's
    int count;
    int pluginRows;
    int shown[MaxRows];        // each row's value as the dialog showed it
};

// The bar's position may be anywhere on the virtual screen, which begins left of or above the
// primary monitor where another monitor is there; 8 pixels of the bar stay on it.
const int PositionKeep = 8;

// The low byte of an option's kind says how the host edits it.
RowKind KindOf(const OptionDescriptor* option)
{
    switch (option->kind & 0xFF) {
    case 0x01: return ROW_CHECK;
    case 0x03: return option->minimum <= option->maximum ? ROW_BOUNDED : ROW_NUMBER;
    case 0x0B: return ROW_SLIDER;
    }
    return ROW_NUMBER;   // no limits, and the kinds this host does not know
}

DialogRow PluginRow(const OptionDescriptor* option)
{
    DialogRow dialogRow = {};
    OptionRow& row = dialogRow.row;
    row.caption = option->caption ? option->caption : "";
    row.kind = KindOf(option);
    row.key = option->key;
    row.defaultValue = option->defaultValue;
    row.minimum = option->minimum;
    row.maximum = option->maximum;
    dialogRow.section = App.info->name;
    dialogRow.bounded = row.kind == ROW_BOUNDED;
    if (option->key && (!lstrcmpiA(option->key, "XPos") || !lstrcmpiA(option->key, "YPos"))) {
        bool x = !lstrcmpiA(option->key, "XPos");
        int origin = GetSystemMetrics(x ? SM_XVIRTUALSCREEN : SM_YVIRTUALSCREEN);
        int extent = GetSystemMetrics(x ? SM_CXVIRTUALSCREEN : SM_CYVIRTUALSCREEN);
        dialogRow.bounded = true;
        row.minimum = origin;
        row.maximum = origin + (extent > PositionKeep ? extent - PositionKeep : 0);
    }
    return dialogRow;
}

int PluginRowCount()
{
    if (!App.info || !App.info->options || App.info->optionCount <= 0)
        return 0;
    return App.info->optionCount < MaxPluginRows ? App.info->optionCount : MaxPluginRows;
}

// ---- The template ------------------------------------------------------------------------------

// A field's label: the caption and a colon, drawn as it is (SS_NOPREFIX), level with a field
// of FieldHeight at y.
void AddLabel(Template* t, const char* caption, int y)
{
    char label[CaptionMax + 2];
    _snprintf(label, sizeof label, "%.*s:", CaptionMax, caption);
    label[sizeof label - 1] = '\0';
    AddItem(t, "Static", label, SS_LEFT | SS_NOPREFIX, 0, LabelX,
            y + (FieldHeight - LabelHeight) / 2, LabelWidth, LabelHeight, -1);
}

// In a check box's text "&" marks the shortcut letter: a caption's own "&" is doubled to show.
void AddCheckBox(Template* t, const char* caption, int y, int id)
{
    char text[2 * CaptionMax + 1];
    int used = 0;
    for (int i = 0; caption[i] && i < CaptionMax && used + 2 < (int)sizeof text; i++) {
        if (caption[i] == '&')
            text[used++] = '&';
        text[used++] = caption[i];
    }
    text[used] = '\0';
    AddItem(t, "Button", text, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, LabelX,
            y + (CheckRowHeight - CheckHeight) / 2, GroupWidth - 2 * (LabelX - Margin), CheckHeight,
            id);
}

// Adds the row's controls at y; returns the row's height.
int AddRow(Template* t, const OptionsDialog* state, int index, int y)
{
    const OptionRow& row = state->rows[index].row;
    int id = IDC_FIELD + index;
    if (row.kind != ROW_CHECK)
        AddLabel(t, row.caption, y);
    switch (row.kind) {
    case ROW_CHECK:
        AddCheckBox(t, row.caption, y, id);
        return CheckRowHeight;
    case ROW_SLIDER:
        AddItem(t, TRACKBAR_CLASSA, "",
                TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP | WS_GROUP, 0,
                FieldX - SliderInset, y, SliderWidth, SliderHeight, id);
        AddItem(t, "Static", "", SS_LEFT | SS_NOPREFIX, 0, FieldX - SliderInset + SliderWidth + 2,
                y + (FieldHeight - LabelHeight) / 2, SliderValueWidth, LabelHeight,
                IDC_SLIDERVALUE + index);
        return SliderHeight;
    case ROW_BOUNDED:
        // Negative limits need the minus sign that ES_NUMBER would keep out.
        AddItem(t, "Edit", "",
                ES_LEFT | ES_AUTOHSCROLL | (row.minimum >= 0 ? ES_NUMBER : 0) | WS_TABSTOP |
                    WS_GROUP,
                WS_EX_CLIENTEDGE, FieldX, y, NumberWidth, FieldHeight, id);
        AddItem(t, UPDOWN_CLASSA, "",
                UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0, 0,
                IDC_SPIN + index);
        return FieldHeight;
    case ROW_NUMBER:
        AddItem(t, "Edit", "", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE,
                FieldX, y, NumberWidth, FieldHeight, id);
        return FieldHeight;
    case ROW_CHOICE:
        AddItem(t, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0,
                FieldX, y, ChoiceWidth, FieldHeight + ChoiceListHeight, id);
        return FieldHeight;
    case ROW_HOTKEY:
        AddItem(t, HOTKEY_CLASSA, "", WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE, FieldX, y,
                HotkeyWidth, FieldHeight, id);
        return FieldHeight;
    }
    return 0;
}

// The rows first to end in a group box at y; returns where what follows starts.
int AddGroup(Template* t, const char* title, const OptionsDialog* state, int first, int end, int y)
{
    if (first >= end)
        return y;
    int groupY = y;
    size_t group = AddItem(t, "Button", title, BS_GROUPBOX, 0, Margin, groupY, GroupWidth, 0, -1);
    y += GroupTop;
    for (int index = first; index < end; index++)
        y += AddRow(t, state, index, y) + RowGap;
    y += GroupBottom - RowGap;
    PatchItemHeight(t, group, y - groupY);
    return y + Margin;
}

// The template's order is the tab order: the plug-in's rows as its table gives them, the
// host's, OK, Cancel.
void BuildTemplate(Template* t, const OptionsDialog* state)
{
    BeginTemplate(t, OptionsDialogTitle, DialogWidth);
    int y = AddGroup(t, PluginGroupTitle, state, 0, state->pluginRows, Margin);
    y = AddGroup(t, HostGroupTitle, state, state->pluginRows, state->count, y);
    AddItem(t, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0,
            DialogWidth - Margin - 2 * ButtonWidth - 4, y, ButtonWidth, ButtonHeight, IDOK);
    AddItem(t, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0,
            DialogWidth - Margin - ButtonWidth, y, ButtonWidth, ButtonHeight, IDCANCEL);
    FinishTemplate(t, y + ButtonHeight + Margin);
}

// ---- Values -----------------------------------------------------------------------------------

// What each row holds now: the value in force, the stored value, or the row's default where
// nothing is stored (what the plug-in will read).
void ReadShownValues(OptionsDialog* state)
{
    ConfigCursor cursor;
    bool open = false;
    const char* section = NULL;
    for (int index = 0; index < state->count; index++) {
        const DialogRow& d = state->rows[index];
        int* value = &state->shown[index];
        *value = d.row.inForce ? d.row.inForce() : d.row.defaultValue;
        if (d.row.inForce || !d.row.key || !d.section || !App.kelvor.OpenCFGr)
            continue;
        if (!open)
            App.kelvor.OpenCFGr(App.configPath, &cursor);
        open = true;
        if (section != d.section)
            App.kelvor.FindSection(d.section, 0, &cursor);
        section = d.section;
        *value = ReadStoredOption(&d.row, &cursor);
    }
    if (open)
        App.kelvor.CloseCFGr(&cursor);
}

// The values of the rows the user changed, in one save: all of them are stored or none. false,
// with the last error set, when they could not be.
bool StoreChanges(const OptionsDialog* state, const int* values)
{
    if (!App.kelvor.OpenCFGw)
        return true;
    ConfigCursor cursor;
    App.kelvor.OpenCFGw(App.configPath, &cursor);
    const char* section = NULL;
    for (int index = 0; index < state->count; index++) {
        const DialogRow& d = state->rows[index];
        if (!d.row.key || !d.section || values[index] == state->shown[index])
            continue;
        if (section != d.section)
            App.kelvor.FindSection(d.section, 1, &cursor);
        section = d.section;
        App.kelvor.SetCFGInt(d.row.key, values[index], &cursor);
    }
    return App.kelvor.CloseCFGw(App.configPath, 0, &cursor) != FALSE;
}

void ShowSliderValue(HWND dialog, int index)
{
    char text[16];
    int value = (int)SendDlgItemMessageA(dialog, IDC_FIELD + index, TBM_GETPOS, 0, 0);
    _snprintf(text, sizeof text, "%d %%", value);
    text[sizeof text - 1] = '\0';
    SetDlgItemTextA(dialog, IDC_SLIDERVALUE + index, text);
}

// Shows the values and notes what each field shows: a slider and a choice keep to their range.
void ShowValues(HWND dialog, OptionsDialog* state)
{
    ReadShownValues(state);
    for (int index = 0; index < state->count; index++) {
        const OptionRow& row = state->rows[index].row;
        int* value = &state->shown[index];
        HWND field = GetDlgItem(dialog, IDC_FIELD + index);
        switch (row.kind) {
        case ROW_CHECK:
            CheckDlgButton(dialog, IDC_FIELD + index, *value ? BST_CHECKED : BST_UNCHECKED);
            break;
        case ROW_SLIDER:
            SendMessageA(field, TBM_SETRANGEMIN, FALSE, 0);
            SendMessageA(field, TBM_SETRANGEMAX, FALSE, row.maximum);
            SendMessageA(field, TBM_SETTICFREQ, 10, 0);
            SendMessageA(field, TBM_SETLINESIZE, 0, 1);
            SendMessageA(field, TBM_SETPAGESIZE, 0, 10);
            SendMessageA(field, TBM_SETPOS, TRUE, *value);
            *value = (int)SendMessageA(field, TBM_GETPOS, 0, 0);
            ShowSliderValue(dialog, index);
            break;
        case ROW_BOUNDED: {
            HWND spin = GetDlgItem(dialog, IDC_SPIN + index);
            SendMessageA(spin, UDM_SETBUDDY, (WPARAM)field, 0);
            SendMessageA(spin, UDM_SETRANGE32, row.minimum, row.maximum);
            SendMessageA(spin, UDM_SETPOS32, 0, *value);
            SendMessageA(field, EM_LIMITTEXT, NumberTextMax, 0);
            // What is stored, even outside the limits (the up-down would have moved it inside
            // them): the user sees the value, and OK says what is wrong with it.
            SetDlgItemInt(dialog, IDC_FIELD + index, *value, TRUE);
            break;
        }
        case ROW_NUMBER:
            SendMessageA(field, EM_LIMITTEXT, NumberTextMax, 0);
            SetDlgItemInt(dialog, IDC_FIELD + index, *value, TRUE);
            break;
        case ROW_CHOICE:
            for (const char* choice = row.choices; choice && *choice; choice += lstrlenA(choice) + 1)
                SendMessageA(field, CB_ADDSTRING, 0, (LPARAM)choice);
            if (SendMessageA(field, CB_SETCURSEL, *value, 0) == CB_ERR) {
                SendMessageA(field, CB_SETCURSEL, row.defaultValue, 0);
                *value = row.defaultValue;
            }
            break;
        case ROW_HOTKEY:
            // A key alone, or with Shift alone, would take that key from every program: such a
            // choice becomes Ctrl+Alt and the key.
            SendMessageA(field, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                         MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
            SendMessageA(field, HKM_SETHOTKEY, *value, 0);
            break;
        }
    }
}

// Refuses a row's value: says why, then puts the caret in the field with its text selected.
void Refuse(HWND dialog, const DialogRow& d, int index)
{
    char message[CaptionMax + 96];
    if (d.bounded)
        _snprintf(message, sizeof message, "%.*s must be a whole number from %d to %d.",
                  CaptionMax, d.row.caption, d.row.minimum, d.row.maximum);
    else
        _snprintf(message, sizeof message, "%.*s must be a whole number.", CaptionMax,
                  d.row.caption);
    message[sizeof message - 1] = '\0';
    MessageBoxA(dialog, message, OptionsDialogTitle, MB_OK | MB_ICONEXCLAMATION);
    HWND field = GetDlgItem(dialog, IDC_FIELD + index);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)field, TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// The value the user set in a row; false when it was refused.
bool ReadRow(HWND dialog, const OptionsDialog* state, int index, int* value)
{
    const DialogRow& d = state->rows[index];
    HWND field = GetDlgItem(dialog, IDC_FIELD + index);
    switch (d.row.kind) {
    case ROW_CHECK:
        *value = IsDlgButtonChecked(dialog, IDC_FIELD + index) == BST_CHECKED ? 1 : 0;
        return true;
    case ROW_SLIDER:
        *value = (int)SendMessageA(field, TBM_GETPOS, 0, 0);
        return true;
    case ROW_CHOICE: {
        LRESULT chosen = SendMessageA(field, CB_GETCURSEL, 0, 0);
        *value = chosen == CB_ERR ? state->shown[index] : (int)chosen;
        return true;
    }
    case ROW_HOTKEY: {
        // Modifiers without a key are no shortcut.
        WORD hotkey = (WORD)SendMessageA(field, HKM_GETHOTKEY, 0, 0);
        *value = LOBYTE(hotkey) ? hotkey : 0;
        return true;
    }
    case ROW_BOUNDED:
    case ROW_NUMBER:
        break;
    }
    // Longer than any number with blanks around it: not a number.
    char text[NumberTextMax + 8];
    bool read = GetWindowTextLengthA(field) < (int)sizeof text;
    if (read) {
        // The rule the helper library reads the stored number by: blanks around it and a sign.
        int length = GetWindowTextA(field, text, sizeof text);
        read = IniParseInt(text, length, value);
    }
    if (read && d.bounded)
        read = *value >= d.row.minimum && *value <= d.row.maximum;
    if (!read)
        Refuse(dialog, d, index);
    return read;
}

// The file and the system's reason; the dialog stays open with the values.
void ReportFailedSave(HWND dialog, DWORD error)
{
    char reason[512];
    SystemErrorText(error, App.configPath, reason, sizeof reason);
    char message[PATH_BYTES + 640];
    _snprintf(message, sizeof message, "The options could not be stored in\n%s\n\n%s",
              App.configPath, reason);
    message[sizeof message - 1] = '\0';
    Log("options not stored: error %lu", (unsigned long)error);
    MessageBoxA(dialog, message, OptionsDialogTitle, MB_OK | MB_ICONERROR);
}

// Rows before end that apply took effect in go back to what the dialog showed.
void UndoApplied(const OptionsDialog* state, const int* values, int end)
{
    for (int index = 0; index < end; index++) {
        const OptionRow& row = state->rows[index].row;
        if (row.apply && row.undo && values[index] != state->shown[index])
            row.undo(state->shown[index]);
    }
}

// OK: nothing is stored unless every value is acceptable and every change that takes effect
// before the save did. Only what the user changed is stored: a value the bar reads in its own
// way where none is stored stays unstored.
void Accept(HWND dialog, const OptionsDialog* state)
{
    int values[MaxRows];
    for (int index = 0; index < state->count; index++)
        if (!ReadRow(dialog, state, index, &values[index]))
            return;
    for (int index = 0; index < state->count; index++) {
        const OptionRow& row = state->rows[index].row;
        if (!row.apply || values[index] == state->shown[index] ||
            row.apply(dialog, values[index]))
            continue;
        UndoApplied(state, values, index);
        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_FIELD + index), TRUE);
        return;
    }
    if (!StoreChanges(state, values)) {
        DWORD error = GetLastError();
        UndoApplied(state, values, state->count);
        ReportFailedSave(dialog, error);
        return;
    }
    for (int index = 0; index < state->count; index++) {
        const OptionRow& row = state->rows[index].row;
        if (row.applyStored && values[index] != state->shown[index])
            row.applyStored(dialog, values[index]);
    }
    EndDialog(dialog, IDOK);
}

void InitDialog(HWND dialog, OptionsDialog* state)
{
    App.optionsDialog = dialog;
    HINSTANCE instance = App.instance ? App.instance : GetModuleHandleA(NULL);
    HICON big = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                  GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                  LR_SHARED);
    HICON small = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                    LR_SHARED);
    if (big)
        SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)big);
    if (small)
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)small);
    ShowValues(dialog, state);
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const OptionsDialog* state = (const OptionsDialog*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitDialog(dialog, (OptionsDialog*)lParam);
        return TRUE;
    case WM_HSCROLL: {
        int index = GetDlgCtrlID((HWND)lParam) - IDC_FIELD;
        if (state && lParam && index >= 0 && index < state->count &&
            state->rows[index].row.kind == ROW_SLIDER)
            ShowSliderValue(dialog, index);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && state) {
            Accept(dialog, state);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        App.optionsDialog = NULL;
        break;
    }
    return FALSE;
}

}  // namespace

bool RunOptionsDialog(HWND owner, const OptionRow* hostRows, int hostRowCount)
{
    if (App.optionsDialog) {
        SetForegroundWindow(App.optionsDialog);
        return false;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_UPDOWN_CLASS | ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    OptionsDialog state = {};
    state.pluginRows = PluginRowCount();
    for (int i = 0; i < state.pluginRows; i++)
        state.rows[state.count++] = PluginRow(&App.info->options[i]);
    for (int i = 0; i < hostRowCount && i < MaxHostRows; i++)
        state.rows[state.count++] = {hostRows[i], HostSection, hostRows[i].kind == ROW_BOUNDED};

    Template measure = {};
    BuildTemplate(&measure, &state);
    BYTE* data = (BYTE*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, measure.used);
    if (!data)
        return false;
    Template t = {};
    t.data = data;
    t.capacity = measure.used;
    BuildTemplate(&t, &state);
    INT_PTR result = DialogBoxIndirectParamA(App.instance ? App.instance : GetModuleHandleA(NULL),
                                             (LPCDLGTEMPLATEA)data, owner, OptionsDialogProc,
                                             (LPARAM)&state);
    HeapFree(GetProcessHeap(), 0, data);
    App.optionsDialog = NULL;
    return result == IDOK;
}

bool ShowOptionsDialog(HWND owner) { return RunOptionsDialog(owner, HostOptions, HostOptionCount); }

void OpenOptions(const char* label)
{
    if (App.optionsDialog && IsWindow(App.optionsDialog)) {
        Log("%s: the options dialog is open already: brought to the front", label);
        SetForegroundWindow(App.optionsDialog);
        return;
    }
    Log("%s: options dialog", label);
    // The new values take effect when the plug-in starts again; it must not be stopped inside
    // the call that asked for the dialog, so the restart waits in the queue.
    if (ShowOptionsDialog(DialogOwner()))
        PostMessageA(App.window, HOSTAPP_RESTART, 0, 0);
}
