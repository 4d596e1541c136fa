// The four triangle fills, the two span families and the pixel writes of a Surface.

#include <algorithm>
#include <cstdlib>

#include "foundation/convert.h"
#include "foundation/math.h"
#include "render/repeated_addition.h"
#include "render/shaded_triangles.h"
#include "render/surface.h"
#include "render/texture.h"
#include "render/triangle_walk.h"

namespace td {
namespace {

// Colour channels (red, green, blue) and optionally z, as the shaded walk carries them.
enum ShadedSlot : size_t { kRed, kGreen, kBlue, kShadedZ };
// Texture coordinates, intensity and optionally z, as the textured walk carries them.
enum TexturedSlot : size_t { kU, kV, kIntensity, kTexturedZ };

template <size_t N>
Attributes<N> channelsOf(uint32_t packed) {
    const Colour c = unpackColour(packed);
    Attributes<N> a;
    a[kRed] = c.red;
    a[kGreen] = c.green;
    a[kBlue] = c.blue;
    return a;
}

// A packed colour from interpolated channels, each truncated toward zero.
template <size_t N>
uint32_t packChannels(const Attributes<N>& a) {
    return packColour(Colour{truncToByteLow8(a[kRed]), truncToByteLow8(a[kGreen]), truncToByteLow8(a[kBlue])});
}

uint32_t litTexel(const Texture& texture, double u, double v, double intensity) {
    return packColour(texture.sample(u, v).scale(intensity));
}

// The writable bytes of pixel (x, y), or null when the pixel lies outside the surface or the
// surface has no bitmap or no intact pixel array: the checks of a single pixel write. The fills
// make the same checks once for a whole triangle or span (writeTarget below).
uint8_t* writablePixel(Surface& s, int32_t x, int32_t y) {
    if (x < 0 || x >= s.width || y < 0 || y >= s.height || !s.bitmap || !s.pixels) return nullptr;
    uint8_t* payload = s.pixels->intactPayload();
    const uint64_t offset = s.pixelOffset(x, y);
    if (!payload || offset + 4 > s.pixels->count()) return nullptr;
    return payload + offset;
}

// Byte 3 is never written: the window shape compares all four bytes with its key colour.
void storeColour(uint8_t* pixel, uint32_t colour) {
    pixel[0] = static_cast<uint8_t>(colour >> 16);  // blue
    pixel[1] = static_cast<uint8_t>(colour >> 8);   // green
    pixel[2] = static_cast<uint8_t>(colour);        // red
}

// The clipped family: only the columns inside the surface are interpolated, always left to right,
// so the first visible pixel takes the left end's values and the last visible one the right end's
// however much was cut away. A span of one column draws that column with the start values.
//
// Like the other span helpers of the shaded fills it is always inlined: a span of the model is
// three or four pixels on average, so a call costs as much as the span.
template <size_t N, typename Write>
[[gnu::always_inline]] inline void clippedSpan(int32_t width, int32_t xa, int32_t xb, const Attributes<N>& a,
                                               const Attributes<N>& b, Write write) {
    const int32_t first = std::max(0, std::min(xa, xb));
    const int64_t last = std::min<int64_t>(std::max(xa, xb), int64_t{width} - 1);
    if (last < first) return;
    const bool reversed = xb <= xa;
    Attributes<N> current = reversed ? b : a;
    const Attributes<N>& end = reversed ? a : b;
    const int32_t n = int32_t(last) - first;
    const Attributes<N> increment = n > 0 ? current.stepTowards(end, double(n)) : Attributes<N>{};
    for (int32_t x = first; x <= int32_t(last); ++x) {
        write(x, current);
        current += increment;
    }
}

// The unclipped family: the span runs from xa towards xb over all abs(xb - xa) + 1 columns and
// the pixel writes discard the outside ones. A span of one column has no direction to
// interpolate along and draws nothing. Columns outside the surface cannot be written, so only
// the visible ones are visited; the values there are exactly those of the column-by-column walk
// when the first visible column lies at most kExactReach columns from xa (the columns before it
// cost only their additions, and those are taken in runs: addRepeatedly), and start + k *
// increment farther away.
template <size_t N, typename Write>
void unclippedSpan(int32_t width, int32_t xa, int32_t xb, const Attributes<N>& a, const Attributes<N>& b,
                   Write write) {
    if (xa == xb) return;
    const int64_t n = std::llabs(int64_t{xb} - int64_t{xa});
    const int64_t step = xb > xa ? 1 : -1;
    const Attributes<N> increment = a.stepTowards(b, double(n));
    // The steps k at which column xa + k * step lies in [0, width - 1].
    const int64_t lastColumn = int64_t{width} - 1;
    const int64_t kFirst = step > 0 ? std::max<int64_t>(0, -int64_t{xa}) : std::max<int64_t>(0, xa - lastColumn);
    const int64_t kLast = step > 0 ? std::min<int64_t>(n, lastColumn - xa) : std::min<int64_t>(n, xa);
    if (kFirst > kLast) return;
    Attributes<N> current = a;
    if (kFirst > kExactReach) {
        current = a.jumped(increment, kFirst);
    } else {
        for (size_t i = 0; i < N; ++i) current[i] = addRepeatedly(a[i], increment[i], kFirst);
    }
    for (int64_t k = kFirst; k <= kLast; ++k) {
        write(int32_t(int64_t{xa} + k * step), current);
        current += increment;
    }
}

template <size_t N>
WalkVertex<N> shadedVertex(int32_t x, int32_t y, uint32_t colour) {
    return WalkVertex<N>{x, y, channelsOf<N>(colour)};
}

template <size_t N>
WalkVertex<N> texturedVertex(int32_t x, int32_t y, double u, double v, double intensity) {
    WalkVertex<N> p{x, y, {}};
    p.attributes[kU] = u;
    p.attributes[kV] = v;
    p.attributes[kIntensity] = intensity;
    return p;
}

template <size_t N>
WalkVertex<N> withDepth(WalkVertex<N> p, size_t slot, double z) {
    p.attributes[slot] = z;
    return p;
}

template <size_t N>
Attributes<N> texturedEnd(double u, double v, double intensity) {
    return texturedVertex<N>(0, 0, u, v, intensity).attributes;
}

bool rowVisible(const Surface& s, int32_t y) { return y >= 0 && y < s.height; }

// Where the pixel writes of a fill land, found once for a whole triangle or span. Nothing a fill
// writes (payload bytes and depths inside their arrays) changes what the checks of putPixel and
// putPixelDepth find, so when the arrays have the plain layout the checks are made once here
// and the spans write through the payload pointers; otherwise each pixel is checked alone.
struct WriteTarget {
    enum class Kind {
        PerPixel,         // through putPixel or putPixelDepth, each pixel checked alone
        Nothing,          // a depth-tested fill without a depth buffer draws nothing
        Pixels,           // every pixel written (no usable depths: everything passes, nothing is stored)
        PixelsAndDepths,  // pixels written where z is nearer than the stored depth, which it replaces
    };
    Kind kind = Kind::PerPixel;
    uint8_t* pixels = nullptr;  // the pixel payload
    double* depths = nullptr;   // the depth payload, one row of the surface's width after another
};

template <bool Depth>
WriteTarget writeTarget(Surface& s) {
    using Kind = WriteTarget::Kind;
    WriteTarget t;
    uint8_t* payload = s.bitmap && s.pixels && s.width > 0 ? s.pixels->intactPayload() : nullptr;
    if (!payload || uint64_t{s.pixels->count()} < uint64_t(s.width) * uint64_t(s.height) * 4) return t;
    t.pixels = payload;
    t.kind = Kind::Pixels;
    if constexpr (Depth) {
        if (!s.depth) {
            t.kind = Kind::Nothing;
            return t;
        }
        DepthBuffer& d = *s.depth;
        double* values = d.values ? d.values->intactPayload() : nullptr;
        if (!values) return t;
        if (d.width != s.width || d.height != s.height ||
            uint64_t{d.values->count()} < uint64_t(d.width) * uint64_t(d.height)) {
            t.kind = Kind::PerPixel;
            return t;
        }
        t.depths = values;
        t.kind = Kind::PixelsAndDepths;
    }
    return t;
}

// Draws one span of the visible row y. `walk(write)` calls write(x, values) for each column the
// span covers inside the surface; `paint(pixel, values)` writes the three colour bytes there and,
// in a depth-tested span, slot Z of the values is the depth. The pixels come out exactly as
// putPixel or putPixelDepth would write them column by column.
template <bool Depth, size_t Z, typename Walk, typename Paint>
[[gnu::always_inline]] inline void drawSpan(Surface& s, const WriteTarget& t, int32_t y, Walk walk,
                                            Paint paint) {
    using Kind = WriteTarget::Kind;
    if (t.kind == Kind::Nothing) return;
    if (t.kind == Kind::PerPixel) {
        return walk([&](int32_t x, const auto& v) {
            uint8_t bytes[4] = {};
            paint(bytes, v);
            const uint32_t colour = packColour(Colour{bytes[2], bytes[1], bytes[0]});
            if constexpr (Depth) {
                s.putPixelDepth(x, y, colour, v[Z]);
            } else {
                s.putPixel(x, y, colour);
            }
        });
    }
    uint8_t* row = t.pixels + s.pixelOffset(0, y);
    if constexpr (Depth) {
        if (t.kind == Kind::PixelsAndDepths) {
            double* depths = t.depths + size_t(y) * size_t(s.width);
            return walk([&](int32_t x, const auto& v) {
                if (!(depths[x] < v[Z])) return;
                paint(row + size_t(x) * 4, v);
                depths[x] = v[Z];
            });
        }
    }
    walk([&](int32_t x, const auto& v) { paint(row + size_t(x) * 4, v); });
}

// The colour channels of a span's end as the span takes them: whole numbers 0 to 255, the bytes
// of the packed colour. The edges that give the ends run between corner colours, which are
// bytes, so like the values inside a span they stay within (-1, 256).
template <size_t N>
Attributes<N> wholeChannels(const Attributes<N>& a) {
    Attributes<N> r = a;
    for (size_t slot : {kRed, kGreen, kBlue}) r[slot] = double(truncToByteLow8InRange(a[slot]));
    return r;
}

// A shaded span between ends whose channels are whole numbers 0 to 255 (slot Z holds the depths).
// Every value the walk reaches lies between the two ends, give or take the rounding of at most
// as many additions as the span has columns, so inside (-1, 256): the in-range truncation gives
// the bytes.
template <bool Depth>
[[gnu::always_inline]] inline void shadedSpanOf(Surface& s, const WriteTarget& t, int32_t xa, int32_t y,
                                                int32_t xb, const Attributes<Depth ? 4 : 3>& a,
                                                const Attributes<Depth ? 4 : 3>& b) {
    if (!rowVisible(s, y)) return;
    constexpr size_t N = Depth ? 4 : 3;
    drawSpan<Depth, kShadedZ>(
        s, t, y, [&](auto write) { clippedSpan(s.width, xa, xb, a, b, write); },
        [](uint8_t* pixel, const Attributes<N>& c) {
            pixel[0] = truncToByteLow8InRange(c[kBlue]);
            pixel[1] = truncToByteLow8InRange(c[kGreen]);
            pixel[2] = truncToByteLow8InRange(c[kRed]);
        });
}

template <bool Depth>
void shadedSpan(Surface& s, const WriteTarget& t, int32_t xa, int32_t y, int32_t xb, uint32_t ca, uint32_t cb,
                double za = 0.0, double zb = 0.0) {
    constexpr size_t N = Depth ? 4 : 3;
    Attributes<N> a = channelsOf<N>(ca), b = channelsOf<N>(cb);
    if constexpr (Depth) {
        a[kShadedZ] = za;
        b[kShadedZ] = zb;
    }
    shadedSpanOf<Depth>(s, t, xa, y, xb, a, b);
}

template <bool Depth>
void texturedSpan(Surface& s, const WriteTarget& t, const Texture* texture, int32_t xa, int32_t y, int32_t xb,
                  double ua, double va, double ub, double vb, double ia, double ib, double za = 0.0,
                  double zb = 0.0) {
    if (!texture || !rowVisible(s, y)) return;
    constexpr size_t N = Depth ? 4 : 3;
    Attributes<N> a = texturedEnd<N>(ua, va, ia), b = texturedEnd<N>(ub, vb, ib);
    if constexpr (Depth) {
        a[kTexturedZ] = za;
        b[kTexturedZ] = zb;
    }
    drawSpan<Depth, kTexturedZ>(
        s, t, y, [&](auto write) { unclippedSpan(s.width, xa, xb, a, b, write); },
        [texture](uint8_t* pixel, const Attributes<N>& c) {
            storeColour(pixel, litTexel(*texture, c[kU], c[kV], c[kIntensity]));
        });
}

// What the shaded fills draw: the apex in its own colour, spans through the clipped family.
template <bool Depth>
struct ShadedFill {
    static constexpr size_t N = Depth ? 4 : 3;
    Surface& surface;
    WriteTarget target = writeTarget<Depth>(surface);

