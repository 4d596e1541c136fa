#pragma once
// The one failure the tools report: a short reason a user can act on, printed as one line.

#include <stdexcept>

namespace td {

class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace td
