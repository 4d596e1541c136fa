#pragma once
// Whole-file reads and writes for the tools. A write never leaves a partial file at the target:
// it goes to a temporary file beside it, which is renamed over the target once complete.

#include <string>

namespace td {

// The file's bytes; ToolError "cannot read PATH" when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

// ToolError "cannot write PATH" when any step fails; the temporary file is removed then.
void writeWholeFile(const std::string& path, const std::string& bytes);

}  // namespace td