    void apex(int32_t x, int32_t y, const Attributes<N>& a) {
        if constexpr (Depth) {
            surface.putPixelDepth(x, y, packChannels(a), a[kShadedZ]);
        } else {
            surface.putPixel(x, y, packChannels(a));
        }
    }
    void span(int32_t xa, int32_t y, int32_t xb, const Attributes<N>& a, const Attributes<N>& b) {
        shadedSpanOf<Depth>(surface, target, xa, y, xb, wholeChannels(a), wholeChannels(b));
    }
};

// What the textured fills draw: the apex as its lit texel, spans through the unclipped family.
template <bool Depth>
struct TexturedFill {
    static constexpr size_t N = Depth ? 4 : 3;
    Surface& surface;
    const Texture& texture;
    WriteTarget target = writeTarget<Depth>(surface);

    void apex(int32_t x, int32_t y, const Attributes<N>& a) {
        const uint32_t colour = litTexel(texture, a[kU], a[kV], a[kIntensity]);
        if constexpr (Depth) {
            surface.putPixelDepth(x, y, colour, a[kTexturedZ]);
        } else {
            surface.putPixel(x, y, colour);
        }
    }
    void span(int32_t xa, int32_t y, int32_t xb, const Attributes<N>& a, const Attributes<N>& b) {
        if constexpr (Depth) {
            texturedSpan<true>(surface, target, &texture, xa, y, xb, a[kU], a[kV], b[kU], b[kV], a[kIntensity],
                               b[kIntensity], a[kTexturedZ], b[kTexturedZ]);
        } else {
            texturedSpan<false>(surface, target, &texture, xa, y, xb, a[kU], a[kV], b[kU], b[kV], a[kIntensity],
                                b[kIntensity]);
        }
    }
};

#if defined(__SSE2__)
// The shaded fills on a surface whose pixels and depths have the plain layout: the walk above
// (walkTriangle with ShadedFill and clippedSpan), specialised. The four values of a corner travel
// in two vector registers, blue and green in one, red and z (0 without depth) in the other, so
// that each addition and each division of the walk is made for two values by one instruction.
// A lane of a packed addition, subtraction, division or truncation is exactly the scalar
// operation on that value, so every value, every increment and every pixel is the one the
// generic walk computes, in the same order; only the overhead around the arithmetic is less:
//   - the mid-to-low increments are computed only when a row below the mid row uses them, and
//     the top-to-mid ones not at all for a flat top (the generic walk computes and drops them);
//   - the increments of a span of one column (n = 0) are not computed, as there;
//   - a span makes whole only the ends it uses, and an edge's channels need no low-byte mask
//     (see edgeWholeLanes);
//   - a triangle whose rows all lie above or below the surface writes nothing (rows are whole
//     numbers) and is not walked; nor is one of at most 2^16 rows whose corners lie within 2^24
//     columns of 0 and all two or more columns left of the surface or right of its last column:
//     an edge's x then stays within its corners' columns give or take the rounding of at most
//     2^16 additions, each off by less than 2^-27 (ulp(2^25) / 2 for the sum, plus the error of
//     dx, |dx| <= 2^25, times 2^-53), so less than 2^-11 in all, and every span truncates outside.
// Triangles whose first visible row lies more than kExactReach rows below the apex, and
// surfaces without the plain layout, take the generic walk.
struct ColourLanes {
    __m128d blueGreen;
    __m128d redDepth;
};

ColourLanes lanesOf(const ShadedCorner& c) {
    return ColourLanes{_mm_loadu_pd(c.blueGreen), _mm_loadu_pd(c.redDepth)};
}
using LaneVertex = ShadedCorner;

struct LaneEdge {
    double x;
    double dx;
    ColourLanes values;
    ColourLanes increment;

