#pragma once
// The model-import library, behind one small adapter: nothing outside import_library.cpp sees its
// types. It reads STL, PLY, OFF, glTF 2.0, FBX, COLLADA, 3DS and the other formats it knows; what
// it hands over is flattened here into one list of triangles in world positions.
//
// The library is third-party code reading a user's file: call it only in a process that may die
// (see isolated_import.h).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace td {

struct ImportedModel {
    // Every mesh of every node, moved by the node's transform and those of its parents.
    std::vector<std::array<float, 3>> positions;  // beyond single precision: infinite
    // Corners counter-clockwise seen from the outside, as the file has them; indices unchecked.
    std::vector<std::array<uint32_t, 3>> triangles;
    std::optional<std::array<float, 3>> colour;  // diffuse or base colour of the first mesh's material
    bool vertexColours = false;                  // some drawn mesh has colours per vertex
    bool textures = false;                       // some drawn mesh's material has a colour texture
    // What the program does not draw, left out.
    uint32_t points = 0, lines = 0, cameras = 0, lights = 0, animations = 0;
};

// Whether the library takes files with this extension (".stl"; any case).
bool libraryReadsExtension(const std::string& extension);

// The file as the library reads it. Raises ToolError with the library's reason when it cannot.
ImportedModel importWithLibrary(const std::string& path);

}  // namespace td
