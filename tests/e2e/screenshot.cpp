// Takes the README's picture of the main window after a real scan:
// HKEY_CURRENT_USER since yesterday, then the window captured as a BMP.
// Usage: quillmere_screenshot.exe <output.bmp>
#include "driver.h"
#include "resources/resource.h"
#include <cstdio>

static bool SaveWindowBitmap(HWND window, const char* file)
{
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD stride = (width * 3 + 3) & ~3u, size = stride * height;
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + size;
    FILE* out = fopen(file, "wb");
    bool ok = out && fwrite(&fileHeader, sizeof fileHeader, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1
           && fwrite(bits, size, 1, out) == 1;
    if (out)
        fclose(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    CreateKeyPath(HKEY_CURRENT_USER, "Software\\QuillmereTest\\Screenshot\\Example");
    RunningApp app = Launch();
    if (!app.window)
        return 1;
    Click(Control(app, IDC_HIVE_HKCU));
    MoveFromBackOneDay(app);
    Click(Control(app, IDC_START));
    bool scanned = WaitScanned(app);
    HWND list = Control(app, IDC_RESULTS);
    ClickAt({RowRect(app, list, 2).left + 60, (RowRect(app, list, 2).top + RowRect(app, list, 2).bottom) / 2});
    Sleep(500);
    bool saved = scanned && SaveWindowBitmap(app.window, argv[1]);
    PressKey(VK_F4, false, true);
    WaitExit(app, 5000);
    Kill(app);
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\QuillmereTest");
    return saved ? 0 : 1;
}