    // As Edge::between: edges of height 0 or 1 divide by 1.
    // A division by 1 gives its dividend unchanged (NaN included), so it is left out.
    static LaneEdge between(const LaneVertex& from, const LaneVertex& to) {
        const int64_t dy = int64_t{to.y} - int64_t{from.y};
        const ColourLanes start = lanesOf(from), end = lanesOf(to);
        LaneEdge e{double(from.x), double(to.x) - double(from.x), start,
                   {_mm_sub_pd(end.blueGreen, start.blueGreen), _mm_sub_pd(end.redDepth, start.redDepth)}};
        if (dy > 1) {
            const double divisor = double(dy);
            const __m128d d = _mm_set1_pd(divisor);
            e.dx /= divisor;
            e.increment.blueGreen = _mm_div_pd(e.increment.blueGreen, d);
            e.increment.redDepth = _mm_div_pd(e.increment.redDepth, d);
        }
        return e;
    }
    void step() {
        x += dx;
        values.blueGreen = _mm_add_pd(values.blueGreen, increment.blueGreen);
        values.redDepth = _mm_add_pd(values.redDepth, increment.redDepth);
    }
};

// The channels of a pixel as 32-bit lanes, truncated: blue, green, red, and a fourth lane from z
// that the packing into bytes leaves unused.
[[gnu::always_inline]] inline __m128i channelLanes(const ColourLanes& v) {
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(v.blueGreen), _mm_cvttpd_epi32(v.redDepth));
}

// A span's end made whole: the values the span steps from, and their channels as channelLanes
// gives them, taken from the truncation that made them whole instead of truncating again.
struct WholeEnd {
    ColourLanes values;
    __m128i channels;
};

// Each channel truncated, z kept; with LowByte only the truncation's low byte is kept.
template <bool LowByte>
[[gnu::always_inline]] inline WholeEnd truncatedLanes(const ColourLanes& v) {
    __m128i blueGreen = _mm_cvttpd_epi32(v.blueGreen);
    __m128i red = _mm_cvttpd_epi32(v.redDepth);
    if constexpr (LowByte) {
        const __m128i low8 = _mm_set_epi32(0, 0, 0xFF, 0xFF);
        blueGreen = _mm_and_si128(blueGreen, low8);
        red = _mm_and_si128(red, low8);
    }
    // The red lane from the truncation, the z lane as it was.
    return WholeEnd{{_mm_cvtepi32_pd(blueGreen), _mm_shuffle_pd(_mm_cvtepi32_pd(red), v.redDepth, 2)},
                    _mm_unpacklo_epi64(blueGreen, red)};
}

// wholeChannels: each channel truncated to its low byte, z kept.
WholeEnd wholeLanes(const ColourLanes& v) { return truncatedLanes<true>(v); }

// wholeLanes for the values of an edge, without the mask. An edge runs between corners whose
// channels are bytes (edge 1 from top to mid, then on to low), and its values are the start plus
// k increments, k at most the rows walked, fewer than 2^32: each addition is off by at most half
// an ulp of a value below 512, 2^-45, and the increments of each part of the edge by 2^-53 of
// themselves, at most 255 over that part, so every value lies within 2^-13 + 2^-44 of the exact
// interpolation along the corners, which is in [0, 255]. Truncated, it is a whole number 0 to 255,
// its own low byte.
WholeEnd edgeWholeLanes(const ColourLanes& v) { return truncatedLanes<false>(v); }

inline uint8_t lowLaneByte(__m128d v) { return static_cast<uint8_t>(_mm_cvttsd_si32(v)); }
inline uint8_t highLaneByte(__m128d v) { return static_cast<uint8_t>(_mm_cvttsd_si32(_mm_unpackhi_pd(v, v))); }

// An edge's column. Bounded: the edge's x is known to lie inside the int32 range (see
// laneTriangle), where the processor's truncation is truncToInt32 without its second look.
template <bool Bounded>
[[gnu::always_inline]] inline int32_t edgeColumn(double x) {
    if constexpr (Bounded) {
        return _mm_cvttsd_si32(_mm_set_sd(x));
    } else {
        return truncToInt32(x);
    }
}

// Depth: the depths are tested and stored (a depth-tested fill on a depth buffer without usable
// values tests and stores nothing, and draws as the fill without depth).
template <bool Depth>
struct LaneFill {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
    double* depths;

