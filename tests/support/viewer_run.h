#pragma once
// The whole program run in-process on the host: its entry point, the viewer it made, and the
// outline that viewer should give its window.

#include <gtest/gtest.h>

#include "platform/headless/inspect.h"
#include "platform/headless/inspect_user.h"
#include "support/program_frame.h"
#include "ui/viewer_window.h"
#include "ui/window_map.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace td {

inline int runProgram() {
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}

// The program's viewer, found through the window map; null while no viewer has a window.
inline ViewerWindow* findViewer() {
    for (const auto& entry : windowMap())
        if (auto* viewer = dynamic_cast<ViewerWindow*>(entry.second)) return viewer;
    return nullptr;
}

// The silhouette of the model at the viewer's angles, drawn afresh, moved by (3, 3).
inline HRGN expectedRegion(const ViewerWindow& viewer) {
    Surface surface;
    HRGN region = nullptr;
    EXPECT_TRUE(drawViewerFrame(surface, embeddedScene(), viewer.angleX, viewer.angleY, &region));
    OffsetRgn(region, 3, 3);
    return region;
}

// After a run: no window is left, and no GDI object but the two window classes' background
// brushes, which are never released.
inline void expectNothingLeftBehind(const headless::GdiCounts& before) {
    EXPECT_EQ(headless::liveWindowCount(), 0u);
    const headless::GdiCounts after = headless::liveGdiObjects();
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.dcs, before.dcs);
    EXPECT_EQ(after.regions, before.regions);
    EXPECT_EQ(after.brushes, before.brushes + 2);
}

}  // namespace td
