#pragma once
// The binary mesh format of the scene asset, and a reader that walks it.
//
// Little-endian throughout; counts, offsets and indices are unsigned 32-bit, coordinates and
// colours single-precision floats, markers 16-bit. A 24-byte header gives the per-pass counts and
// the end offset; at offset 24 either the vertex-section marker follows directly or a material
// block (colour at 36, name from 64 up to its zero byte) comes first. Then passes of a vertex
// section, an optional UV section and a face section run while the position stays below both
// the asset's length and the end offset.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "foundation/math.h"

namespace td {

namespace mesh {
constexpr uint16_t kVertexMarker = 0x2FF2;
constexpr uint16_t kUvMarker = 0x2EE2;

constexpr uint32_t kVertexCountOffset = 2;
constexpr uint32_t kUvCountOffset = 6;
constexpr uint32_t kFaceCountOffset = 10;
constexpr uint32_t kEndOffsetOffset = 14;
constexpr uint32_t kMarkerOffset = 24;  // the vertex-section marker, or the material block
constexpr uint32_t kColourOffset = 36;  // red, green, blue floats
constexpr uint32_t kNameOffset = 64;    // name bytes up to and including a zero byte

constexpr uint32_t kVertexSectionHeaderSize = 6;  // marker and 4 bytes nobody reads
constexpr uint32_t kVertexRecordSize = 24;        // position xyz, normal xyz
constexpr uint32_t kUvRecordSize = 8;             // u, v
constexpr uint32_t kFaceSectionLeadSize = 2;      // not interpreted
constexpr uint32_t kFaceRecordSize = 24;          // three vertex indices, three UV indices
constexpr uint32_t kFaceRecordSizeWithoutUv = 12; // three vertex indices, when the UV count is 0
}  // namespace mesh

// An asset that ends before what its header, material block, name or sections need.
class MeshFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A face naming a UV pair that has not been read: "face 12 names UV 40 of 8".
class UvIndexOutOfRange : public std::out_of_range {
public:
    UvIndexOutOfRange(uint32_t face, uint32_t index, uint32_t count);
    uint32_t face;   // the face's index in the scene
    uint32_t index;  // the UV index it names
    uint32_t count;  // the number of UV pairs read so far
};

struct MeshHeader {
    uint32_t vertexCount = 0;
    uint32_t uvCount = 0;
    uint32_t faceCount = 0;
    uint32_t endOffset = 0;
};

struct MeshMaterial {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    std::string name;  // without its zero byte
};

struct MeshVertexRecord {
    float position[3] = {0.0f, 0.0f, 0.0f};
    float normal[3] = {0.0f, 0.0f, 0.0f};
};

// A face record in file order: UV index k goes with vertex index k. Without UV records the UV
// indices are 0.
struct MeshFaceRecord {
    uint32_t vertexIndex[3] = {0, 0, 0};
    uint32_t uvIndex[3] = {0, 0, 0};
};

// The colour the program gives every vertex: each channel x 255, truncated, low 8 bits kept.
// Channels are not clamped first: 1.0 gives 255, 1.5 the low 8 bits of 382 (126); NaN and
// -inf give 0, +inf 255.
Colour materialColour(const MeshMaterial& material);

// Receives the records of an asset in file order.
class MeshVisitor {
public:
    virtual ~MeshVisitor() = default;
    virtual void onHeader(const MeshHeader& /*header*/) {}
    virtual void onMaterial(const MeshMaterial& /*material*/) {}
    virtual void onVertex(const MeshVertexRecord& record) = 0;
    virtual void onUv(float u, float v) = 0;
    virtual void onFace(const MeshFaceRecord& record) = 0;
};

// Walks a non-empty asset, handing every record to the visitor as soon as it is read. Raises
// MeshFormatError at the first field that runs past the asset's end; the records before it have
// been delivered. An empty asset delivers nothing.
void readMesh(const std::string& asset, MeshVisitor& visitor);

}  // namespace td
