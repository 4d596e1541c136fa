#pragma once
// What the program's window should show, predicted by the program's own viewer in this process:
// a viewer that is set up as the program sets it up but never shown, fed the same mouse messages
// through its window procedure and stepped by timer ticks until it stops its timer.

#include <cstdint>
#include <vector>

#include "tools/check/screen_image.h"
#include "ui/viewer_window.h"

namespace td::check {

// One frame as the window shows it, in window coordinates (0, 0 the window's top-left corner).
struct PredictedFrame {
    Image client;                // the presented picture, whose (0, 0) lies at the client origin
    POINT clientOffset{0, 0};    // the client origin within the window
    std::vector<uint8_t> shape;  // 1 where the window's region covers, row by row over the window
    int windowWidth = 0;
    int windowHeight = 0;

    bool covers(int x, int y) const {
        return x >= 0 && y >= 0 && x < windowWidth && y < windowHeight &&
               shape[size_t(y) * size_t(windowWidth) + size_t(x)] != 0;
    }
};

class ViewerPrediction {
public:
    // Sets up the hidden viewer and lets its first tick run, as the shown program's does.
    ViewerPrediction();

    // False on a display without 32-bit compatible bitmaps, where the viewer draws nothing.
    bool draws() const;

    // Mouse messages at client coordinates, handled as the program's window handles them.
    void press(POINT client);
    void move(POINT client);
    void release(POINT client);
    // Timer ticks until the viewer stops its timer (at most `limit`); the number of ticks.
    int spinOut(int limit = 100000);

    PredictedFrame frame() const;
    double angleX() const { return viewer_.angleX; }
    double angleY() const { return viewer_.angleY; }

private:
    void send(UINT message, POINT client);

    ViewerWindow viewer_;
};

}  // namespace td::check
