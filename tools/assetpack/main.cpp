// assetpack: packs a model into the embedded asset source of the program, and looks inside one.
//
//   assetpack pack MODEL OUT.cpp [--fit SHARE | --scale S] [--flip] [--colour R,G,B] [--name NAME]
//   assetpack unpack IN.cpp OUT.mesh          assetpack unpack BLOCK1 BLOCK2 OUT.mesh
//   assetpack info IN.cpp                     assetpack info BLOCK1 BLOCK2
//   assetpack lzari-encode IN OUT             assetpack lzari-decode IN OUT
//
// Any failure prints one line on stderr and exits with status 2, leaving no output file.
// Warnings go to stderr as lines of their own; pack's account of what it made goes to stdout.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/assetpack/asset_info.h"
#include "tools/assetpack/file_io.h"
#include "tools/assetpack/lzari_encoder.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/progress.h"
#include "tools/assetpack/screen_view.h"
#include "tools/assetpack/tool_error.h"

namespace {

constexpr const char* kUsage =
    "usage: assetpack pack MODEL OUT.cpp [--fit SHARE | --scale S] [--flip] [--colour R,G,B] [--name NAME]\n"
    "       assetpack unpack IN.cpp OUT.mesh | unpack BLOCK1 BLOCK2 OUT.mesh\n"
    "       assetpack info IN.cpp | info BLOCK1 BLOCK2\n"
    "       assetpack lzari-encode IN OUT | lzari-decode IN OUT\n"
    "MODEL is a Wavefront OBJ file or a mesh file. An OBJ model is centred and scaled to span\n"
    "--fit SHARE of the window (default 0.8) however it is turned; --scale S keeps its place and\n"
    "multiplies its coordinates by S instead (the program shows 100 units as half the window).\n"
    "A mesh file keeps its positions unless --fit is given. --flip turns every face inside out.\n";

// The packed blocks from a source written by pack, or from two raw block files.
td::PackedBlocks loadBlocks(const std::vector<std::string>& files) {
    if (files.size() == 1) return td::parseAssetSource(td::readWholeFile(files[0]));
    return td::PackedBlocks{td::readWholeFile(files[0]), td::readWholeFile(files[1])};
}

int pack(const std::vector<std::string>& args) {
    if (args.size() < 2) throw td::ToolError("pack needs MODEL and OUT.cpp");
    td::ModelOptions options;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--flip") {
            options.flip = true;
            continue;
        }
        if (i + 1 >= args.size()) throw td::ToolError(option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--colour") {
            options.colour = td::parseColour(value);
        } else if (option == "--name") {
            options.name = value;
        } else if (option == "--scale") {
            options.scale = td::parseScale(value);
        } else if (option == "--fit") {
            options.fit = td::parseFit(value);
        } else {
            throw td::ToolError("unknown option " + option);
        }
    }
    const td::LoadedModel loaded = td::loadModel(args[0], options);
    for (const std::string& warning : loaded.warnings) std::fprintf(stderr, "assetpack: warning: %s\n", warning.c_str());
    std::string source;
    td::ScreenExtent screen;
    {
        td::Progress progress("packing");
        source = td::packModelSource(loaded.model, progress.callback(), &screen);
    }
    td::writeWholeFile(args[1], source);
    std::printf("%s: %zu vertices, %zu triangles, %zu bytes of source\n%s", args[1].c_str(),
                loaded.model.vertices.size(), loaded.model.faces.size(), source.size(),
                td::describeScreen(screen).c_str());
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
        td::writeWholeFile(args[1], td::decodeRawStream(td::readWholeFile(args[0])));
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
