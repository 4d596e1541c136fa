// Fuzzes the packer's path for files the import library reads. The first byte says what the rest
// is. Even: an answer of the import's child process, which the parent either refuses or reads
// back exactly as it was written. Odd: a model file, its extension picked by the second byte,
// loaded as pack loads it: the library runs in its child process, so whatever it does on the
// file, loading returns a model the program can draw or raises ToolError, and the fuzzer's
// process goes on.

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assetpack/isolated_import.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/tool_error.h"

namespace {

const char* const kExtensions[] = {".stl", ".ply", ".off", ".gltf", ".glb", ".3ds", ".dae", ".fbx"};

void checkAnswer(const std::string& answer) {
    try {
        if (td::encodeImported(td::decodeImported(answer, "m")) != answer) std::abort();
    } catch (const td::ToolError&) {
    }
}

void checkFile(const std::string& bytes, const char* extension) {
    static const std::string path = "/tmp/model_import_fuzz_" + std::to_string(getpid());
    const std::string file = path + extension;
    // Written plainly: the packer's own writes wait for the disk, which would cost more than the import.
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) std::abort();
    td::ModelOptions options;
    options.importLimits.seconds = 1.0;
    options.importLimits.memoryBytes = 1ull << 30;
    try {
        const td::LoadedModel loaded = td::loadModel(file, options);
        for (const td::MeshFaceRecord& f : loaded.model.faces)
            for (uint32_t v : f.vertexIndex)
                if (v >= loaded.model.vertices.size()) std::abort();
        for (const td::MeshVertexRecord& v : loaded.model.vertices)
            for (float c : v.position)
                if (!std::isfinite(c)) std::abort();
    } catch (const td::ToolError&) {
    }
    unlink(file.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    if (data[0] % 2 == 0)
        checkAnswer(std::string(bytes + 1, size - 1));
    else
        checkFile(std::string(bytes + 2, size - 2), kExtensions[data[1] % (sizeof kExtensions / sizeof *kExtensions)]);
    return 0;
}