    // Pixel (x, y) is pixels[4 * (x + rowStart(y))], its depth depths[x + depthRowStart(y)].
    size_t rowStart(int32_t y) const { return size_t(height - 1 - y) * size_t(width); }
    size_t depthRowStart(int32_t y) const { return size_t(y) * size_t(width); }

    // One pixel inside the surface: the colour bytes as shadedSpanOf writes them.
    [[gnu::always_inline]] inline void pixel(uint8_t* row, double* depthRow, int32_t x, const ColourLanes& v) const {
        if constexpr (Depth) {
            const double z = _mm_cvtsd_f64(_mm_unpackhi_pd(v.redDepth, v.redDepth));
            if (!(depthRow[x] < z)) return;
            depthRow[x] = z;
        }
        uint8_t* p = row + size_t(x) * 4;
        p[0] = lowLaneByte(v.blueGreen);
        p[1] = highLaneByte(v.blueGreen);
        p[2] = lowLaneByte(v.redDepth);
    }

    // Pixels x and x + 1 with the values a and b: what pixel(x, a) and pixel(x + 1, b) write, with
    // the depth test made without a branch. Where the spans of a model overlap, the test passes
    // and fails from one pixel to the next, and a branch on it is mispredicted there.
    //   - The depths: maxpd(z, stored) is z where stored < z and stored otherwise (NaN included:
    //     maxpd gives its second operand when either is NaN), so it is exactly the depth that
    //     pixel() leaves.
    //   - The colours: a span's channels lie within (-1, 256) (see shadedSpanOf), so they truncate
    //     to 0 to 255, which the saturating packs keep as they are: the same bytes as
    //     lowLaneByte and highLaneByte give. The fourth byte, and all of a pixel that fails, keep
    //     what they hold.
    [[gnu::always_inline]] inline void pixelPair(uint8_t* row, double* depthRow, int32_t x, const ColourLanes& a,
                                                 const ColourLanes& b) const {
        pixelPair(row, depthRow, x, a, Depth ? channelLanes(a) : __m128i{}, b);
    }
    // The same with the channels of a given, as channelLanes(a) gives them.
    [[gnu::always_inline]] inline void pixelPair(uint8_t* row, double* depthRow, int32_t x, const ColourLanes& a,
                                                 __m128i aChannels, const ColourLanes& b) const {
        if constexpr (!Depth) {
            pixel(row, depthRow, x, a);
            pixel(row, depthRow, x + 1, b);
        } else {
            const __m128d z = _mm_unpackhi_pd(a.redDepth, b.redDepth);
            const __m128d stored = _mm_loadu_pd(depthRow + x);
            const __m128i nearer = _mm_castpd_si128(_mm_cmplt_pd(stored, z));
            _mm_storeu_pd(depthRow + x, _mm_max_pd(z, stored));
            // The channels of a, then of b, as 32-bit lanes, then 16-bit ones, then bytes.
            const __m128i channels = _mm_packs_epi32(aChannels, channelLanes(b));
            const __m128i colours = _mm_packus_epi16(channels, channels);
            // The three colour bytes of each pixel that passes.
            const __m128i written = _mm_srli_epi32(_mm_shuffle_epi32(nearer, _MM_SHUFFLE(3, 3, 2, 0)), 8);
            uint8_t* p = row + size_t(x) * 4;
            const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p),
                             _mm_xor_si128(old, _mm_and_si128(_mm_xor_si128(old, colours), written)));
        }
    }

    uint8_t* rowAt(size_t start) const { return pixels + start * 4; }
    double* depthRowAt(size_t start) const { return Depth ? depths + start : nullptr; }

    void apex(const LaneVertex& p) const {
        if (p.x < 0 || p.x >= width || p.y < 0 || p.y >= height) return;
        pixel(rowAt(rowStart(p.y)), depthRowAt(depthRowStart(p.y)), p.x, lanesOf(p));
    }

    // clippedSpan on a row inside the surface, between ends whose channels `whole` makes whole;
    // only the ends that the span uses are made whole (one for a span of one column). `row` and
    // `depthRow` are the row's pixels and depths, `lastColumn` is width - 1.
    template <typename Whole>
    [[gnu::always_inline]] inline void span(int32_t xa, uint8_t* row, double* depthRow, int32_t xb,
                                            const ColourLanes& a, const ColourLanes& b, Whole whole,
                                            int32_t lastColumn) const {
        // Left to right: from b to a when xb <= xa. Each order has its own copy of the span, so
        // that neither moves the ends around.
        if (xb <= xa) return leftToRight(xb, row, depthRow, xa, b, a, whole, lastColumn);
        leftToRight(xa, row, depthRow, xb, a, b, whole, lastColumn);
    }
    template <typename Whole>
    [[gnu::always_inline]] inline void leftToRight(int32_t left, uint8_t* row, double* depthRow, int32_t right,
                                                   const ColourLanes& a, const ColourLanes& b, Whole whole,
                                                   int32_t lastColumn) const {
        const int32_t first = std::max(0, left);
        const int32_t last = std::min(right, lastColumn);
        if (last < first) return;
        const WholeEnd start = whole(a);
        ColourLanes current = start.values;
        const int32_t n = last - first;
        if (n == 0) return pixel(row, depthRow, first, current);
        const ColourLanes end = whole(b).values;
        __m128d incBlueGreen = _mm_sub_pd(end.blueGreen, current.blueGreen);
        __m128d incRedDepth = _mm_sub_pd(end.redDepth, current.redDepth);
        // A span of two columns divides by 1, which leaves the increments as they are (NaN
        // included); a branch around that division was mispredicted where spans of two columns
        // and longer ones alternate, and cost more than the division.
        const __m128d steps = _mm_set1_pd(double(n));
        incBlueGreen = _mm_div_pd(incBlueGreen, steps);
        incRedDepth = _mm_div_pd(incRedDepth, steps);
        const auto next = [&](const ColourLanes& v) {
            return ColourLanes{_mm_add_pd(v.blueGreen, incBlueGreen), _mm_add_pd(v.redDepth, incRedDepth)};
        };
        // Two columns a step. The first pair is the first two columns; when the count is odd, the
        // pairs after it start at the second column, which is written again with the same values
        // and stays as the first write left it (a depth is never nearer than itself). So the
        // parity of a span, which changes from row to row, is not branched on.
        const ColourLanes second = next(current);
        pixelPair(row, depthRow, first, current, start.channels, second);
        if (n == 1) return;
        const bool odd = (n & 1) == 0;
        const __m128d again = _mm_castsi128_pd(_mm_set1_epi32(-int32_t(odd)));
        const auto pick = [again](__m128d ifOdd, __m128d otherwise) {
            return _mm_or_pd(_mm_and_pd(again, ifOdd), _mm_andnot_pd(again, otherwise));
        };
        const ColourLanes third = next(second);
        current = {pick(second.blueGreen, third.blueGreen), pick(second.redDepth, third.redDepth)};
        for (int32_t x = first + 2 - int32_t(odd); x < last; x += 2) {
            const ColourLanes pairSecond = next(current);
            pixelPair(row, depthRow, x, current, pairSecond);
            current = next(pairSecond);
        }
    }
    [[gnu::always_inline]] inline void rowSpan(int32_t xa, int32_t y, int32_t xb, const ColourLanes& a,
                                               const ColourLanes& b) const {
        if (y >= 0 && y < height)
            span(xa, rowAt(rowStart(y)), depthRowAt(depthRowStart(y)), xb, a, b, wholeLanes, width - 1);
    }

    // The rows below the apex, from firstRow to lastRow (inside the surface): both edges are
    // stepped on every row, and the span of every row inside the surface is drawn. Below the mid
    // row edge 1 takes the mid-to-low increments, set up when that row is reached.
    template <bool Bounded>
    [[gnu::always_inline]] inline void edges(const LaneVertex& top, const LaneVertex& mid, const LaneVertex& low,
                                             int32_t firstRow, int32_t lastRow) const {
        const bool flatTop = top.y == mid.y;
        LaneEdge edge1 = LaneEdge::between(top, flatTop ? low : mid);
        LaneEdge edge2 = flatTop ? LaneEdge::between(mid, low) : LaneEdge::between(top, low);
        // The row after which edge 1 turns; none when it does not turn within the rows walked.
        const int32_t turn = flatTop || mid.y >= lastRow ? INT32_MAX : mid.y;
        const auto turnEdge1 = [&] {
            const LaneEdge midLow = LaneEdge::between(mid, low);
            edge1.dx = midLow.dx;
            edge1.increment = midLow.increment;
        };
        int32_t y = firstRow;
        for (; y <= lastRow && y < 0; ++y) {
            edge1.step();
            edge2.step();
            if (y == turn) turnEdge1();
        }
        // The starts of row y; past the bottom row they wrap, and are no longer used. The arrays
        // and sizes are held in locals, which the pixel stores cannot change.
        size_t row = rowStart(y), depthRow = depthRowStart(y);
        uint8_t* const pixelArray = pixels;
        double* const depthArray = depths;
        const size_t stride = size_t(width);
        const int32_t lastColumn = width - 1;
        for (; y <= lastRow; ++y) {
            edge1.step();
            edge2.step();
            span(edgeColumn<Bounded>(edge1.x), pixelArray + row * 4, Depth ? depthArray + depthRow : nullptr,
                 edgeColumn<Bounded>(edge2.x), edge1.values, edge2.values, edgeWholeLanes, lastColumn);
            row -= stride;
            depthRow += stride;
            if (y == turn) turnEdge1();
        }
    }
    // The same for edges that may reach beyond the int32 columns: rare, so kept out of line.
    [[gnu::noinline]] void unboundedEdges(const LaneVertex& top, const LaneVertex& mid, const LaneVertex& low,
                                          int32_t firstRow, int32_t lastRow) const {
        edges<false>(top, mid, low, firstRow, lastRow);
    }
};

