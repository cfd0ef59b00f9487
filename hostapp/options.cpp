// The options dialog: the plug-in's settings as its options table describes them, then the
// host's own (the shortcut, start with Windows). The dialog template is built from the table
// each time the dialog opens, so a plug-in that reports fewer rows gets fewer fields.
#include "hostapp.h"
#include "kelvor/inifile.h"
#include <commctrl.h>
#include <stdio.h>

namespace {

const char DialogTitle[] = "OrvelCmd Options";
const char HostGroupTitle[] = "OrvelCmd";
const char PluginGroupTitle[] = "Command bar";

// A table longer than this would not fit a screen; the rows after it are not shown.
const int MaxRows = 32;
// Longest caption shown in full; longer ones are cut (the plug-in's are a word each).
const int CaptionMax = 48;

// The low byte of an option's kind says how the host edits it.
enum RowKind { ROW_NUMBER, ROW_CHECK, ROW_BOUNDED, ROW_SLIDER };

// A row's controls are found from its index.
enum ControlId {
    IDC_FIELD = 1000,        // + row: check box, number box or slider
    IDC_SPIN = 1100,         // + row: the up-down of a bounded number
    IDC_SLIDERVALUE = 1200,  // + row: "N %" beside a slider
    IDC_HOTKEY = 1300,
    IDC_STARTUP = 1301,
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
const int ButtonWidth = 50;
const int ButtonHeight = 14;
const int NumberTextMax = 11;   // "-2147483648"

struct OptionsDialog {
    int rows;                 // rows of the table the template holds
    int shown[MaxRows];       // each row's value as the dialog showed it
    bool startsWithWindows;   // as the dialog opened
};

// Limits a row's value must keep beyond the table's own.
struct RowLimits {
    bool bounded;
    int minimum, maximum;
};

// The bar's position may be anywhere on the virtual screen, which begins left of or above the
// primary monitor where another monitor is there; 8 pixels of the bar stay on it.
const int PositionKeep = 8;

RowKind KindOf(const OptionDescriptor* option)
{
    switch (option->kind & 0xFF) {
    case 0x01: return ROW_CHECK;
    case 0x03: return option->minimum <= option->maximum ? ROW_BOUNDED : ROW_NUMBER;
    case 0x0B: return ROW_SLIDER;
    }
    return ROW_NUMBER;   // no limits, and the kinds this host does not know
}

RowLimits LimitsOf(const OptionDescriptor* option)
{
    RowLimits limits = {KindOf(option) == ROW_BOUNDED, option->minimum, option->maximum};
    if (option->key && (!lstrcmpiA(option->key, "XPos") || !lstrcmpiA(option->key, "YPos"))) {
        bool x = !lstrcmpiA(option->key, "XPos");
        int origin = GetSystemMetrics(x ? SM_XVIRTUALSCREEN : SM_YVIRTUALSCREEN);
        int extent = GetSystemMetrics(x ? SM_CXVIRTUALSCREEN : SM_CYVIRTUALSCREEN);
        limits.bounded = true;
        limits.minimum = origin;
        limits.maximum = origin + (extent > PositionKeep ? extent - PositionKeep : 0);
    }
    return limits;
}

int RowCount()
{
    if (!App.info || !App.info->options || App.info->optionCount <= 0)
        return 0;
    return App.info->optionCount < MaxRows ? App.info->optionCount : MaxRows;
}

// ---- The in-memory template -------------------------------------------------------------------

// Written twice: once without data to measure it, then into a block of that size.
struct Template {
    BYTE* data;
    size_t capacity;
    size_t used;
    WORD items;
};

void Put(Template* t, const void* bytes, size_t size)
{
    if (t->data && t->used + size <= t->capacity)
        CopyMemory(t->data + t->used, bytes, size);
    t->used += size;
}

void PutWord(Template* t, WORD value) { Put(t, &value, sizeof value); }
void PutDword(Template* t, DWORD value) { Put(t, &value, sizeof value); }

void PutText(Template* t, const char* text)
{
    int count = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (count <= 0) {
        PutWord(t, 0);
        return;
    }
    size_t size = (size_t)count * sizeof(WCHAR);
    if (t->data && t->used + size <= t->capacity)
        MultiByteToWideChar(CP_ACP, 0, text, -1, (WCHAR*)(t->data + t->used), count);
    t->used += size;
}

// Every item starts on a 32-bit boundary.
void Align(Template* t)
{
    while (t->used % 4)
        Put(t, "", 1);
}

// Writes a height that is known only after what comes below it has been laid out.
void PatchWord(Template* t, size_t at, int value)
{
    WORD word = (WORD)value;
    if (t->data && at + sizeof word <= t->capacity)
        CopyMemory(t->data + at, &word, sizeof word);
}

// An extended template: the shell's dialog font, which the system sizes for the screen's DPI,
// takes one. Offsets of the fields patched once the layout is known:
const size_t TemplateItemsAt = 16;   // cDlgItems
const size_t TemplateHeightAt = 24;  // cy
const size_t ItemHeightAt = 18;      // an item's cy

void BeginTemplate(Template* t)
{
    const DWORD style = DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | WS_POPUP |
                        WS_CAPTION | WS_SYSMENU;
    PutWord(t, 1);        // dlgVer
    PutWord(t, 0xFFFF);   // signature
    PutDword(t, 0);       // helpID
    // Opened from the notification area, with no visible owner: a taskbar button of its own
    // keeps it from getting lost behind other windows.
    PutDword(t, WS_EX_APPWINDOW);
    PutDword(t, style);
    PutWord(t, 0);        // cDlgItems, patched
    PutWord(t, 0);        // x
    PutWord(t, 0);        // y
    PutWord(t, DialogWidth);
    PutWord(t, 0);        // cy, patched
    PutWord(t, 0);        // no menu
    PutWord(t, 0);        // the dialog class
    PutText(t, DialogTitle);
    PutWord(t, 8);        // points
    PutWord(t, FW_NORMAL);
    Put(t, "\0", 1);      // not italic
    Put(t, "\1", 1);      // DEFAULT_CHARSET
    PutText(t, "MS Shell Dlg");
}

// Returns where the item starts, for a height to be patched in later.
size_t AddItem(Template* t, const char* className, const char* text, DWORD style, DWORD exStyle,
               int x, int y, int width, int height, int id)
{
    Align(t);
    size_t start = t->used;
    PutDword(t, 0);   // helpID
    PutDword(t, exStyle);
    PutDword(t, style | WS_CHILD | WS_VISIBLE);
    PutWord(t, (WORD)x);
    PutWord(t, (WORD)y);
    PutWord(t, (WORD)width);
    PutWord(t, (WORD)height);
    PutDword(t, (DWORD)id);
    PutText(t, className);
    PutText(t, text);
    PutWord(t, 0);   // no creation data
    t->items++;
    return start;
}

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
int AddRow(Template* t, int row, int y)
{
    const OptionDescriptor* option = &App.info->options[row];
    const char* caption = option->caption ? option->caption : "";
    switch (KindOf(option)) {
    case ROW_CHECK:
        AddCheckBox(t, caption, y, IDC_FIELD + row);
        return CheckRowHeight;
    case ROW_SLIDER:
        AddLabel(t, caption, y);
        AddItem(t, TRACKBAR_CLASSA, "",
                TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP | WS_GROUP, 0,
                FieldX - SliderInset, y, SliderWidth, SliderHeight, IDC_FIELD + row);
        AddItem(t, "Static", "", SS_LEFT | SS_NOPREFIX, 0, FieldX - SliderInset + SliderWidth + 2,
                y + (FieldHeight - LabelHeight) / 2, SliderValueWidth, LabelHeight,
                IDC_SLIDERVALUE + row);
        return SliderHeight;
    case ROW_BOUNDED:
        AddLabel(t, caption, y);
        // Negative limits need the minus sign that ES_NUMBER would keep out.
        AddItem(t, "Edit", "",
                ES_LEFT | ES_AUTOHSCROLL | (option->minimum >= 0 ? ES_NUMBER : 0) | WS_TABSTOP |
                    WS_GROUP,
                WS_EX_CLIENTEDGE, FieldX, y, NumberWidth, FieldHeight, IDC_FIELD + row);
        AddItem(t, UPDOWN_CLASSA, "",
                UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0, 0,
                IDC_SPIN + row);
        return FieldHeight;
    case ROW_NUMBER:
        AddLabel(t, caption, y);
        AddItem(t, "Edit", "", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE,
                FieldX, y, NumberWidth, FieldHeight, IDC_FIELD + row);
        return FieldHeight;
    }
    return 0;
}

// The template's order is the tab order: the plug-in's rows as the table gives them, the
// shortcut, start with Windows, OK, Cancel.
void BuildTemplate(Template* t, int rows)
{
    BeginTemplate(t);
    int y = Margin;
    if (rows > 0) {
        int groupY = y;
        size_t group = AddItem(t, "Button", PluginGroupTitle, BS_GROUPBOX, 0, Margin, groupY,
                               GroupWidth, 0, -1);
        y += GroupTop;
        for (int row = 0; row < rows; row++)
            y += AddRow(t, row, y) + RowGap;
        y += GroupBottom - RowGap;
        PatchWord(t, group + ItemHeightAt, y - groupY);
        y += Margin;
    }
    int groupY = y;
    size_t group = AddItem(t, "Button", HostGroupTitle, BS_GROUPBOX, 0, Margin, groupY, GroupWidth,
                           0, -1);
    y += GroupTop;
    AddLabel(t, "Shortcut", y);
    AddItem(t, HOTKEY_CLASSA, "", WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE, FieldX, y, HotkeyWidth,
            FieldHeight, IDC_HOTKEY);
    y += FieldHeight + RowGap;
    AddCheckBox(t, "Start with Windows", y, IDC_STARTUP);
    y += CheckRowHeight + GroupBottom;
    PatchWord(t, group + ItemHeightAt, y - groupY);
    y += Margin;
    AddItem(t, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0,
            DialogWidth - Margin - 2 * ButtonWidth - 4, y, ButtonWidth, ButtonHeight, IDOK);
    AddItem(t, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0,
            DialogWidth - Margin - ButtonWidth, y, ButtonWidth, ButtonHeight, IDCANCEL);
    PatchWord(t, TemplateHeightAt, y + ButtonHeight + Margin);
    PatchWord(t, TemplateItemsAt, t->items);
}

// ---- Values -----------------------------------------------------------------------------------

// What the plug-in will read: the stored value, or the row's default when nothing is stored.
void ReadStoredValues(int* values, int rows)
{
    for (int row = 0; row < rows; row++)
        values[row] = App.info->options[row].defaultValue;
    if (!App.kelvor.OpenCFGr || !App.info->name)
        return;
    ConfigCursor cursor;
    App.kelvor.OpenCFGr(App.configPath, &cursor);
    App.kelvor.FindSection(App.info->name, 0, &cursor);
    for (int row = 0; row < rows; row++) {
        const OptionDescriptor* option = &App.info->options[row];
        if (!option->key)
            continue;
        if (KindOf(option) == ROW_CHECK)
            values[row] =
                App.kelvor.GetCFGBool(option->key, option->defaultValue ? -1 : 0, &cursor) ? 1 : 0;
        else
            values[row] = App.kelvor.GetCFGInt(option->key, option->defaultValue, &cursor);
    }
    App.kelvor.CloseCFGr(&cursor);
}

// The values of the rows the user changed, and the shortcut when it changed, in one save: all
// of them are stored or none. false, with the last error set, when they could not be.
bool StoreChanges(const int* values, const OptionsDialog* state, bool hotkeyChanged, WORD hotkey)
{
    if (!App.kelvor.OpenCFGw)
        return true;
    ConfigCursor cursor;
    App.kelvor.OpenCFGw(App.configPath, &cursor);
    if (App.info && App.info->name) {
        App.kelvor.FindSection(App.info->name, 1, &cursor);
        for (int row = 0; row < state->rows; row++)
            if (App.info->options[row].key && values[row] != state->shown[row])
                App.kelvor.SetCFGInt(App.info->options[row].key, values[row], &cursor);
    }
    if (hotkeyChanged) {
        App.kelvor.FindSection(HostSection, 1, &cursor);
        App.kelvor.SetCFGInt(HotkeyKey, hotkey, &cursor);
    }
    return App.kelvor.CloseCFGw(App.configPath, 0, &cursor) != FALSE;
}

void ShowSliderValue(HWND dialog, int row)
{
    char text[16];
    int value = (int)SendDlgItemMessageA(dialog, IDC_FIELD + row, TBM_GETPOS, 0, 0);
    _snprintf(text, sizeof text, "%d %%", value);
    text[sizeof text - 1] = '\0';
    SetDlgItemTextA(dialog, IDC_SLIDERVALUE + row, text);
}

// Shows the stored values and notes what each field shows: the slider keeps to its range.
void ShowValues(HWND dialog, OptionsDialog* state)
{
    int rows = state->rows;
    int* values = state->shown;
    ReadStoredValues(values, rows);
    for (int row = 0; row < rows; row++) {
        const OptionDescriptor* option = &App.info->options[row];
        HWND field = GetDlgItem(dialog, IDC_FIELD + row);
        switch (KindOf(option)) {
        case ROW_CHECK:
            CheckDlgButton(dialog, IDC_FIELD + row, values[row] ? BST_CHECKED : BST_UNCHECKED);
            break;
        case ROW_SLIDER:
            SendMessageA(field, TBM_SETRANGEMIN, FALSE, 0);
            SendMessageA(field, TBM_SETRANGEMAX, FALSE, option->maximum);
            SendMessageA(field, TBM_SETTICFREQ, 10, 0);
            SendMessageA(field, TBM_SETLINESIZE, 0, 1);
            SendMessageA(field, TBM_SETPAGESIZE, 0, 10);
            SendMessageA(field, TBM_SETPOS, TRUE, values[row]);
            values[row] = (int)SendMessageA(field, TBM_GETPOS, 0, 0);
            ShowSliderValue(dialog, row);
            break;
        case ROW_BOUNDED: {
            HWND spin = GetDlgItem(dialog, IDC_SPIN + row);
            SendMessageA(spin, UDM_SETBUDDY, (WPARAM)field, 0);
            SendMessageA(spin, UDM_SETRANGE32, option->minimum, option->maximum);
            SendMessageA(spin, UDM_SETPOS32, 0, values[row]);
            SendMessageA(field, EM_LIMITTEXT, NumberTextMax, 0);
            // What is stored, even outside the limits (the up-down would have moved it inside
            // them): the user sees the value, and OK says what is wrong with it.
            SetDlgItemInt(dialog, IDC_FIELD + row, values[row], TRUE);
            break;
        }
        case ROW_NUMBER:
            SendMessageA(field, EM_LIMITTEXT, NumberTextMax, 0);
            SetDlgItemInt(dialog, IDC_FIELD + row, values[row], TRUE);
            break;
        }
    }
}

// Refuses a row's value: says why, then puts the caret in the field with its text selected.
void Refuse(HWND dialog, int row)
{
    const OptionDescriptor* option = &App.info->options[row];
    const char* caption = option->caption ? option->caption : "";
    char message[CaptionMax + 96];
    RowLimits limits = LimitsOf(option);
    if (limits.bounded)
        _snprintf(message, sizeof message, "%.*s must be a whole number from %d to %d.",
                  CaptionMax, caption, limits.minimum, limits.maximum);
    else
        _snprintf(message, sizeof message, "%.*s must be a whole number.", CaptionMax, caption);
    message[sizeof message - 1] = '\0';
    MessageBoxA(dialog, message, DialogTitle, MB_OK | MB_ICONEXCLAMATION);
    HWND field = GetDlgItem(dialog, IDC_FIELD + row);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)field, TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// The value the user set in a row; false when it was refused.
bool ReadRow(HWND dialog, int row, int* value)
{
    const OptionDescriptor* option = &App.info->options[row];
    HWND field = GetDlgItem(dialog, IDC_FIELD + row);
    switch (KindOf(option)) {
    case ROW_CHECK:
        *value = IsDlgButtonChecked(dialog, IDC_FIELD + row) == BST_CHECKED ? 1 : 0;
        return true;
    case ROW_SLIDER:
        *value = (int)SendMessageA(field, TBM_GETPOS, 0, 0);
        return true;
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
    RowLimits limits = LimitsOf(option);
    if (read && limits.bounded)
        read = *value >= limits.minimum && *value <= limits.maximum;
    if (!read)
        Refuse(dialog, row);
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
    MessageBoxA(dialog, message, DialogTitle, MB_OK | MB_ICONERROR);
}

// OK: nothing is stored unless every value is acceptable and the shortcut could be registered.
// Only what the user changed is stored: a value the bar reads in its own way where none is
// stored stays unstored.
void Accept(HWND dialog, const OptionsDialog* state)
{
    int values[MaxRows];
    for (int row = 0; row < state->rows; row++)
        if (!ReadRow(dialog, row, &values[row]))
            return;
    WORD hotkey = (WORD)SendDlgItemMessageA(dialog, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0);
    if (!LOBYTE(hotkey))
        hotkey = 0;
    bool hotkeyChanged = hotkey != App.hotkey;
    if (hotkeyChanged && !SetHotkey(hotkey)) {
        char name[64];
        char message[128];
        HotkeyText(hotkey, name, sizeof name);
        _snprintf(message, sizeof message,
                  "The shortcut %s is already in use by another program.", name);
        message[sizeof message - 1] = '\0';
        MessageBoxA(dialog, message, DialogTitle, MB_OK | MB_ICONEXCLAMATION);
        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_HOTKEY), TRUE);
        return;
    }
    // A shortcut that could not be registered at start stays stored until the user changes it.
    WORD previousHotkey = App.hotkey;
    if (!StoreChanges(values, state, hotkeyChanged, hotkey)) {
        DWORD error = GetLastError();
        if (hotkeyChanged)
            SetHotkey(previousHotkey);
        ReportFailedSave(dialog, error);
        return;
    }
    bool startup = IsDlgButtonChecked(dialog, IDC_STARTUP) == BST_CHECKED;
    if (startup != state->startsWithWindows && !SetStartWithWindows(startup) && !App.dryRun)
        MessageBoxA(dialog,
                    startup ? "OrvelCmd could not be set to start with Windows."
                            : "OrvelCmd could not be kept from starting with Windows.",
                    DialogTitle, MB_OK | MB_ICONEXCLAMATION);
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
    HWND hotkeyControl = GetDlgItem(dialog, IDC_HOTKEY);
    // A key alone, or with Shift alone, would take that key from every program: such a choice
    // becomes Ctrl+Alt and the key.
    SendMessageA(hotkeyControl, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                 MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    SendMessageA(hotkeyControl, HKM_SETHOTKEY, App.hotkey, 0);
    CheckDlgButton(dialog, IDC_STARTUP, state->startsWithWindows ? BST_CHECKED : BST_UNCHECKED);
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
        int row = GetDlgCtrlID((HWND)lParam) - IDC_FIELD;
        if (state && lParam && row >= 0 && row < state->rows)
            ShowSliderValue(dialog, row);
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

bool ShowOptionsDialog(HWND owner)
{
    if (App.optionsDialog) {
        SetForegroundWindow(App.optionsDialog);
        return false;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_UPDOWN_CLASS | ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    OptionsDialog state;
    state.rows = RowCount();
    state.startsWithWindows = StartsWithWindows();

    Template measure = {};
    BuildTemplate(&measure, state.rows);
    BYTE* data = (BYTE*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, measure.used);
    if (!data)
        return false;
    Template t = {};
    t.data = data;
    t.capacity = measure.used;
    BuildTemplate(&t, state.rows);
    INT_PTR result = DialogBoxIndirectParamA(App.instance ? App.instance : GetModuleHandleA(NULL),
                                             (LPCDLGTEMPLATEA)data, owner, OptionsDialogProc,
                                             (LPARAM)&state);
    HeapFree(GetProcessHeap(), 0, data);
    App.optionsDialog = NULL;
    return result == IDOK;
}

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
