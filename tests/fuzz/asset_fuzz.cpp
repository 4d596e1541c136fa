// Fuzzes the path of the embedded asset: a scrambled block is unscrambled, LZARI-decoded, parsed
// into a scene and drawn once into a 400 x 400 surface with a depth buffer. A bad UV index and an
// asset that ends early are the two errors the parser raises; anything else thrown ends the run.
// After the draw, both arrays of the surface must still have intact guards and the fourth byte
// of every pixel must still be zero, as the window shape relies on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "asset/block_scrambler.h"
#include "asset/lzari_decoder.h"
#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "render/renderer.h"
#include "render/surface.h"

namespace {

// Decoded lengths above this are cut down to it, so that one input cannot spend seconds
// producing megabytes.
constexpr uint32_t kMaxDecodedLength = 1u << 13;

std::string capDeclaredLength(std::string stream) {
    if (stream.size() < td::lzari::kHeaderSize) return stream;
    uint32_t length = 0;
    for (int k = 0; k < 4; ++k) length |= uint32_t{static_cast<uint8_t>(stream[k])} << (8 * k);
    if (length > kMaxDecodedLength && length < 0x80000000u) {
        for (int k = 0; k < 4; ++k)
            stream[k] = static_cast<char>((kMaxDecodedLength >> (8 * k)) & 0xFF);
    }
    return stream;
}

td::Surface& surface() {
    static td::Surface* s = [] {
        auto* created = new td::Surface;
        // Without a bitmap the fills would draw nothing and the run would prove little.
        if (!created->create(400, 400, true) || !created->depth) std::abort();
        return created;
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string block(reinterpret_cast<const char*>(data), size);
    td::LzariDecoder decoder;
    const std::string asset = decoder.decode(capDeclaredLength(td::unscrambleBlock(block)));

    td::Scene scene;
    try {
        scene.build(asset);
    } catch (const td::UvIndexOutOfRange&) {
        // What was read before the fault stays in the scene; draw it all the same.
    } catch (const td::MeshFormatError&) {
    }

    static const td::Light light(td::Vec3{0.0, 0.0, -1.0}, 0.1f);
    td::Surface& target = surface();
    target.clear(0, 255, 0);
    td::Renderer renderer;
    renderer.surface = &target;
    renderer.light = &light;
    renderer.flags |= td::Renderer::kDepthTest;
    renderer.setCamera(td::Matrix4::perspective(10.0));
    renderer.setModel(td::multiply(td::Matrix4::rotationX(0.4), td::Matrix4::rotationY(0.7)));
    renderer.render(&scene);

    const uint8_t* pixels = target.pixels->intactPayload();
    if (!pixels || !target.depth->values->guardsIntact()) std::abort();
    for (uint32_t i = 3; i < target.pixels->count(); i += 4)
        if (pixels[i] != 0) std::abort();
    return 0;
}
