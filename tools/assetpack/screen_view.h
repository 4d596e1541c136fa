#pragma once
// Where the program shows a model: its camera and window, and the pixels a scene covers there.
//
// The projection is the program's own (Renderer with Matrix4::perspective); the window size and
// camera distance are those the viewer sets up, and a host test renders a packed model with the
// viewer's frame code to hold the two together.

#include <string>

#include "asset/scene.h"

namespace td {

namespace view {
constexpr int kWindowSize = 400;          // the viewer's window and surface, square
constexpr double kCameraDistance = 10.0;  // perspective(10.0): the eye on the z axis
constexpr double kAssetUnit = 0.01f;      // scene units per asset unit, as the scene build applies it
}  // namespace view

struct ScreenExtent {
    bool any = false;  // whether any vertex a face uses lands in front of the camera
    // Pixels the vertices reach in the first frame, unturned (inclusive; may lie outside the window).
    int left = 0, top = 0, right = 0, bottom = 0;
    double reach = 0.0;     // scene units from the point the model turns about to its farthest vertex
    double turnedSpan = 0;  // pixels across of the sphere of that radius: the most it spans turned any way
    bool passesCamera = false;  // the reach takes vertices to or behind the eye
};

ScreenExtent screenExtent(const Scene& scene);

// Two or three lines: the first frame's size and place, the span when turned, and what is wrong
// when the model is tiny or leaves the window.
std::string describeScreen(const ScreenExtent& extent);

// The reach, in scene units, at which a model spans `share` of the window's width turned any way.
double reachForShare(double share);

}  // namespace td
