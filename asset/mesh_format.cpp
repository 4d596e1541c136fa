#include "asset/mesh_format.h"

#include <cstring>

#include "foundation/convert.h"

namespace td {

UvIndexOutOfRange::UvIndexOutOfRange(uint32_t face, uint32_t index, uint32_t count)
    : std::out_of_range("face " + std::to_string(face) + " names UV " + std::to_string(index) +
                        " of " + std::to_string(count)),
      face(face),
      index(index),
      count(count) {}

Colour materialColour(const MeshMaterial& material) {
    return Colour{truncToByteLow8(material.red * 255.0), truncToByteLow8(material.green * 255.0),
                  truncToByteLow8(material.blue * 255.0)};
}

namespace {

uint32_t loadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t loadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
float loadF32(const uint8_t* p) {
    const uint32_t bits = loadU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A position in the asset and the part being read there. Every byte leaves the asset through
// take(), which is the one place that compares with the asset's length. Positions are 64-bit so
// that no offset arithmetic wraps.
class Cursor {
public:
    explicit Cursor(const std::string& bytes)
        : data_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()) {}

    uint64_t position() const { return position_; }
    uint64_t size() const { return size_; }
    void seek(uint64_t position) { position_ = position; }

    // Names what the following reads belong to; pass 0 is outside the passes.
    void enter(const char* part, uint32_t pass = 0) {
        part_ = part;
        pass_ = pass;
    }

    // The next count bytes, or MeshFormatError when the asset ends before them.
    const uint8_t* take(uint64_t count) {
        const uint64_t available = position_ < size_ ? size_ - position_ : 0;
        if (available < count) fail(count, available);
        const uint8_t* p = data_ + position_;
        position_ += count;
        return p;
    }

    uint8_t u8() { return *take(1); }
    uint16_t u16() { return loadU16(take(2)); }
    uint32_t u32() { return loadU32(take(4)); }
    float f32() { return loadF32(take(4)); }

private:
    [[noreturn]] void fail(uint64_t needed, uint64_t available) const {
        std::string what = "asset ends inside ";
        what += part_;
        if (pass_ != 0) what += " of pass " + std::to_string(pass_);
        what += " (needs " + std::to_string(needed) + (needed == 1 ? " byte" : " bytes") +
                " at offset " + std::to_string(position_) + ", has " +
                std::to_string(available) + ")";
        throw MeshFormatError(what);
    }

    const uint8_t* data_;
    uint64_t size_;
    uint64_t position_ = 0;
    const char* part_ = "the header";
    uint32_t pass_ = 0;
};

MeshHeader readHeader(Cursor& cursor) {
    cursor.enter("the header");
    MeshHeader header;
    cursor.seek(mesh::kVertexCountOffset);
    header.vertexCount = cursor.u32();
    cursor.seek(mesh::kUvCountOffset);
    header.uvCount = cursor.u32();
    cursor.seek(mesh::kFaceCountOffset);
    header.faceCount = cursor.u32();
    cursor.seek(mesh::kEndOffsetOffset);
    header.endOffset = cursor.u32();
    return header;
}

MeshMaterial readMaterial(Cursor& cursor) {
    cursor.enter("the material block");
    MeshMaterial material;
    cursor.seek(mesh::kColourOffset);
    material.red = cursor.f32();
    material.green = cursor.f32();
    material.blue = cursor.f32();
    cursor.enter("the name");
    cursor.seek(mesh::kNameOffset);
    for (uint8_t byte = cursor.u8(); byte != 0; byte = cursor.u8())
        material.name.push_back(static_cast<char>(byte));
    return material;
}

void readPass(Cursor& cursor, const MeshHeader& header, uint32_t pass, MeshVisitor& visitor) {
    cursor.enter("the vertex section", pass);
    for (uint32_t i = 0; i < header.vertexCount; ++i) {
        const uint8_t* p = cursor.take(mesh::kVertexRecordSize);
        MeshVertexRecord record;
        for (int k = 0; k < 3; ++k) {
            record.position[k] = loadF32(p + 4 * k);
            record.normal[k] = loadF32(p + 12 + 4 * k);
        }
        visitor.onVertex(record);
    }

    cursor.enter("the UV section", pass);
    const uint64_t markerAt = cursor.position();
    if (cursor.u16() == mesh::kUvMarker) {
        for (uint32_t i = 0; i < header.uvCount; ++i) {
            const uint8_t* p = cursor.take(mesh::kUvRecordSize);
            visitor.onUv(loadF32(p), loadF32(p + 4));
        }
    } else {
        cursor.seek(markerAt);  // no UV section: those two bytes lead the face section
    }

    cursor.enter("the face section", pass);
    cursor.take(mesh::kFaceSectionLeadSize);  // not interpreted
    const uint32_t recordSize =
        header.uvCount != 0 ? mesh::kFaceRecordSize : mesh::kFaceRecordSizeWithoutUv;
    for (uint32_t i = 0; i < header.faceCount; ++i) {
        const uint8_t* p = cursor.take(recordSize);
        MeshFaceRecord record;
        for (int k = 0; k < 3; ++k) {
            record.vertexIndex[k] = loadU32(p + 4 * k);
            if (header.uvCount != 0) record.uvIndex[k] = loadU32(p + 12 + 4 * k);
        }
        visitor.onFace(record);
    }
}

}  // namespace

void readMesh(const std::string& asset, MeshVisitor& visitor) {
    if (asset.empty()) return;
    Cursor cursor(asset);
    const MeshHeader header = readHeader(cursor);
    visitor.onHeader(header);

    cursor.seek(mesh::kMarkerOffset);
    if (cursor.u16() != mesh::kVertexMarker) {
        visitor.onMaterial(readMaterial(cursor));  // leaves the cursor just past the name
    } else {
        cursor.seek(mesh::kMarkerOffset);
    }
    // The vertex-section header is not examined, but an asset that ends inside it is cut short
    // and must not pass for one that holds no passes.
    cursor.enter("the vertex-section header");
    cursor.take(mesh::kVertexSectionHeaderSize);

    // Every pass consumes at least the face section's two leading bytes, so this ends.
    for (uint32_t pass = 1;
         cursor.position() < cursor.size() && cursor.position() < header.endOffset; ++pass)
        readPass(cursor, header, pass, visitor);
}

}  // namespace td
