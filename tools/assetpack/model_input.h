#pragma once
// The model that pack reads: a Wavefront OBJ file or a mesh file, checked so that what is packed
// is something the program can show, and placed in its window.

#include <optional>
#include <string>
#include <vector>

#include "tools/assetpack/isolated_import.h"
#include "tools/assetpack/mesh_model.h"

namespace td {

constexpr double kDefaultFit = 0.8;  // share of the window an OBJ model is fitted to by default
// The most triangles that still spin smoothly. A frame update costs about 0.5 ms plus 28 us per
// 1,000 triangles (release build, the knot at 50,000 to 800,000 triangles): 3 ms at 100,000,
// which with the window system's 2 ms or so a frame is half the timer's 10 ms tick.
constexpr size_t kSmoothTriangles = 100000;

struct ModelOptions {
    std::optional<MeshMaterial> colour;  // only red, green and blue are used
    std::optional<std::string> name;
    // Placing. With fit, the model is centred on the point it turns about and scaled so that,
    // turned any way, it spans that share of the window's width. With scale, every position is
    // multiplied by it where it stands. Without either, OBJ models are fitted to kDefaultFit and
    // mesh files (already in the program's units) keep their positions.
    std::optional<double> fit;
    std::optional<double> scale;
    bool flip = false;  // reverse every face's corner order: the inside becomes the outside
    std::optional<size_t> maxTriangles;  // simplify the model down to at most this many triangles
    ImportLimits importLimits;           // for files the import library reads
};

struct LoadedModel {
    MeshModel model;
    size_t trianglesRead = 0;  // before any simplification
    std::vector<std::string> warnings;  // lines a user can act on, without a prefix
};

// "R,G,B", each a number from 0 to 1 (beyond 1 the program's byte conversion would wrap).
MeshMaterial parseColour(const std::string& text);
// A finite number above 0; `what` names it in the refusal.
double parsePositive(const std::string& text, const char* what);
// A number above 0 and at most 1.
double parseFit(const std::string& text);
// A whole number of triangles, at least 1.
size_t parseMaxTriangles(const std::string& text);

// Reads the file as the kind it is: a mesh file when its name ends in .mesh or its header
// matches its length, a file for the import library when its extension is one the library reads
// (other than .obj), an OBJ file when it is text. Raises ToolError naming the file for anything
// else, for a model with no face to draw or with positions that are not finite, for faces that
// name missing vertices, and for placing that takes positions beyond single precision. With
// maxTriangles the placed model is simplified. The result always has a material block: the
// options' colour and name over the file's own, else grey (0.8, 0.8, 0.8) and the file's name
// without folder and extension; a colour that the light turns into the window's key colour is
// moved off it, with a warning.
LoadedModel loadModel(const std::string& path, const ModelOptions& options);

}  // namespace td
