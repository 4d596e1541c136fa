// Painting in the stand-in's USER layer: the update area of each window, WM_PAINT and the
// calls that validate it, and window regions.

#include <algorithm>

#include "platform/headless/user_internal.h"

namespace headless {

void invalidateClient(Wnd& w, bool erase) {
    w.update = RECT{0, 0, width(w.clientRect), height(w.clientRect)};
    w.hasUpdate = width(w.update) > 0 && height(w.update) > 0;
    w.erase = w.hasUpdate && erase;
    if (w.hasUpdate) bump();
}

void expose(HWND h) {
    Wnd* w = find(h);
    if (!w || !(w->style & WS_VISIBLE) || width(w->windowRect) <= 0 || height(w->windowRect) <= 0) return;
    invalidateClient(*w, true);
    deliver(h, WM_NCPAINT, 1, 0);
    if ((w = find(h)) && w->erase) {
        HDC dc = GetDC(h);
        deliver(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(h, dc);
        if ((w = find(h))) w->erase = false;  // asked once, whatever the answer
    }
    if (!(w = find(h))) return;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) expose(child);
}

Wnd* windowNeedingPaint(HWND filter) {
    for (auto& entry : state().windows) {
        Wnd& w = *entry.second;
        if (w.hasUpdate && visibleTree(&w) && passesFilter(filter, w.handle)) return &w;
    }
    return nullptr;
}

}  // namespace headless

using namespace headless;

BOOL UpdateWindow(HWND h) {
    Wnd* w = find(h);
    if (!w) return FALSE;
    if (w->hasUpdate && visibleTree(w)) deliver(h, WM_PAINT, 0, 0);
    if (!(w = find(h))) return TRUE;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) UpdateWindow(child);
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT* rect, BOOL erase) {
    UserState& s = state();
    if (!h) {
        for (auto& entry : s.windows) invalidateClient(*entry.second, erase);
        return TRUE;
    }
    Wnd* w = find(h);
    if (!w) return FALSE;
    RECT area{0, 0, width(w->clientRect), height(w->clientRect)};
    if (rect) {
        area.left = std::max(area.left, rect->left);
        area.top = std::max(area.top, rect->top);
        area.right = std::min(area.right, rect->right);
        area.bottom = std::min(area.bottom, rect->bottom);
    }
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    if (w->hasUpdate) {
        area.left = std::min(area.left, w->update.left);
        area.top = std::min(area.top, w->update.top);
        area.right = std::max(area.right, w->update.right);
        area.bottom = std::max(area.bottom, w->update.bottom);
    }
    w->update = area;
    w->hasUpdate = true;
    w->erase = w->erase || erase;
    bump();
    return TRUE;
}

BOOL ValidateRect(HWND h, const RECT* rect) {
    Wnd* w = find(h);
    if (!w) return h ? FALSE : TRUE;
    // The update area is kept as one rectangle: it is gone only when the rectangle covers it.
    if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top && rect->right >= w->update.right &&
                  rect->bottom >= w->update.bottom))
        w->hasUpdate = w->erase = false;
    return TRUE;
}

HDC BeginPaint(HWND h, LPPAINTSTRUCT paint) {
    Wnd* w = find(h);
    if (!w || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    const bool erase = w->erase;
    paint->rcPaint = w->hasUpdate ? w->update : RECT{};
    w->hasUpdate = w->erase = false;
    paint->hdc = GetDC(h);
    if (erase) paint->fErase = deliver(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) ? FALSE : TRUE;
    return paint->hdc;
}

BOOL GetUpdateRect(HWND h, LPRECT rect, BOOL erase) {
    Wnd* w = find(h);
    if (!w) return FALSE;
    if (erase && w->hasUpdate && w->erase) {
        HDC dc = GetDC(h);
        deliver(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(h, dc);
        if (!(w = find(h))) return FALSE;
        w->erase = false;
    }
    if (rect) *rect = w->hasUpdate ? w->update : RECT{};
    return w->hasUpdate ? TRUE : FALSE;
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) ReleaseDC(h, paint->hdc);
    return TRUE;
}

int SetWindowRgn(HWND h, HRGN region, BOOL redraw) {
    Wnd* w = find(h);
    if (!w || (region && !findObject(region, ObjectKind::Region))) return 0;
    // With redraw, the client area that the new shape covers and the old one did not needs
    // painting; what the shape gives up is left to the windows beneath. In window coordinates,
    // and worked out only when it is painted:
    const RECT whole{0, 0, width(w->windowRect), height(w->windowRect)};
    const POINT client{w->clientRect.left - w->windowRect.left, w->clientRect.top - w->windowRect.top};
    const RECT clientArea{client.x, client.y, client.x + width(w->clientRect), client.y + height(w->clientRect)};
    RECT gained = redraw ? newlyCovered(w->region, region, whole, clientArea) : RECT{0, 0, 0, 0};
    // The window owns the region from now on and deletes the one it had.
    const HRGN previous = w->region;
    w->region = region;
    if (previous && previous != region) removeObject(previous);
    WINDOWPOS pos = positionRecord(h, kKeepPlace | SWP_NOACTIVATE | SWP_FRAMECHANGED | (redraw ? 0 : SWP_NOREDRAW));
    deliver(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    // The frame is recalculated (it stays as it was, and so does the client area).
    if ((w = find(h))) {
        NCCALCSIZE_PARAMS sizes{{w->windowRect, w->windowRect, w->clientRect}, &pos};
        deliver(h, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&sizes));
    }
    if ((w = find(h)) && redraw && visibleTree(w)) {
        deliver(h, WM_NCPAINT, 1, 0);
        gained = RECT{gained.left - client.x, gained.top - client.y, gained.right - client.x, gained.bottom - client.y};
        if (width(gained) > 0 && height(gained) > 0) InvalidateRect(h, &gained, TRUE);
    }
    deliver(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return 1;
}
