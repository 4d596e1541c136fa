#include "ui/window_map.h"

#include "ui/window.h"

namespace td {
namespace {

// Constant-initialised, so it reads 200 even for classes registered during static set-up.
uint32_t nextClassNumber = 200;

}  // namespace

WindowMap& windowMap() {
    static WindowMap map;
    return map;
}

std::string registerWindowClass(const std::string& name, UINT classStyle) {
    const std::string className = name.empty() ? std::to_string(nextClassNumber++) : name;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = classStyle;
    wc.lpfnWndProc = ClassWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszClassName = className.c_str();
    RegisterClassExA(&wc);
    return className;
}

HWND createWindowObject(Window* object, std::string className, const std::string& windowName, DWORD style,
                        DWORD exStyle, int x, int y, int width, int height, HWND parent, UINT classStyle) {
    if (className.empty()) className = registerWindowClass(std::string(), classStyle);
    const HWND hwnd = CreateWindowExA(exStyle, className.c_str(), windowName.c_str(), style, x, y, width, height,
                                      parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd && object) windowMap().emplace(hwnd, object);
    return hwnd;
}

void unbindWindow(const Window* object) {
    WindowMap& map = windowMap();
    for (auto it = map.begin(); it != map.end();) it = it->second == object ? map.erase(it) : std::next(it);
}

LRESULT CALLBACK ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowMap& map = windowMap();
    const auto it = map.find(hwnd);
    Window* object = it != map.end() ? it->second : nullptr;
    const LRESULT result = object ? object->RouteMessage(hwnd, message, wParam, lParam)
                                  : DefDlgProcA(hwnd, message, wParam, lParam);
    if (message == WM_DESTROY) windowMap().erase(hwnd);
    return result;
}

}  // namespace td
