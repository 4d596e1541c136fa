#include "tools/assetpack/file_io.h"

#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "tools/assetpack/tool_error.h"

namespace td {

std::string readWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw ToolError("cannot read " + path);
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;  // a directory, say, opens but cannot be read
    std::fclose(file);
    if (failed) throw ToolError("cannot read " + path);
    return bytes;
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            written = !out.fail();
        }
    }
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw ToolError("cannot write " + path);
    }
}

}  // namespace td
