// Reading back what the bar shows: its client area from the screen, a bitmap's pixels, and the
// picture the bar should show (face, one-pixel raised frame, the button image at its place).
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // rows top to bottom
    COLORREF at(int x, int y) const { return pixels[y * width + x]; }
};

// The client area as it is on the screen now (through the window's own DC).
Picture CaptureClient(HWND window);
// The pixels of a bitmap, converted to the screen's colours.
Picture BitmapPicture(HBITMAP bitmap);
// A bitmap resource of a loaded module, e.g. the button images 100, 101, 102.
Picture ResourceBitmap(HMODULE module, int id);

// What the bar paints: COLOR_BTNFACE everywhere, the top and left edge in COLOR_BTNHIGHLIGHT, the
// bottom and right edge in COLOR_BTNSHADOW (the four corner pixels are left open), and, when
// given, the button image at (buttonLeft, buttonTop).
Picture ExpectedBar(int width, int height, const Picture* button, int buttonTop,
                    int buttonLeft = 5);

// "" when got equals expected outside the rectangle skip (in client coordinates, may be empty),
// otherwise a description of the first pixel that differs. Corner pixels are not compared.
std::string PictureDifference(const Picture& got, const Picture& expected, const RECT& skip);
// The child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
// The bar's window rectangle on the screen; empty when there is no bar.
RECT BarRect();
// The width of a bar, of this process's or another's.
int BarWidth(HWND bar);