// False when the triangle is left to the generic walk; then nothing has been drawn.
template <bool Depth>
[[gnu::always_inline]] inline bool laneTriangle(const LaneFill<Depth>& fill, const LaneVertex& p0,
                                                const LaneVertex& p1, const LaneVertex& p2) {
    const LaneVertex* sorted[3] = {&p0, &p1, &p2};
    if (sorted[1]->y < sorted[0]->y) std::swap(sorted[0], sorted[1]);
    if (sorted[2]->y < sorted[1]->y) std::swap(sorted[1], sorted[2]);
    if (sorted[1]->y < sorted[0]->y) std::swap(sorted[0], sorted[1]);
    const LaneVertex& top = *sorted[0];
    const LaneVertex& mid = *sorted[1];
    const LaneVertex& low = *sorted[2];

    if (top.y >= fill.height || low.y < 0) return true;
    const int32_t minX = std::min({p0.x, p1.x, p2.x}), maxX = std::max({p0.x, p1.x, p2.x});
    // Within these bounds an edge's x stays inside the int32 range, so it truncates without the
    // second look of truncToInt32.
    const bool bounded = int64_t{low.y} - top.y <= (1 << 16) && minX >= -(1 << 24) && maxX <= (1 << 24);
    if (bounded && (maxX <= -2 || int64_t{minX} >= int64_t{fill.width} + 1)) return true;
    const int64_t firstRow = int64_t{top.y} + 1;
    const int64_t lastRow = std::min<int64_t>(low.y, int64_t{fill.height} - 1);
    if (-firstRow > kExactReach) return false;

    fill.apex(top);
    if (firstRow <= lastRow) {
        if (bounded) {
            fill.template edges<true>(top, mid, low, int32_t(firstRow), int32_t(lastRow));
        } else {
            fill.unboundedEdges(top, mid, low, int32_t(firstRow), int32_t(lastRow));
        }
    }
    if (top.y == mid.y) fill.rowSpan(top.x, top.y, mid.x, lanesOf(top), lanesOf(mid));
    if (mid.y == low.y) fill.rowSpan(mid.x, mid.y, low.x, lanesOf(mid), lanesOf(low));
    return true;
}

