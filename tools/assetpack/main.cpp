// assetpack: packs a model into the embedded asset source of the program, and looks inside one.
//
//   assetpack pack MODEL OUT.cpp [--fit SHARE | --scale S] [--flip] [--colour R,G,B] [--name NAME]
//                                [--max-triangles N] [--import-seconds S]
//   assetpack unpack IN.cpp OUT.mesh          assetpack unpack BLOCK1 BLOCK2 OUT.mesh
//   assetpack info IN.cpp                     assetpack info BLOCK1 BLOCK2
//   assetpack info MODEL [pack's options]
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
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/progress.h"
#include "tools/assetpack/screen_view.h"
#include "tools/assetpack/tool_error.h"

namespace {

constexpr const char* kUsage =
    "usage: assetpack pack MODEL OUT.cpp [--fit SHARE | --scale S] [--flip] [--colour R,G,B] [--name NAME]\n"
    "                                    [--max-triangles N] [--import-seconds S]\n"
    "       assetpack unpack IN.cpp OUT.mesh | unpack BLOCK1 BLOCK2 OUT.mesh\n"
    "       assetpack info IN.cpp | info BLOCK1 BLOCK2 | info MODEL [pack's options]\n"
    "       assetpack lzari-encode IN OUT | lzari-decode IN OUT\n"
    "MODEL is a Wavefront OBJ file, a mesh file, or a file the import library reads by its extension\n"
    "(STL, PLY, OFF, glTF/GLB, FBX, COLLADA, 3DS, ...). A model other than a mesh file is centred and\n"
    "scaled to span --fit SHARE of the window (default 0.8) however it is turned; --scale S keeps\n"
    "its place and multiplies its coordinates by S instead (the program shows 100 units as half the\n"
    "window). A mesh file keeps its positions unless --fit is given. --flip turns every face inside\n"
    "out. --max-triangles N simplifies the model to at most N triangles. The import library gets\n"
    "--import-seconds S (default 120) and 4 GB of memory for a file before it is refused.\n";

// The packed blocks from a source written by pack, or from two raw block files.
td::PackedBlocks loadBlocks(const std::vector<std::string>& files) {
    if (files.size() == 1) return td::parseAssetSource(td::readWholeFile(files[0]));
    return td::PackedBlocks{td::readWholeFile(files[0]), td::readWholeFile(files[1])};
}

// The model options that follow MODEL (and OUT.cpp) from args[first] on.
td::ModelOptions parseModelOptions(const std::vector<std::string>& args, size_t first) {
    td::ModelOptions options;
    for (size_t i = first; i < args.size(); ++i) {
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
            options.scale = td::parsePositive(value, "scale");
        } else if (option == "--fit") {
            options.fit = td::parseFit(value);
        } else if (option == "--import-seconds") {
            options.importLimits.seconds = td::parsePositive(value, "import-seconds");
        } else if (option == "--max-triangles") {
            options.maxTriangles = td::parseMaxTriangles(value);
        } else {
            throw td::ToolError("unknown option " + option);
        }
    }
    return options;
}

// The model read and placed as pack would, its warnings printed.
td::LoadedModel loadWithWarnings(const std::vector<std::string>& args, size_t firstOption) {
    td::LoadedModel loaded = td::loadModel(args[0], parseModelOptions(args, firstOption));
    for (const std::string& warning : loaded.warnings) std::fprintf(stderr, "assetpack: warning: %s\n", warning.c_str());
    return loaded;
}

// "1200 triangles" or "1200 triangles (simplified from 56000)".
std::string triangleCount(const td::LoadedModel& loaded) {
    std::string text = std::to_string(loaded.model.faces.size()) + " triangles";
    if (loaded.model.faces.size() != loaded.trianglesRead)
        text += " (simplified from " + std::to_string(loaded.trianglesRead) + ")";
    return text;
}

int pack(const std::vector<std::string>& args) {
    if (args.size() < 2) throw td::ToolError("pack needs MODEL and OUT.cpp");
    const td::LoadedModel loaded = loadWithWarnings(args, 2);
    std::string source;
    td::ScreenExtent screen;
    {
        td::Progress progress("packing");
        source = td::packModelSource(loaded.model, progress.callback(), &screen);
    }
    td::writeWholeFile(args[1], source);
    std::printf("%s: %zu vertices, %s, %zu bytes of source\n%s", args[1].c_str(), loaded.model.vertices.size(),
                triangleCount(loaded).c_str(), source.size(), td::describeScreen(screen).c_str());
    return 0;
}

// info on a packed source (IN.cpp) or two block files; any other file is a model, read as pack
// reads it with the options given.
int info(const std::vector<std::string>& args) {
    const bool packed = (args.size() == 1 && args[0].size() > 4 && args[0].compare(args[0].size() - 4, 4, ".cpp") == 0) ||
                        (args.size() == 2 && args[1].compare(0, 2, "--") != 0);
    if (packed) {
        std::fputs(td::describeAsset(loadBlocks(args)).c_str(), stdout);
        return 0;
    }
    const td::LoadedModel loaded = loadWithWarnings(args, 1);
    std::printf("%s: %s\n%s", args[0].c_str(), triangleCount(loaded).c_str(),
                td::describeMesh(td::writeMesh(loaded.model)).c_str());
    return 0;
}

int run(const std::string& command, const std::vector<std::string>& args) {
    if (command == "pack") return pack(args);
    if (command == "unpack" && (args.size() == 2 || args.size() == 3)) {
        const std::vector<std::string> inputs(args.begin(), args.end() - 1);
        td::writeWholeFile(args.back(), td::unpackAsset(loadBlocks(inputs)));
        return 0;
    }
    if (command == "info" && !args.empty()) return info(args);
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
