#include "tools/assetpack/asset_source.h"

#include <cstdio>
#include <cstdlib>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

constexpr const char* kArrayNames[2] = {"kEmbeddedBlock1", "kEmbeddedBlock2"};
constexpr int kBytesPerLine = 16;

void emitBlock(std::string& out, const char* name, const std::string& block) {
    out += "const uint8_t ";
    out += name;
    out += "[] = {";
    // An empty block still needs one element to be a valid array; its length says 0.
    const std::string bytes = block.empty() ? std::string(1, '\0') : block;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += i % kBytesPerLine == 0 ? "\n    " : " ";
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x,", static_cast<unsigned char>(bytes[i]));
        out += hex;
    }
    out += "\n};\nconst uint32_t ";
    out += name;
    out += "Length = " + std::to_string(block.size()) + ";\n";
}

std::string parseBlock(const std::string& source, const char* name) {
    const std::string arrayStart = std::string("const uint8_t ") + name + "[] = {";
    const size_t start = source.find(arrayStart);
    if (start == std::string::npos) throw ToolError(std::string("no array ") + name);
    const size_t close = source.find("};", start);
    if (close == std::string::npos) throw ToolError(std::string("array ") + name + " never ends");
    std::string bytes;
    const char* p = source.c_str() + start + arrayStart.size();
    const char* end = source.c_str() + close;
    while (p < end) {
        if (*p == ' ' || *p == '\n' || *p == ',') {
            ++p;
            continue;
        }
        char* next = nullptr;
        const unsigned long value = std::strtoul(p, &next, 16);
        if (next == p || next > end || value > 0xFF)
            throw ToolError(std::string("array ") + name + " holds something other than bytes");
        bytes.push_back(static_cast<char>(value));
        p = next;
    }
    const std::string lengthStart = std::string("const uint32_t ") + name + "Length = ";
    const size_t lengthAt = source.find(lengthStart, close);
    if (lengthAt == std::string::npos) throw ToolError(std::string("no length for ") + name);
    const unsigned long length =
        std::strtoul(source.c_str() + lengthAt + lengthStart.size(), nullptr, 10);
    if (length == 0 && bytes.size() == 1) return std::string();
    if (length != bytes.size())
        throw ToolError(std::string("array ") + name + " holds " + std::to_string(bytes.size()) +
                        " bytes but its length says " + std::to_string(length));
    return bytes;
}

}  // namespace

std::string emitAssetSource(const PackedBlocks& blocks) {
    std::string out =
        "// The embedded model, packed: written by `assetpack pack`, do not edit by hand.\n"
        "// Each block is LZARI-compressed, then scrambled; decodeEmbeddedAsset undoes both.\n"
        "#include \"asset/embedded_asset.h\"\n"
        "\n"
        "namespace td {\n"
        "\n";
    emitBlock(out, kArrayNames[0], blocks.first);
    out += "\n";
    emitBlock(out, kArrayNames[1], blocks.second);
    out += "\n}  // namespace td\n";
    return out;
}

PackedBlocks parseAssetSource(const std::string& source) {
    return PackedBlocks{parseBlock(source, kArrayNames[0]), parseBlock(source, kArrayNames[1])};
}

}  // namespace td