// The lane walk for one call of a shaded fill: false when it does not apply.
template <bool Depth>
bool laneFill(Surface& s, const ShadedCorner& p0, const ShadedCorner& p1, const ShadedCorner& p2) {
    const WriteTarget t = writeTarget<Depth>(s);
    if (t.kind == WriteTarget::Kind::Nothing) return true;
    if (t.kind == WriteTarget::Kind::PerPixel) return false;
    if (t.depths) return laneTriangle(LaneFill<true>{s.width, s.height, t.pixels, t.depths}, p0, p1, p2);
    return laneTriangle(LaneFill<false>{s.width, s.height, t.pixels, nullptr}, p0, p1, p2);
}
#endif

}  // namespace

void Surface::fillTriangleShaded(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                 uint32_t c0, uint32_t c1, uint32_t c2) {
#if defined(__SSE2__)
    if (laneFill<false>(*this, ShadedCorner(x0, y0, c0, 0.0), ShadedCorner(x1, y1, c1, 0.0),
                        ShadedCorner(x2, y2, c2, 0.0)))
        return;
#endif
    ShadedFill<false> fill{*this};
    walkTriangle(shadedVertex<3>(x0, y0, c0), shadedVertex<3>(x1, y1, c1), shadedVertex<3>(x2, y2, c2), height,
                 fill);
}

