// Fuzzes the two passes that read a drawn surface: the window shape and the histogram
// equalisation, on arbitrary pixel contents and sizes up to 128 x 128.
//
// The shape must cover exactly the pixels whose 32-bit value differs from the key: the region's
// rectangles, as GetRegionData reports them, are painted into a mask that must equal the one
// taken straight from the pixels, each pixel covered once. The rectangles must be in the banded
// form GDI keeps, the box must bound them, a sample of points must hit-test as the mask says,
// and the viewer's offset by (3, 3) must move the box. The rectangle lists of shapeRuns with and
// without joined rows, and regions built from them with other leaf sizes, must give the same
// region. Sizes that are not positive, an array too short for the size or a damaged guard give
// no region. Every GDI object made is released again.
//
// The equalisation must leave the fourth byte of every pixel and the bytes past the last whole
// pixel alone, give the same result twice over, and map each channel through one non-decreasing
// table that sends the highest value present to 255.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/headless/inspect.h"
#include "platform/win32.h"
#include "render/histogram_equaliser.h"
#include "render/surface.h"
#include "ui/window_shape.h"

namespace {

using td::ByteArray;

// Larger pictures add no paths, and a checkerboard of 256 x 256 takes a second under the
// sanitizers, mostly in the region merges.
constexpr int32_t kMaxSide = 128;
constexpr uint32_t kViewerKey = 0xFF00;
constexpr int kHitSamples = 64;

void check(bool condition) {
    if (!condition) std::abort();
}

// The checks below are not what is being fuzzed; leaving them without coverage feedback keeps
// their loops from slowing every run down.
#define NOT_FUZZED __attribute__((no_sanitize("coverage")))

// One side of the picture: 0 or -1 now and then, otherwise 1 to kMaxSide with small sides far
// more likely than large ones, so that most runs are quick and the large ones still come.
int32_t side(FuzzedDataProvider& in) {
    const int32_t b = in.ConsumeIntegral<uint8_t>();
    if (b < 2) return -b;
    return 1 + (b - 2) * (b - 2) * (kMaxSide - 1) / (253 * 253);
}

uint32_t valueAt(const uint8_t* pixel) {
    return uint32_t{pixel[0]} | uint32_t{pixel[1]} << 8 | uint32_t{pixel[2]} << 16 | uint32_t{pixel[3]} << 24;
}

void storeValue(uint8_t* pixel, uint32_t value) {
    for (int i = 0; i < 4; ++i) pixel[i] = uint8_t(value >> (8 * i));
}

// The pixel values of the picture. Raw bytes give arbitrary colours, which are nearly all inside
// the shape; a pattern of bits picks between the key and values that differ from it in one byte
// only (the fourth byte included), which gives shapes with many runs. Short input repeats.
void paint(FuzzedDataProvider& in, uint8_t* pixels, size_t count, uint32_t key) {
    const bool raw = in.ConsumeBool();
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(raw ? count * 4 : (count + 3) / 4);
    if (bytes.empty()) return;
    if (raw) {
        for (size_t i = 0; i < count * 4; ++i) pixels[i] = bytes[i % bytes.size()];
        return;
    }
    const uint32_t near[3] = {key ^ 0x01000000u, key ^ 0x00000001u, key ^ 0x00FF0000u};
    for (size_t i = 0; i < count; ++i) {
        const unsigned bits = (bytes[(i / 4) % bytes.size()] >> (2 * (i % 4))) & 3u;
        storeValue(pixels + 4 * i, bits == 0 ? key : near[bits - 1]);
    }
}

NOT_FUZZED std::vector<RECT> rectanglesOf(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    check(size >= sizeof(RGNDATAHEADER));
    std::vector<uint8_t> data(size);
    check(GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) == size);
    RGNDATAHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    check(header.iType == RDH_RECTANGLES && header.dwSize == sizeof header);
    check(size >= sizeof header + size_t{header.nCount} * sizeof(RECT));
    std::vector<RECT> rects(header.nCount);
    if (!rects.empty()) std::memcpy(rects.data(), data.data() + sizeof header, rects.size() * sizeof(RECT));
    return rects;
}

