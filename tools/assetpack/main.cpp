// assetpack: packs a model into the embedded asset source of the program, and looks inside one.
//
//   assetpack pack MODEL OUT.cpp [--colour R,G,B] [--name NAME] [--scale S]
//   assetpack unpack IN.cpp OUT.mesh          assetpack unpack BLOCK1 BLOCK2 OUT.mesh
//   assetpack info IN.cpp                     assetpack info BLOCK1 BLOCK2
//   assetpack lzari-encode IN OUT             assetpack lzari-decode IN OUT
//
// Any failure prints one line on stderr and exits with status 2, leaving no output file.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "asset/lzari_decoder.h"
#include "tools/assetpack/asset_info.h"
#include "tools/assetpack/file_io.h"
#include "tools/assetpack/lzari_encoder.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/tool_error.h"

namespace {

constexpr const char* kUsage =
    "usage: assetpack pack MODEL OUT.cpp [--colour R,G,B] [--name NAME] [--scale S]\n"
    "       assetpack unpack IN.cpp OUT.mesh | unpack BLOCK1 BLOCK2 OUT.mesh\n"
    "       assetpack info IN.cpp | info BLOCK1 BLOCK2\n"
    "       assetpack lzari-encode IN OUT | lzari-decode IN OUT\n";

// The packed blocks from a source written by pack, or from two raw block files.
td::PackedBlocks loadBlocks(const std::vector<std::string>& files) {
    if (files.size() == 1) return td::parseAssetSource(td::readWholeFile(files[0]));
    return td::PackedBlocks{td::readWholeFile(files[0]), td::readWholeFile(files[1])};
}

int pack(const std::vector<std::string>& args) {
    if (args.size() < 2) throw td::ToolError("pack needs MODEL and OUT.cpp");
    td::ModelOptions options;
    for (size_t i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) throw td::ToolError(args[i] + " needs a value");
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--colour") {
            options.colour = td::parseColour(value);
        } else if (option == "--name") {
            options.name = value;
        } else if (option == "--scale") {
            options.scale = td::parseScale(value);
        } else {
            throw td::ToolError("unknown option " + option);
        }
    }
    const td::MeshModel model = td::loadModel(args[0], options);
    td::writeWholeFile(args[1], td::packModelSource(model));
    return 0;
}

int run(const std::string& command, const std::vector<std::string>& args) {
    if (command == "pack") return pack(args);
    if (command == "unpack" && (args.size() == 2 || args.size() == 3)) {
        const std::vector<std::string> inputs(args.begin(), args.end() - 1);
        td::writeWholeFile(args.back(), td::unpackAsset(loadBlocks(inputs)));
        return 0;
    }
    if (command == "info" && (args.size() == 1 || args.size() == 2)) {
        std::fputs(td::describeAsset(loadBlocks(args)).c_str(), stdout);
        return 0;
    }
    if (command == "lzari-encode" && args.size() == 2) {
        td::writeWholeFile(args[1], td::lzariEncode(td::readWholeFile(args[0])));
        return 0;
    }
    if (command == "lzari-decode" && args.size() == 2) {
        td::LzariDecoder decoder;
        td::writeWholeFile(args[1], decoder.decode(td::readWholeFile(args[0])));
        return 0;
    }
    throw td::ToolError("no command \"" + command + "\" with " + std::to_string(args.size()) +
                        " arguments (run assetpack alone for usage)");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        return run(argv[1], std::vector<std::string>(argv + 2, argv + argc));
    } catch (const std::exception& e) {
        // Tool errors, and format errors of an input mesh, end the run the same way.
        std::fprintf(stderr, "assetpack: %s\n", e.what());
        return 2;
    }
}