void Surface::fillTriangleShadedDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                      uint32_t c0, uint32_t c1, uint32_t c2, double z0, double z1, double z2) {
#if defined(__SSE2__)
    if (laneFill<true>(*this, ShadedCorner(x0, y0, c0, z0), ShadedCorner(x1, y1, c1, z1),
                       ShadedCorner(x2, y2, c2, z2)))
        return;
#endif
    ShadedFill<true> fill{*this};
    walkTriangle(withDepth(shadedVertex<4>(x0, y0, c0), kShadedZ, z0),
                 withDepth(shadedVertex<4>(x1, y1, c1), kShadedZ, z1),
                 withDepth(shadedVertex<4>(x2, y2, c2), kShadedZ, z2), height, fill);
}

ShadedTriangles::ShadedTriangles(Surface& surface, bool depthTested) : surface_(surface), depthTested_(depthTested) {
#if defined(__SSE2__)
    const WriteTarget t = depthTested ? writeTarget<true>(surface) : writeTarget<false>(surface);
    if (t.kind == WriteTarget::Kind::Nothing) {
        path_ = Path::Nothing;
    } else if (t.kind != WriteTarget::Kind::PerPixel) {
        path_ = Path::Lanes;
        pixels_ = t.pixels;
        depths_ = t.depths;
    }
#endif
}