// Sorted by top, then left; one band's rectangles share top and bottom and neither overlap nor
// touch; bands do not overlap, and touching bands differ in their columns.
NOT_FUZZED void checkBanded(const std::vector<RECT>& rects) {
    size_t band = 0, previousBand = 0;
    bool hasPrevious = false;
    for (size_t i = 0; i <= rects.size(); ++i) {
        if (i < rects.size()) {
            const RECT& r = rects[i];
            check(r.left < r.right && r.top < r.bottom);
            if (i == band) continue;
            if (r.top == rects[band].top) {
                check(r.bottom == rects[band].bottom && r.left > rects[i - 1].right);
                continue;
            }
        }
        // rects[band, i) is a complete band.
        if (hasPrevious) {
            const RECT& above = rects[previousBand];
            check(above.bottom <= rects[band].top);
            if (above.bottom == rects[band].top) {
                bool same = band - previousBand == i - band;
                for (size_t k = 0; same && k < i - band; ++k)
                    same = rects[previousBand + k].left == rects[band + k].left &&
                           rects[previousBand + k].right == rects[band + k].right;
                check(!same);
            }
        }
        hasPrevious = true;
        previousBand = band;
        band = i;
    }
}

// The pixels inside the shape, row 0 at the top.
NOT_FUZZED std::vector<uint8_t> maskOf(const uint8_t* pixels, int32_t width, int32_t height, uint32_t key) {
    std::vector<uint8_t> mask(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            mask[size_t(y) * size_t(width) + size_t(x)] =
                valueAt(pixels + 4 * (size_t(height - 1 - y) * size_t(width) + size_t(x))) != key;
    return mask;
}

// Paints the rectangles into a mask; every rectangle must lie on the picture and cover each
// pixel at most once.
NOT_FUZZED std::vector<uint8_t> paintRects(const std::vector<RECT>& rects, int32_t width, int32_t height) {
    std::vector<uint8_t> mask(size_t(width) * size_t(height));
    for (const RECT& r : rects) {
        check(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height);
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) {
                uint8_t& m = mask[size_t(y) * size_t(width) + size_t(x)];
                check(m == 0);
                m = 1;
            }
    }
    return mask;
}

NOT_FUZZED void checkShape(FuzzedDataProvider& in, HRGN shape, const std::vector<uint8_t>& mask, int32_t width,
                int32_t height) {
    const std::vector<RECT> rects = rectanglesOf(shape);
    checkBanded(rects);
    check(paintRects(rects, width, height) == mask);

    RECT box;
    const int type = GetRgnBox(shape, &box);
    if (rects.empty()) {
        check(type == NULLREGION);
    } else {
        check(type == (rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION));
        RECT bound = rects[0];
        for (const RECT& r : rects) {
            bound.left = std::min(bound.left, r.left);
            bound.right = std::max(bound.right, r.right);
            bound.bottom = std::max(bound.bottom, r.bottom);
        }
        check(box.left == bound.left && box.top == bound.top && box.right == bound.right &&
              box.bottom == bound.bottom);
    }

    for (int k = 0; k < kHitSamples && in.remaining_bytes() > 0; ++k) {
        const int32_t x = in.ConsumeIntegralInRange<int32_t>(-2, width + 1);
        const int32_t y = in.ConsumeIntegralInRange<int32_t>(-2, height + 1);
        const bool on = x >= 0 && x < width && y >= 0 && y < height && mask[size_t(y) * size_t(width) + size_t(x)];
        check((PtInRegion(shape, x, y) != FALSE) == on);
    }

    // The viewer places the region at (3, 3) in its window.
    if (!rects.empty()) {
        check(OffsetRgn(shape, 3, 3) == type);
        RECT moved;
        GetRgnBox(shape, &moved);
        check(moved.left == box.left + 3 && moved.top == box.top + 3 && moved.right == box.right + 3 &&
              moved.bottom == box.bottom + 3);
        check(OffsetRgn(shape, -3, -3) == type);
    }
}

// The same region from the other ways the builder can be asked for it.
NOT_FUZZED void checkBuilders(FuzzedDataProvider& in, HRGN shape, const uint8_t* pixels, int32_t width, int32_t height,
                   uint32_t key, const std::vector<uint8_t>& mask) {
    const std::vector<RECT> runs = td::shapeRuns(pixels, width, height, key, false);
    const std::vector<RECT> joined = td::shapeRuns(pixels, width, height, key, true);
    check(paintRects(runs, width, height) == mask);
    check(paintRects(joined, width, height) == mask);
    check(joined.size() <= runs.size());
    const size_t leaf = in.ConsumeIntegralInRange<size_t>(0, 40);
    const std::vector<RECT>& list = in.ConsumeBool() ? runs : joined;
    HRGN other = td::regionFromRects(list.data(), list.size(), leaf);
    check(other != nullptr);
    check(EqualRgn(shape, other) != FALSE);
    DeleteObject(other);
}

