// Fuzzes the four triangle fills: arbitrary coordinates over the whole int32 range, colours,
// depths, texture coordinates and intensities (NaN and infinities included), and small textures
// of arbitrary size and contents (their size need not even match their array), drawn into a small
// surface whose pixels and depths start with arbitrary contents.
//
// After every call the fill must have kept to its payload: the guard cells of the pixel and depth
// arrays are still zero and their blocks were not replaced by a repair, the fourth byte of every
// pixel is as before, the texture is untouched, and no depth value went down. ASan watches the
// memory around each block. A depth-tested fill changes a pixel only where it also raised that
// pixel's depth; the other fills leave the depths alone. Triangles lying wholly above or below
// the surface, textured fills without a texture and depth fills at NaN depths change nothing.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "platform/win32.h"
#include "render/surface.h"
#include "render/texture.h"

namespace {

using td::ByteArray;
using td::Surface;
using td::Texture;

constexpr int32_t kMaxSurfaceSide = 64;
constexpr int32_t kMaxTextureSide = 16;
constexpr int kMaxCalls = 8;

void check(bool condition) {
    if (!condition) std::abort();
}

// Mostly coordinates near the surface, where the walk draws; otherwise anything at all.
int32_t coordinate(FuzzedDataProvider& in, int32_t side) {
    if (in.ConsumeIntegralInRange<uint8_t>(0, 3) != 0) return in.ConsumeIntegralInRange<int32_t>(-16, side + 16);
    return in.ConsumeIntegral<int32_t>();
}

// Mostly small values; otherwise special values or arbitrary bit patterns.
double anyDouble(FuzzedDataProvider& in) {
    static const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      -0.0,
                                      std::numeric_limits<double>::max(),
                                      -std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::denorm_min(),
                                      9007199254740992.0,  // 2^53
                                      -1000000.0,          // the cleared depth
                                      1.0005,
                                      -1.0};
    switch (in.ConsumeIntegralInRange<uint8_t>(0, 3)) {
        case 0:
        case 1:
            return in.ConsumeFloatingPointInRange<double>(-4.0, 4.0);
        case 2:
            return kSpecial[in.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
        default: {
            const uint64_t bits = in.ConsumeIntegral<uint64_t>();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
    }
}

void fillBytes(FuzzedDataProvider& in, uint8_t* out, size_t count) {
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(count);
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
}

// A texture of arbitrary small size with arbitrary texels, or sometimes with a bitmap missing or
// an array that does not match its size.
struct FuzzTexture {
    Texture texture;

    FuzzTexture(FuzzedDataProvider& in, HBITMAP bitmap) {
        texture.width = in.ConsumeIntegralInRange<int32_t>(-1, kMaxTextureSide);
        texture.height = in.ConsumeIntegralInRange<int32_t>(-1, kMaxTextureSide);
        uint32_t count = uint32_t(std::max(texture.width, 0)) * uint32_t(std::max(texture.height, 0)) * 4;
        if (in.ConsumeIntegralInRange<uint8_t>(0, 7) == 0) count = in.ConsumeIntegralInRange<uint32_t>(0, 64);
        texture.pixels = std::make_unique<ByteArray>(count);
        if (uint8_t* p = texture.pixels->payload()) fillBytes(in, p, count);
        texture.bitmap = in.ConsumeIntegralInRange<uint8_t>(0, 15) != 0 ? bitmap : nullptr;
    }
};

// A copy of a guarded array's whole block, guard cells included.
template <typename T>
std::vector<T> blockOf(td::GuardedArray<T>& array) {
    if (!array.hasBlock()) return {};
    const T* block = array.rawBlock();
    return std::vector<T>(block, block + array.count() + 2);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What one fill call must not break, taken before it.
struct Snapshot {
    const uint8_t* pixelBlock;
    std::vector<uint8_t> pixels;
    const double* depthBlock;
    std::vector<double> depths;
};

Snapshot take(Surface& s) {
    Snapshot shot{s.pixels->rawBlock(), blockOf(*s.pixels), nullptr, {}};
    if (s.depth) {
        shot.depthBlock = s.depth->values->rawBlock();
        shot.depths = blockOf(*s.depth->values);
    }
    return shot;
}

// The checks of the header comment. `depthTested`: the call went through putPixelDepth.
// `unchanged`: the call must not have changed anything.
void verify(Surface& s, const Snapshot& before, bool depthTested, bool unchanged) {
    check(s.pixels->rawBlock() == before.pixelBlock);
    const std::vector<uint8_t> pixels = blockOf(*s.pixels);
    const size_t bytes = pixels.size() - 2;
    check(pixels.front() == 0 && pixels.back() == 0);
    for (size_t i = 4; i <= bytes; i += 4) check(pixels[i] == before.pixels[i]);  // byte 3, after the guard
    // Without a depth buffer a depth-tested write draws nothing.
    if (unchanged || (depthTested && !s.depth)) check(pixels == before.pixels);
    if (!s.depth) return;

    check(s.depth->values->rawBlock() == before.depthBlock);
    const std::vector<double> depths = blockOf(*s.depth->values);
    check(sameBits(depths.front(), 0.0) && sameBits(depths.back(), 0.0));
    for (size_t k = 1; k + 1 < depths.size(); ++k) {
        const bool same = sameBits(depths[k], before.depths[k]);
        check(same || (depthTested && depths[k] > before.depths[k]));
        if (same && depthTested) {
            // Pixel (x, y) of depth element y * width + x lies bottom row first in the pixels.
            const size_t x = (k - 1) % size_t(s.width), y = (k - 1) / size_t(s.width);
            const size_t offset = 1 + s.pixelOffset(int32_t(x), int32_t(y));
            check(std::memcmp(&pixels[offset], &before.pixels[offset], 4) == 0);
        }
    }
}

HBITMAP textureBitmap() {
    static const HBITMAP bitmap = [] {
        HDC screen = GetDC(nullptr);
        const HBITMAP b = CreateCompatibleBitmap(screen, 1, 1);
        ReleaseDC(nullptr, screen);
        check(b != nullptr);
        return b;
    }();
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(1, kMaxSurfaceSide);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(1, kMaxSurfaceSide);
    Surface surface;
    check(surface.create(width, height, in.ConsumeIntegralInRange<uint8_t>(0, 7) != 0));
    fillBytes(in, surface.pixels->payload(), surface.pixels->count());
    if (surface.depth) {
        const uint32_t count = surface.depth->values->count();
        for (uint32_t k = 0, n = in.ConsumeIntegralInRange<uint32_t>(0, count); k < n; ++k)
            surface.depth->values->set(in.ConsumeIntegralInRange<uint32_t>(0, count - 1), anyDouble(in));
    }
    FuzzTexture texture(in, textureBitmap());
    const std::vector<uint8_t> textureBlock = blockOf(*texture.texture.pixels);

    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call) {
        const uint8_t op = in.ConsumeIntegralInRange<uint8_t>(0, 3);
        int32_t x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = coordinate(in, width);
            y[k] = coordinate(in, height);
        }
        const bool outside = (y[0] < 0 && y[1] < 0 && y[2] < 0) ||
                             (y[0] >= height && y[1] >= height && y[2] >= height);
        double z[3];
        for (double& d : z) d = anyDouble(in);
        const bool nanDepth = std::isnan(z[0]) && std::isnan(z[1]) && std::isnan(z[2]);

        const Snapshot before = take(surface);
        if (op < 2) {
            uint32_t c[3];
            for (uint32_t& colour : c) colour = in.ConsumeIntegral<uint32_t>();
            if (op == 0) {
                surface.fillTriangleShaded(x[0], y[0], x[1], y[1], x[2], y[2], c[0], c[1], c[2]);
            } else {
                surface.fillTriangleShadedDepth(x[0], y[0], x[1], y[1], x[2], y[2], c[0], c[1], c[2], z[0], z[1],
                                                z[2]);
            }
            verify(surface, before, op == 1, outside || (op == 1 && nanDepth));
        } else {
            double uv[6], intensity[3];
            for (double& d : uv) d = anyDouble(in);
            for (double& d : intensity) d = anyDouble(in);
            const Texture* t = in.ConsumeIntegralInRange<uint8_t>(0, 15) != 0 ? &texture.texture : nullptr;
            if (op == 2) {
                surface.fillTriangleTextured(x[0], y[0], x[1], y[1], x[2], y[2], uv[0], uv[1], uv[2], uv[3], uv[4],
                                             uv[5], intensity[0], intensity[1], intensity[2], t);
            } else {
                surface.fillTriangleTexturedDepth(x[0], y[0], x[1], y[1], x[2], y[2], uv[0], uv[1], uv[2], uv[3],
                                                  uv[4], uv[5], intensity[0], intensity[1], intensity[2], t, z[0],
                                                  z[1], z[2]);
            }
            verify(surface, before, op == 3, outside || !t || (op == 3 && nanDepth));
        }
        check(blockOf(*texture.texture.pixels) == textureBlock);
    }
    return 0;
}
