#include "tools/assetpack/model_input.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno != ERANGE && std::isfinite(value);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string stem(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace

MeshMaterial parseColour(const std::string& text) {
    float channels[3];
    size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const size_t comma = text.find(',', start);
        if ((k < 2) != (comma != std::string::npos))
            throw ToolError("colour \"" + text + "\" is not R,G,B");
        const std::string part = text.substr(start, k < 2 ? comma - start : std::string::npos);
        double value;
        if (!parseNumber(part, value) || value < 0.0 || value > 1.0)
            throw ToolError("colour channel \"" + part + "\" is not a number from 0 to 1");
        channels[k] = static_cast<float>(value);
        start = comma + 1;
    }
    MeshMaterial material;
    material.red = channels[0];
    material.green = channels[1];
    material.blue = channels[2];
    return material;
}

double parseScale(const std::string& text) {
    double value;
    if (!parseNumber(text, value) || value <= 0.0)
        throw ToolError("scale \"" + text + "\" is not a number above 0");
    return value;
}

MeshModel loadModel(const std::string& path, const ModelOptions& options) {
    const std::string bytes = readWholeFile(path);
    const bool isMesh = endsWith(path, ".mesh") || bytes.find('\0') != std::string::npos;
    MeshModel model;
    try {
        model = isMesh ? readMeshModel(bytes) : readObj(bytes, path);
    } catch (const MeshFormatError& e) {
        throw ToolError(path + ": " + e.what());
    }
    if (!model.hasMaterial) {
        model.hasMaterial = true;
        model.material = MeshMaterial{0.8f, 0.8f, 0.8f, stem(path)};
    }
    if (options.colour) {
        model.material.red = options.colour->red;
        model.material.green = options.colour->green;
        model.material.blue = options.colour->blue;
    }
    if (options.name) model.material.name = *options.name;
    if (options.scale != 1.0) {
        for (MeshVertexRecord& v : model.vertices)
            for (float& p : v.position) {
                const double scaled = p * options.scale;
                if (!(std::fabs(scaled) <= 3.4e38))
                    throw ToolError("scale " + std::to_string(options.scale) +
                                    " takes a position beyond single precision");
                p = static_cast<float>(scaled);
            }
    }
    return model;
}

}  // namespace td
