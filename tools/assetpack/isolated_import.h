#pragma once
// The model-import library run in a child process with limits, so that a file it cannot read
// (a crash, a hang or runaway memory inside it) becomes a refusal, not the packer's end.
//
// The child flattens the file (import_library.h) and writes the result to a pipe; the parent
// reads it back through one bounds-checked reader and checks it as it checks any model.

#include <cstdint>
#include <string>

#include "tools/assetpack/import_library.h"

namespace td {

struct ImportLimits {
    double seconds = 120.0;             // wall clock, and the child's CPU time
    uint64_t memoryBytes = 4ull << 30;  // address space the child may add to what it started with
};

// Raises ToolError naming the file: the library's reason when it refuses the file, or what became
// of the child (killed by a signal, over the time or memory limit).
ImportedModel importIsolated(const std::string& path, const ImportLimits& limits = {});

// The child's answer: a model, or the library's reason for refusing the file.
std::string encodeImported(const ImportedModel& model);
std::string encodeRefusal(const std::string& reason);
// Reads an answer back. Raises ToolError "PATH: ..." for a refusal, and for an answer that is cut
// short, runs on, or is not one at all.
ImportedModel decodeImported(const std::string& answer, const std::string& path);

}  // namespace td