NOT_FUZZED void checkEqualise(ByteArray& array, int32_t width, int32_t height) {
    const uint32_t bytes = array.count();
    const std::vector<uint8_t> before(array.payload(), array.payload() + bytes);
    td::HistogramEqualiser first;
    first.equalise(&array, width, height);
    const std::vector<uint8_t> after(array.payload(), array.payload() + bytes);

    ByteArray again(bytes);
    std::memcpy(again.payload(), before.data(), bytes);
    td::HistogramEqualiser second;
    second.equalise(&again, width, height);
    check(std::memcmp(again.payload(), after.data(), bytes) == 0);

    const size_t whole = size_t{bytes} / 4 * 4;
    for (size_t i = whole; i < bytes; ++i) check(after[i] == before[i]);
    if (width <= 0 || height <= 0) {
        check(after == before);
        return;
    }
    for (size_t i = 3; i < whole; i += 4) check(after[i] == before[i]);
    for (int channel = 0; channel < 3; ++channel) {
        int map[256];
        std::fill(std::begin(map), std::end(map), -1);
        int highest = -1;
        for (size_t i = size_t(channel); i < whole; i += 4) {
            const uint8_t old = before[i];
            check(map[old] < 0 || map[old] == after[i]);
            map[old] = after[i];
            highest = std::max<int>(highest, old);
        }
        int last = -1;
        for (int v = 0; v < 256; ++v) {
            if (map[v] < 0) continue;
            check(map[v] >= last);
            last = map[v];
        }
        if (highest >= 0) check(map[highest] == 255);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const size_t objects = headless::liveGdiObjects().total();
    {
        const int32_t width = side(in);
        const int32_t height = side(in);
        const uint32_t key = in.ConsumeIntegralInRange<uint8_t>(0, 3) != 0 ? kViewerKey : in.ConsumeIntegral<uint32_t>();
        const size_t pixelCount = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
        // Mostly exactly the picture's bytes; sometimes a few more or fewer, or a damaged guard.
        int64_t bytes = int64_t(pixelCount) * 4;
        const uint8_t sizeMode = in.ConsumeIntegralInRange<uint8_t>(0, 15);
        if (sizeMode == 1) bytes = std::max<int64_t>(0, bytes - in.ConsumeIntegralInRange<int64_t>(1, 7));
        if (sizeMode == 2) bytes += in.ConsumeIntegralInRange<int64_t>(1, 7);
        const bool damaged = sizeMode == 3;

        td::Surface surface;
        surface.pixels = std::make_unique<ByteArray>(uint32_t(bytes));
        surface.width = width;
        surface.height = height;
        uint8_t* pixels = surface.pixels->payload();
        if (pixels) paint(in, pixels, size_t(bytes) / 4, key);
        if (pixels && damaged) surface.pixels->rawBlock()[bytes + 1] = 1;

        const std::vector<uint8_t> stored = pixels ? std::vector<uint8_t>(pixels, pixels + bytes) : std::vector<uint8_t>{};
        HRGN shape = surface.shapeRegion(key);
        const bool usable = pixels && !damaged && width > 0 && height > 0 && uint64_t(bytes) >= pixelCount * 4;
        check((shape != nullptr) == usable);
        if (shape) {
            check(std::memcmp(pixels, stored.data(), stored.size()) == 0);
            const std::vector<uint8_t> mask = maskOf(pixels, width, height, key);
            checkShape(in, shape, mask, width, height);
            checkBuilders(in, shape, pixels, width, height, key, mask);
            DeleteObject(shape);
        }

        if (pixels && !damaged) {
            checkEqualise(*surface.pixels, width, height);
        } else if (pixels) {
            // A damaged array is left as it is: the equaliser tests the guards and repairs nothing.
            td::HistogramEqualiser equaliser;
            equaliser.equalise(surface.pixels.get(), width, height);
            check(std::memcmp(surface.pixels->rawBlock() + 1, stored.data(), stored.size()) == 0);
            surface.pixels->rawBlock()[bytes + 1] = 0;  // so that the array frees its block
        }
    }
    check(headless::liveGdiObjects().total() == objects);
    return 0;
}
