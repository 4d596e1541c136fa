#include "tools/assetpack/mesh_model.h"

#include <cstring>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

class MeshBytes {
public:
    void u8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) u8(static_cast<uint8_t>(v >> shift));
    }
    void f32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        u32(bits);
    }
    void zeros(size_t n) { bytes_.append(n, '\0'); }
    void patchU32(size_t offset, uint32_t v) {
        for (int k = 0; k < 4; ++k) bytes_[offset + k] = static_cast<char>(v >> (8 * k));
    }
    size_t size() const { return bytes_.size(); }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

uint32_t count32(size_t n, const char* what) {
    if (n > UINT32_MAX) throw ToolError(std::string("too many ") + what + " for the mesh format");
    return static_cast<uint32_t>(n);
}

class ModelCollector : public MeshVisitor {
public:
    explicit ModelCollector(MeshModel& model) : model_(model) {}
    void onMaterial(const MeshMaterial& material) override {
        model_.hasMaterial = true;
        model_.material = material;
    }
    void onVertex(const MeshVertexRecord& record) override { model_.vertices.push_back(record); }
    void onUv(float u, float v) override { model_.uvs.emplace_back(u, v); }
    void onFace(const MeshFaceRecord& record) override { model_.faces.push_back(record); }

private:
    MeshModel& model_;
};

}  // namespace

std::string writeMesh(const MeshModel& model) {
    const bool withUv = !model.uvs.empty();
    MeshBytes out;
    out.zeros(mesh::kVertexCountOffset);
    out.u32(count32(model.vertices.size(), "vertices"));
    out.u32(count32(model.uvs.size(), "UV pairs"));
    out.u32(count32(model.faces.size(), "faces"));
    const size_t endOffsetAt = out.size();
    out.u32(0);  // end offset, patched below
    out.zeros(mesh::kMarkerOffset - out.size());
    if (model.hasMaterial) {
        if (model.material.name.find('\0') != std::string::npos)
            throw ToolError("the model's name holds a zero byte");
        // Anything but the vertex marker at 24 announces the material block.
        out.zeros(mesh::kColourOffset - mesh::kMarkerOffset);
        out.f32(model.material.red);
        out.f32(model.material.green);
        out.f32(model.material.blue);
        out.zeros(mesh::kNameOffset - out.size());
        for (char c : model.material.name) out.u8(static_cast<uint8_t>(c));
        out.u8(0);
    }
    out.u16(mesh::kVertexMarker);
    out.zeros(mesh::kVertexSectionHeaderSize - 2);

    for (const MeshVertexRecord& v : model.vertices) {
        for (float p : v.position) out.f32(p);
        for (float n : v.normal) out.f32(n);
    }
    if (withUv) {
        out.u16(mesh::kUvMarker);
        for (const auto& uv : model.uvs) {
            out.f32(uv.first);
            out.f32(uv.second);
        }
    }
    out.zeros(mesh::kFaceSectionLeadSize);
    for (const MeshFaceRecord& f : model.faces) {
        for (uint32_t i : f.vertexIndex) out.u32(i);
        if (withUv)
            for (uint32_t i : f.uvIndex) out.u32(i);
    }
    out.patchU32(endOffsetAt, count32(out.size(), "bytes"));
    return out.take();
}

MeshModel readMeshModel(const std::string& bytes) {
    MeshModel model;
    ModelCollector collector(model);
    readMesh(bytes, collector);
    return model;
}

}  // namespace td
