#include "tools/assetpack/obj_file.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

struct Corner {
    uint32_t vertex = 0;
    bool hasUv = false;
    uint32_t uv = 0;
    bool hasNormal = false;
    uint32_t normal = 0;
};

class ObjParser {
public:
    ObjParser(const std::string& fileName) : fileName_(fileName) {}

    MeshModel parse(const std::string& text) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            ++lineNumber_;
            const size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            std::istringstream words(line);
            std::string keyword;
            if (!(words >> keyword)) continue;
            if (keyword == "v") {
                vertexWithNormal_.push_back(false);
                MeshVertexRecord record;
                readFloats(words, record.position, 3, "vertex");
                model_.vertices.push_back(record);
            } else if (keyword == "vt") {
                float uv[2];
                readFloats(words, uv, 2, "texture coordinate");
                model_.uvs.emplace_back(uv[0], uv[1]);
            } else if (keyword == "vn") {
                float n[3];
                readFloats(words, n, 3, "normal");
                normals_.push_back({n[0], n[1], n[2]});
            } else if (keyword == "f") {
                readFace(words);
            }
        }
        if (facesWithUv_ != 0 && facesWithUv_ != facesRead_)
            fail(firstFaceWithoutUvLine_, "face has no texture coordinates while others have");
        if (facesWithUv_ == 0) model_.uvs.clear();
        return std::move(model_);
    }

private:
    [[noreturn]] void fail(uint32_t line, const std::string& what) const {
        throw ToolError(fileName_ + ":" + std::to_string(line) + ": " + what);
    }
    [[noreturn]] void fail(const std::string& what) const { fail(lineNumber_, what); }

    void readFloats(std::istringstream& words, float* out, int count, const char* what) {
        for (int k = 0; k < count; ++k) {
            std::string word;
            if (!(words >> word)) fail(std::string(what) + " needs " + std::to_string(count) +
                                       " numbers");
            char* end = nullptr;
            errno = 0;
            const float value = std::strtof(word.c_str(), &end);
            if (end == word.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
                fail("\"" + word + "\" is not a usable number");
            out[k] = value;
        }
        // A fourth component (w of a vertex, w of a texture coordinate) is allowed and unused.
    }

    // An OBJ index (1-based, or negative from the end) into a list of `size` elements.
    uint32_t resolve(const std::string& text, size_t size, const char* what) const {
        char* end = nullptr;
        errno = 0;
        const long long index = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE)
            fail("\"" + text + "\" is not a " + what + " index");
        long long zeroBased = index > 0 ? index - 1 : static_cast<long long>(size) + index;
        if (index == 0 || zeroBased < 0 || zeroBased >= static_cast<long long>(size))
            fail(std::string(what) + " index " + text + " is out of range (" +
                 std::to_string(size) + " defined)");
        return static_cast<uint32_t>(zeroBased);
    }

    Corner readCorner(const std::string& word) {
        Corner c;
        const size_t slash1 = word.find('/');
        c.vertex = resolve(word.substr(0, slash1), model_.vertices.size(), "vertex");
        if (slash1 == std::string::npos) return c;
        const size_t slash2 = word.find('/', slash1 + 1);
        const std::string uv = word.substr(slash1 + 1, slash2 == std::string::npos
                                                           ? std::string::npos
                                                           : slash2 - slash1 - 1);
        if (!uv.empty()) {
            c.hasUv = true;
            c.uv = resolve(uv, model_.uvs.size(), "texture coordinate");
        } else if (slash2 == std::string::npos) {
            fail("\"" + word + "\" is not a face corner");
        }
        if (slash2 != std::string::npos) {
            c.hasNormal = true;
            c.normal = resolve(word.substr(slash2 + 1), normals_.size(), "normal");
        }
        return c;
    }

    void readFace(std::istringstream& words) {
        std::vector<Corner> corners;
        std::string word;
        while (words >> word) corners.push_back(readCorner(word));
        if (corners.size() < 3) fail("face needs at least 3 corners");
        const bool withUv = corners[0].hasUv;
        for (const Corner& c : corners) {
            if (c.hasUv != withUv) fail("face gives texture coordinates to some corners only");
            if (c.hasNormal && !vertexWithNormal_[c.vertex]) {
                vertexWithNormal_[c.vertex] = true;
                for (int k = 0; k < 3; ++k)
                    model_.vertices[c.vertex].normal[k] = normals_[c.normal][k];
            }
        }
        ++facesRead_;
        if (withUv) {
            ++facesWithUv_;
        } else if (firstFaceWithoutUvLine_ == 0) {
            firstFaceWithoutUvLine_ = lineNumber_;
        }
        // Fan around the first corner; each triangle is written with its corners reversed.
        for (size_t i = 1; i + 1 < corners.size(); ++i) {
            const Corner* triangle[3] = {&corners[i + 1], &corners[i], &corners[0]};
            MeshFaceRecord record;
            for (int k = 0; k < 3; ++k) {
                record.vertexIndex[k] = triangle[k]->vertex;
                record.uvIndex[k] = triangle[k]->uv;
            }
            model_.faces.push_back(record);
        }
    }

    std::string fileName_;
    uint32_t lineNumber_ = 0;
    MeshModel model_;
    std::vector<std::array<float, 3>> normals_;
    std::vector<bool> vertexWithNormal_;
    uint32_t facesRead_ = 0;
    uint32_t facesWithUv_ = 0;
    uint32_t firstFaceWithoutUvLine_ = 0;
};

}  // namespace

MeshModel readObj(const std::string& text, const std::string& fileName) {
    return ObjParser(fileName).parse(text);
}

std::string writeObj(const MeshModel& model) {
    std::string out;
    char line[160];
    for (const MeshVertexRecord& v : model.vertices) {
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\nvn %.9g %.9g %.9g\n",
                      v.position[0], v.position[1], v.position[2], v.normal[0], v.normal[1],
                      v.normal[2]);
        out += line;
    }
    for (const auto& uv : model.uvs) {
        std::snprintf(line, sizeof line, "vt %.9g %.9g\n", uv.first, uv.second);
        out += line;
    }
    const bool withUv = !model.uvs.empty();
    for (const MeshFaceRecord& f : model.faces) {
        out += "f";
        for (int k = 2; k >= 0; --k) {
            const unsigned long vertex = f.vertexIndex[k] + 1ul;
            if (withUv)
                std::snprintf(line, sizeof line, " %lu/%lu/%lu", vertex, f.uvIndex[k] + 1ul,
                              vertex);
            else
                std::snprintf(line, sizeof line, " %lu//%lu", vertex, vertex);
            out += line;
        }
        out += "\n";
    }
    return out;
}

}  // namespace td
