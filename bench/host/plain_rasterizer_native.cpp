// The plain rasterizer built with -march=native (bench/CMakeLists.txt), under its own entry name;
// its class lives in an anonymous namespace, so the two builds of it do not meet at link time.
#define PLAIN_ENTRY plainNativeClearAndRender
#include "plain_rasterizer.cpp"
