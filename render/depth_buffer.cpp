#include "render/depth_buffer.h"

#include <algorithm>

namespace td {

bool DepthBuffer::create(int32_t w, int32_t h) {
    release();
    // A size whose element count does not fit the array's 32-bit count cannot be had.
    const int64_t count = int64_t{w} * int64_t{h};
    if (w < 0 || h < 0 || count > int64_t{UINT32_MAX} - 2) return false;
    values = std::make_unique<DoubleArray>(static_cast<uint32_t>(count));
    if (!values->guardsIntact()) return false;
    width = w;
    height = h;
    clear();
    return true;
}

void DepthBuffer::clear() {
    if (!values) return;
    if (double* v = values->intactPayload()) std::fill_n(v, values->count(), kCleared);
}

void DepthBuffer::release() {
    values.reset();
    width = 0;
    height = 0;
}

bool DepthBuffer::passes(int32_t x, int32_t y, double z) const {
    const double* v = values ? values->intactPayload() : nullptr;
    if (!v) return true;
    // Positions outside the buffer have no depth to pass; a negative row could otherwise wrap the
    // index onto another pixel.
    if (x < 0 || x >= width || y < 0 || y >= height) return false;
    const size_t k = indexOf(x, y);
    return k < values->count() && v[k] < z;
}

bool DepthBuffer::store(int32_t x, int32_t y, double z) {
    double* v = values ? values->intactPayload() : nullptr;
    if (!v || x < 0 || x >= width || y < 0 || y >= height) return false;
    const size_t k = indexOf(x, y);
    if (k >= values->count() || !(v[k] < z)) return false;
    v[k] = z;
    return true;
}

}  // namespace td
