// The shortcut that brings the bar to the front: one system-wide hot key of the host window.
#include "hostapp.h"
#include <commctrl.h>
#include <stdio.h>

namespace {

const int HotkeyId = 1;

// The hot-key control's modifier bits are not RegisterHotKey's: Shift and Alt trade places.
UINT Modifiers(WORD hotkey)
{
    BYTE flags = HIBYTE(hotkey);
    UINT modifiers = 0;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

bool Register(WORD hotkey)
{
    return RegisterHotKey(App.window, HotkeyId, Modifiers(hotkey), LOBYTE(hotkey)) != FALSE;
}

}  // namespace

bool SetHotkey(WORD hotkey)
{
    if (!LOBYTE(hotkey))
        hotkey = 0;   // modifiers without a key are no shortcut
    if (hotkey == App.hotkey)
        return true;
    // One id for the one shortcut: the old one goes first, or the new one could not take its id.
    if (App.hotkey)
        UnregisterHotKey(App.window, HotkeyId);
    if (hotkey && !Register(hotkey)) {
        // Taken by another program: keep the shortcut the user had. Should that one have been
        // taken in the moment between, nothing is registered any more and App says so.
        if (App.hotkey && !Register(App.hotkey))
            App.hotkey = 0;
        return false;
    }
    App.hotkey = hotkey;
    return true;
}

void HotkeyText(WORD hotkey, char* text, int size)
{
    if (size <= 0)
        return;
    text[0] = '\0';
    BYTE key = LOBYTE(hotkey);
    BYTE flags = HIBYTE(hotkey);
    if (!key)
        return;
    // The keyboard's own name for the key, so that it reads as the user's keyboard labels it;
    // the extended bit tells the arrow and editing keys from their numeric-pad twins.
    char keyName[64];
    LONG scanCode = (LONG)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    LONG keyData = (scanCode << 16) | ((flags & HOTKEYF_EXT) ? 1L << 24 : 0);
    if (!scanCode || GetKeyNameTextA(keyData, keyName, sizeof keyName) <= 0)
        _snprintf(keyName, sizeof keyName, "Key %u", (unsigned)key);
    keyName[sizeof keyName - 1] = '\0';
    _snprintf(text, size, "%s%s%s%s", (flags & HOTKEYF_CONTROL) ? "Ctrl+" : "",
              (flags & HOTKEYF_SHIFT) ? "Shift+" : "", (flags & HOTKEYF_ALT) ? "Alt+" : "",
              keyName);
    text[size - 1] = '\0';
}
