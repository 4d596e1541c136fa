// The golden frame against its checked-in picture. On a mismatch a diff picture (differing pixels
// red, the rest dimmed) is written beside the test binary; TD_REGENERATE_GOLDEN=1 rewrites the
// picture instead and prints the payload hash.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "unit/golden_frame.h"
#include "tools/snapshot/png_image.h"

namespace td {
namespace {

const std::string kGoldenPath = std::string(TD_SOURCE_DIR) + "/tests/golden/demo_frame.png";

TEST(GoldenFramePicture, MatchesTheCheckedInPicture) {
    const GoldenFrame frame = renderGoldenFrame();
    DeleteObject(frame.shape);
    ASSERT_TRUE(frame.ok);
    const png::Image actual{64, 64, demo::toRgba(*frame.surface, frame.transparent)};
    std::string error;

    const char* regenerate = std::getenv("TD_REGENERATE_GOLDEN");
    if (regenerate && std::string(regenerate) == "1") {
        ASSERT_TRUE(png::write(kGoldenPath, actual, error)) << error;
        std::cout << "golden payload hash 0x" << std::hex
                  << demo::fnv1a(frame.surface->pixels->intactPayload(), frame.surface->pixels->count()) << "\n";
        return;
    }

    png::Image expected;
    ASSERT_TRUE(png::read(kGoldenPath, expected, error)) << error;
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    png::Image diff = actual;
    size_t differing = 0;
    for (size_t i = 0; i < actual.rgba.size(); i += 4) {
        const bool same = std::equal(&actual.rgba[i], &actual.rgba[i] + 4, &expected.rgba[i]);
        differing += same ? 0 : 1;
        for (int c = 0; c < 3; ++c) diff.rgba[i + c] = same ? uint8_t(actual.rgba[i + c] / 4) : (c == 0 ? 255 : 0);
        diff.rgba[i + 3] = 255;
    }
    if (differing) {
        ASSERT_TRUE(png::write("demo_frame.diff.png", diff, error)) << error;
        ADD_FAILURE() << differing << " pixels differ from " << kGoldenPath << "; see demo_frame.diff.png";
    }
}

}  // namespace
}  // namespace td
