#pragma once
// Ratios between benchmarks of one run, printed after all of them: registered next to the
// benchmarks they compare, as "how many times the denominator's time the numerator takes".

#include <string>

namespace bench {

// Registers a ratio; returns a value so that it can initialise a namespace-scope constant.
bool addRatio(std::string label, std::string numerator, std::string denominator);

}  // namespace bench
