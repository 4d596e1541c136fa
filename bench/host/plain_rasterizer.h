#pragma once
// A plain double-precision scanline rasterizer, for reference: clears a kSide x kSide picture and
// its depths, then draws one of the views (in turn, one per iteration) with each row's ends
// interpolated from the corners, one division per span and a depth test per pixel, none of our
// rounding rules. After the timing it counts the pixels drawn at the first view as "covered".

#include <benchmark/benchmark.h>

#include "reference_views.h"

namespace bench {

void plainClearAndRender(benchmark::State& state, const Views& views);
// The same source built with -march=native.
void plainNativeClearAndRender(benchmark::State& state, const Views& views);

}  // namespace bench
