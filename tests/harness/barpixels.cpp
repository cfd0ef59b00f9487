#include "barpixels.h"
#include "testhost.h"
#include <stdio.h>

namespace {
Picture FromDib(HDC dc, HBITMAP bitmap, int width, int height)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    std::vector<DWORD> bits(width * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (!GetDIBits(dc, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS))
        return Picture();
    for (DWORD bgr : bits)
        picture.pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    return picture;
}
}  // namespace

Picture CaptureClient(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0)
        return Picture();
    HDC windowDC = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDC);
    HBITMAP copy = CreateCompatibleBitmap(windowDC, width, height);
    HGDIOBJ previous = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    Picture picture = FromDib(memory, copy, width, height);
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(window, windowDC);
    return picture;
}

Picture BitmapPicture(HBITMAP bitmap)
{
    BITMAP shape = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof shape, &shape))
        return Picture();
    HDC screen = GetDC(NULL);
    Picture picture = FromDib(screen, bitmap, shape.bmWidth, shape.bmHeight);
    ReleaseDC(NULL, screen);
    return picture;
}

Picture ResourceBitmap(HMODULE module, int id)
{
    HBITMAP bitmap =
        (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0);
    Picture picture = BitmapPicture(bitmap);
    if (bitmap)
        DeleteObject(bitmap);
    return picture;
}

Picture ExpectedBar(int width, int height, const Picture* button, int buttonTop, int buttonLeft)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(width * height, GetSysColor(COLOR_BTNFACE));
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    for (int x = 0; x < width; x++) {
        picture.pixels[x] = light;
        picture.pixels[(height - 1) * width + x] = dark;
    }
    for (int y = 0; y < height; y++) {
        picture.pixels[y * width] = light;
        picture.pixels[y * width + width - 1] = dark;
    }
    if (button)
        for (int y = 0; y < button->height; y++)
            for (int x = 0; x < button->width; x++)
                if (buttonLeft + x < width && buttonTop + y >= 0 && buttonTop + y < height)
                    picture.pixels[(buttonTop + y) * width + buttonLeft + x] = button->at(x, y);
    return picture;
}

std::string PictureDifference(const Picture& got, const Picture& expected, const RECT& skip)
{
    char text[160];
    if (got.width != expected.width || got.height != expected.height) {
        snprintf(text, sizeof text, "picture is %dx%d, expected %dx%d", got.width, got.height,
                 expected.width, expected.height);
        return text;
    }
    for (int y = 0; y < got.height; y++)
        for (int x = 0; x < got.width; x++) {
            bool corner = (x == 0 || x == got.width - 1) && (y == 0 || y == got.height - 1);
            POINT point = {x, y};
            if (corner || PtInRect(&skip, point) || got.at(x, y) == expected.at(x, y))
                continue;
            snprintf(text, sizeof text, "pixel (%d, %d) is %06lx, expected %06lx", x, y,
                     (unsigned long)got.at(x, y), (unsigned long)expected.at(x, y));
            return text;
        }
    return "";
}

RECT ChildRect(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, GetParent(child), (POINT*)&rect, 2);
    return rect;
}

RECT BarRect()
{
    RECT rect = {};
    GetWindowRect(BarWindow(), &rect);
    return rect;
}

int BarWidth(HWND bar)
{
    RECT rect = {};
    GetWindowRect(bar, &rect);
    return rect.right - rect.left;
}