#if defined(__SSE2__)
namespace {

// The lane walk for each triangle in turn; a triangle it leaves goes to the fills. The layout is
// taken by value: a copy that no pixel store can reach (they are byte stores, which may alias
// anything) stays in registers.
template <bool Depth>
void laneTriangles(const LaneFill<Depth> fill, ShadedTriangles& all, const ShadedTriangle* triangles,
                   size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ShadedCorner* const* c = triangles[i].corners;
        if (!laneTriangle(fill, *c[0], *c[1], *c[2])) all.drawByFills(*c[0], *c[1], *c[2]);
    }
}

}  // namespace
#endif

void ShadedTriangles::draw(const ShadedTriangle* triangles, size_t count) {
#if defined(__SSE2__)
    if (path_ == Path::Nothing) return;
    if (path_ == Path::Lanes) {
        const int32_t w = surface_.width, h = surface_.height;
        if (depths_) return laneTriangles(LaneFill<true>{w, h, pixels_, depths_}, *this, triangles, count);
        return laneTriangles(LaneFill<false>{w, h, pixels_, nullptr}, *this, triangles, count);
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        const ShadedCorner* const* c = triangles[i].corners;
        drawByFills(*c[0], *c[1], *c[2]);
    }
}

void ShadedTriangles::drawByFills(const ShadedCorner& a, const ShadedCorner& b, const ShadedCorner& c) {
    const double za = a.redDepth[1], zb = b.redDepth[1], zc = c.redDepth[1];
    const auto colour = [](const ShadedCorner& p) {
        return packColour(Colour{uint8_t(p.redDepth[0]), uint8_t(p.blueGreen[1]), uint8_t(p.blueGreen[0])});
    };
    if (depthTested_) {
        surface_.fillTriangleShadedDepth(a.x, a.y, b.x, b.y, c.x, c.y, colour(a), colour(b), colour(c), za, zb, zc);
    } else {
        surface_.fillTriangleShaded(a.x, a.y, b.x, b.y, c.x, c.y, colour(a), colour(b), colour(c));
    }
}

void Surface::fillTriangleTextured(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                   double u0, double v0, double u1, double v1, double u2, double v2, double i0,
                                   double i1, double i2, const Texture* texture) {
    if (!texture) return;
    TexturedFill<false> fill{*this, *texture};
    walkTriangle(texturedVertex<3>(x0, y0, u0, v0, i0), texturedVertex<3>(x1, y1, u1, v1, i1),
                 texturedVertex<3>(x2, y2, u2, v2, i2), height, fill);
}

void Surface::fillTriangleTexturedDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                        double u0, double v0, double u1, double v1, double u2, double v2,
                                        double i0, double i1, double i2, const Texture* texture, double z0,
                                        double z1, double z2) {
    if (!texture) return;
    TexturedFill<true> fill{*this, *texture};
    walkTriangle(withDepth(texturedVertex<4>(x0, y0, u0, v0, i0), kTexturedZ, z0),
                 withDepth(texturedVertex<4>(x1, y1, u1, v1, i1), kTexturedZ, z1),
                 withDepth(texturedVertex<4>(x2, y2, u2, v2, i2), kTexturedZ, z2), height, fill);
}

void Surface::fillSpanShaded(int32_t xa, int32_t y, int32_t xb, uint32_t ca, uint32_t cb) {
    shadedSpan<false>(*this, writeTarget<false>(*this), xa, y, xb, ca, cb);
}

void Surface::fillSpanShadedDepth(int32_t xa, int32_t y, int32_t xb, uint32_t ca, uint32_t cb, double za,
                                  double zb) {
    shadedSpan<true>(*this, writeTarget<true>(*this), xa, y, xb, ca, cb, za, zb);
}

void Surface::fillSpanTextured(int32_t xa, int32_t y, int32_t xb, double ua, double va, double ub, double vb,
                               double ia, double ib, const Texture* texture) {
    texturedSpan<false>(*this, writeTarget<false>(*this), texture, xa, y, xb, ua, va, ub, vb, ia, ib);
}

void Surface::fillSpanTexturedDepth(int32_t xa, int32_t y, int32_t xb, double ua, double va, double ub, double vb,
                                    double ia, double ib, const Texture* texture, double za, double zb) {
    texturedSpan<true>(*this, writeTarget<true>(*this), texture, xa, y, xb, ua, va, ub, vb, ia, ib, za, zb);
}

void Surface::putPixel(int32_t x, int32_t y, uint32_t colour) {
    if (uint8_t* pixel = writablePixel(*this, x, y)) storeColour(pixel, colour);
}

void Surface::putPixelDepth(int32_t x, int32_t y, uint32_t colour, double z) {
    uint8_t* pixel = writablePixel(*this, x, y);
    if (!pixel || !depth || !depth->passes(x, y, z)) return;
    storeColour(pixel, colour);
    depth->store(x, y, z);
}

}  // namespace td
