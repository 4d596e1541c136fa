#include "tools/assetpack/asset_source.h"

#include <cstdlib>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

constexpr const char* kArrayNames[2] = {"kEmbeddedBlock1", "kEmbeddedBlock2"};
constexpr size_t kBytesPerLine = 40;

// A block as adjacent string literals: printable characters as themselves, every other byte as a
// three-digit octal escape (which never swallows a following digit), '?' escaped so that no
// trigraph can form. The compiler reads this many times faster than a list of numbers, and the
// array's bytes are the same; the literal's closing zero byte is one element more than the
// length says.
void emitBlock(std::string& out, const char* name, const std::string& block) {
    out += "const uint8_t ";
    out += name;
    out += "[] =";
    if (block.empty()) out += "\n    \"\"";
    for (size_t i = 0; i < block.size(); ++i) {
        if (i % kBytesPerLine == 0) out += i == 0 ? "\n    \"" : "\"\n    \"";
        const unsigned char c = static_cast<unsigned char>(block[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            out += static_cast<char>(c);
        } else {
            const char escape[4] = {'\\', static_cast<char>('0' + (c >> 6)),
                                    static_cast<char>('0' + ((c >> 3) & 7)),
                                    static_cast<char>('0' + (c & 7))};
            out.append(escape, 4);
        }
    }
    if (!block.empty()) out += '"';
    out += ";\nconst uint32_t ";
    out += name;
    out += "Length = " + std::to_string(block.size()) + ";\n";
}

[[noreturn]] void damaged(const char* name, const std::string& what) {
    throw ToolError(std::string("array ") + name + " " + what);
}

// The bytes of the string literals from p up to the ';' that ends the initialiser.
std::string parseLiterals(const char*& p, const char* name) {
    std::string bytes;
    for (;;) {
        while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
        if (*p == ';') return bytes;
        if (*p != '"') damaged(name, "holds something other than string literals");
        for (++p; *p != '"'; ++p) {
            if (*p == '\0' || *p == '\n') damaged(name, "has a string that never ends");
            if (*p != '\\') {
                bytes.push_back(*p);
                continue;
            }
            ++p;
            if (*p >= '0' && *p <= '7') {
                unsigned value = 0;
                for (int k = 0; k < 3 && *p >= '0' && *p <= '7'; ++k, ++p) value = value * 8 + (*p - '0');
                if (value > 0xFF) damaged(name, "holds an escape beyond a byte");
                bytes.push_back(static_cast<char>(value));
                --p;
            } else if (*p == '\\' || *p == '"' || *p == '?' || *p == '\'') {
                bytes.push_back(*p);
            } else {
                damaged(name, "holds an escape assetpack does not write");
            }
        }
        ++p;
    }
}

// The bytes of a brace list of numbers, the form older versions of pack wrote.
std::string parseNumbers(const char*& p, const char* name) {
    std::string bytes;
    for (++p; *p != '}'; ) {
        if (*p == ' ' || *p == '\n' || *p == '\r' || *p == ',') {
            ++p;
            continue;
        }
        char* next = nullptr;
        const unsigned long value = std::strtoul(p, &next, 16);
        if (next == p || value > 0xFF) damaged(name, "holds something other than bytes");
        bytes.push_back(static_cast<char>(value));
        p = next;
    }
    return bytes;
}

std::string parseBlock(const std::string& source, const char* name) {
    const std::string arrayStart = std::string("const uint8_t ") + name + "[] =";
    const size_t start = source.find(arrayStart);
    if (start == std::string::npos) throw ToolError(std::string("no array ") + name);
    const char* p = source.c_str() + start + arrayStart.size();
    while (*p == ' ' || *p == '\n') ++p;
    std::string bytes = *p == '{' ? parseNumbers(p, name) : parseLiterals(p, name);
    const std::string lengthStart = std::string("const uint32_t ") + name + "Length = ";
    const size_t lengthAt = source.find(lengthStart, static_cast<size_t>(p - source.c_str()));
    if (lengthAt == std::string::npos) throw ToolError(std::string("no length for ") + name);
    const unsigned long length =
        std::strtoul(source.c_str() + lengthAt + lengthStart.size(), nullptr, 10);
    // A brace list needs one element even for an empty block.
    if (length == 0 && bytes.size() == 1 && bytes[0] == '\0') return std::string();
    if (length != bytes.size())
        damaged(name, "holds " + std::to_string(bytes.size()) + " bytes but its length says " +
                          std::to_string(length));
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
    out.reserve(out.size() + 3 * (blocks.first.size() + blocks.second.size()) + 512);
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
