#pragma once
// The one model the viewer shows: a triangle mesh whose vertices carry a position, a colour and a
// normal, and whose faces carry three vertex indices and a texture coordinate per corner.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/math.h"

namespace td {

class Texture;

struct Vertex {
    Vec3 position;  // scene units
    Colour colour;
    Vec3 normal;  // after building: a unit vector or (0, 0, 0)
};

struct TexCoord {
    double u = 0.0;
    double v = 0.0;  // 0 is the top row of the texture
};

struct Face {
    // Not checked against the number of vertices when faces are added: every reader checks all
    // three before using a face.
    uint32_t vertexIndex[3] = {0, 0, 0};
    TexCoord uv[3];  // in the same corner order as vertexIndex
};

class Scene {
public:
    // Empties the scene, parses the decoded asset into it and, unless the asset is empty,
    // recomputes the vertex normals. Throws UvIndexOutOfRange for a face naming a missing UV pair
    // and MeshFormatError for an asset that ends before what its header promises.
    void build(const std::string& asset);

    // Replaces the normal of every vertex by the normalised average of the normals of the faces
    // that use it (exactly the normal of a face when only one does, (0, 0, 0) when none does).
    void computeVertexNormals();
    // One unit normal (or (0, 0, 0)) per face, in face order.
    std::vector<Vec3> faceNormals() const;
    // The faces that use vertex j at any corner, ascending, each once.
    std::vector<uint32_t> facesOfVertex(uint32_t j) const;

    // Copies of the arrays.
    std::vector<Vertex> verticesCopy() const { return vertices; }
    std::vector<Face> facesCopy() const { return faces; }

    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    const Texture* texture = nullptr;  // not owned; nothing in the program sets it
};

}  // namespace td
