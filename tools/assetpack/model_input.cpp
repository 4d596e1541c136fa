#include "tools/assetpack/model_input.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "asset/mesh_format.h"
#include "tools/assetpack/file_io.h"
#include "tools/assetpack/isolated_import.h"
#include "tools/assetpack/mesh_simplifier.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/progress.h"
#include "tools/assetpack/screen_view.h"
#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno != ERANGE && std::isfinite(value);
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stem(const std::string& path) {
    std::string name = fileName(path);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string extension(const std::string& path) {
    const std::string name = fileName(path);
    const size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

uint32_t loadU32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
    return v;
}

// A mesh file as pack and unpack write it: its header's end offset is its length, and it reads
// through without running short.
bool isMeshFile(const std::string& bytes) {
    if (bytes.size() < mesh::kMarkerOffset + mesh::kVertexSectionHeaderSize) return false;
    if (loadU32(bytes, mesh::kEndOffsetOffset) != bytes.size()) return false;
    try {
        readMeshModel(bytes);
        return true;
    } catch (const MeshFormatError&) {
        return false;
    }
}

// What a file that is neither OBJ nor mesh seems to be, for the refusal: " (it looks like ...)".
std::string lookalike(const std::string& bytes) {
    struct Magic {
        const char* start;
        const char* kind;
    };
    static const Magic kinds[] = {
        {"glTF", "a binary glTF file"}, {"PK\x03\x04", "a ZIP archive, such as 3MF"},
        {"BM", "a BMP image"},          {"\x89PNG", "a PNG image"},
        {"\xFF\xD8\xFF", "a JPEG image"}, {"solid", "an ASCII STL file"},
        {"ply", "a PLY file"},          {"OFF", "an OFF file"},
        {"Kaydara FBX", "an FBX file"}, {"{", "a JSON file, such as glTF"},
        {"<", "an XML or HTML file"},
    };
    for (const Magic& m : kinds)
        if (bytes.compare(0, std::strlen(m.start), m.start) == 0) return std::string(" (it looks like ") + m.kind + ")";
    if (bytes.size() >= 84 && bytes.size() == 84 + 50ull * loadU32(bytes, 80)) return " (it looks like a binary STL file)";
    return "";
}

[[noreturn]] void notAModel(const std::string& path, const std::string& why, const std::string& bytes) {
    throw ToolError(path + " " + why + lookalike(bytes) +
                    "; assetpack reads Wavefront OBJ files (text), mesh files, and STL, PLY, OFF, glTF, FBX, COLLADA, "
                    "3DS and the import library's other formats by their extension: name the file for its format");
}

// UTF-16 text: it starts with its byte-order mark, or its first characters are ASCII, each a
// nonzero byte beside a zero byte.
bool isUtf16(const std::string& bytes) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) return true;
    const size_t n = std::min<size_t>(bytes.size() / 2 * 2, 64);
    for (size_t zero : {0, 1}) {
        bool ascii = n >= 4;
        for (size_t i = 0; ascii && i < n; i += 2)
            ascii = bytes[i + zero] == '\0' && bytes[i + 1 - zero] > 0 && bytes[i + 1 - zero] < 0x7F;
        if (ascii) return true;
    }
    return false;
}

// The checks the program relies on for a model whose positions come as floats (a mesh file, or
// what the import library read): finite positions, faces naming existing vertices and UV pairs.
// A bad one would draw garbage or nothing.
void checkRecords(const std::string& path, const MeshModel& mesh) {
    const size_t count = mesh.vertices.size();
    for (size_t i = 0; i < count; ++i) {
        const float* p = mesh.vertices[i].position;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            throw ToolError(path + ": vertex " + std::to_string(i) + " has a position that is not a finite number");
    }
    const std::vector<MeshFaceRecord>& faces = mesh.faces;
    for (size_t f = 0; f < faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            if (faces[f].vertexIndex[k] >= count)
                throw ToolError(path + ": face " + std::to_string(f) + " names vertex " +
                                std::to_string(faces[f].vertexIndex[k]) + " of " + std::to_string(count));
            if (!mesh.uvs.empty() && faces[f].uvIndex[k] >= mesh.uvs.size())
                throw ToolError(path + ": face " + std::to_string(f) + " names UV pair " +
                                std::to_string(faces[f].uvIndex[k]) + " of " + std::to_string(mesh.uvs.size()));
        }
}

ReadModel withPositions(MeshModel mesh) {
    ReadModel read;
    read.mesh = std::move(mesh);
    for (const MeshVertexRecord& v : read.mesh.vertices)
        read.positions.push_back(Vec3{v.position[0], v.position[1], v.position[2]});
    return read;
}

ReadModel readMeshInput(const std::string& path, const std::string& bytes) {
    if (bytes.empty()) throw ToolError(path + " is empty: there is no model in it");
    MeshModel mesh;
    try {
        mesh = readMeshModel(bytes);
    } catch (const MeshFormatError& e) {
        throw ToolError(path + ": not a complete mesh file: " + e.what());
    }
    checkRecords(path, mesh);
    return withPositions(std::move(mesh));
}

// What the import library read, checked as a mesh file is, and fitted by default as OBJ files are.
ReadModel readLibraryInput(const std::string& path, const ImportLimits& limits) {
    const ImportedModel imported = importIsolated(path, limits);
    MeshModel mesh;
    mesh.vertices.resize(imported.positions.size());
    for (size_t i = 0; i < imported.positions.size(); ++i)
        std::copy(imported.positions[i].begin(), imported.positions[i].end(), mesh.vertices[i].position);
    for (const auto& t : imported.triangles) {
        MeshFaceRecord face;
        std::copy(t.rbegin(), t.rend(), face.vertexIndex);  // stored reversed, as OBJ faces are
        mesh.faces.push_back(face);
    }
    checkRecords(path, mesh);
    weldVertices(mesh);
    if (imported.colour && std::all_of(imported.colour->begin(), imported.colour->end(), [](float c) { return std::isfinite(c); })) {
        // Colours beyond 1, as some formats hold for lights that glow, show as the brightest.
        mesh.hasMaterial = true;
        const auto channel = [&](int k) { return std::clamp(imported.colour->at(k), 0.0f, 1.0f); };
        mesh.material = MeshMaterial{channel(0), channel(1), channel(2), stem(path)};
    }
    ReadModel read = withPositions(std::move(mesh));
    read.fitByDefault = true;
    read.points = imported.points;
    read.lines = imported.lines;
    std::string leftOut;
    const std::pair<uint32_t, const char*> parts[] = {{imported.points, "point"},   {imported.lines, "line"},
                                                      {imported.cameras, "camera"}, {imported.lights, "light"},
                                                      {imported.animations, "animation"}};
    for (const auto& [count, what] : parts)
        if (count > 0)
            leftOut += (leftOut.empty() ? "" : ", ") + std::to_string(count) + " " + what + (count > 1 ? "s" : "");
    if (!leftOut.empty() && !read.mesh.faces.empty())
        read.warnings.push_back(path + ": left out " + leftOut + ": the program draws only triangles, and holds them still");
    if (imported.vertexColours || imported.textures)
        read.unshownColours = imported.vertexColours && imported.textures ? "vertex colours and textures"
                              : imported.vertexColours                    ? "vertex colours"
                                                                          : "textures";
    return read;
}

ReadModel readInput(const std::string& path, const std::string& bytes, const ImportLimits& limits) {
    const std::string ext = extension(path);
    if (ext == ".mesh" || (ext != ".obj" && isMeshFile(bytes))) return readMeshInput(path, bytes);
    if (bytes.empty()) throw ToolError(path + " is empty: there is no model in it");
    if (ext != ".obj" && libraryReadsExtension(ext)) return readLibraryInput(path, limits);
    if (isUtf16(bytes))
        throw ToolError(path + " is UTF-16 text: save it as UTF-8 or ASCII, the text form OBJ files use");
    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos)
        notAModel(path, "is not text (byte " + std::to_string(zero) + " is zero), so not an OBJ file" +
                            (ext == ".obj" ? "" : ", nor a mesh file"),
                  bytes);
    Progress progress("reading");
    ReadModel read = readObj(bytes, path, progress.callback());
    read.fitByDefault = true;
    if (!read.anyObjStatement) {
        const size_t lineEnd = bytes.find_first_of("\r\n");
        std::string first = bytes.substr(0, std::min<size_t>(lineEnd, 40));
        notAModel(path, "is text but not an OBJ file: none of its lines is an OBJ statement (its first line is \"" +
                            first + "\")",
                  bytes);
    }
    return read;
}

// Moves the model into place and writes the mesh's float positions.
void place(ReadModel& read, const std::string& path, const ModelOptions& options, bool fitByDefault) {
    Vec3 centre;
    double factor = 1.0;
    const std::optional<double> fit = options.fit ? options.fit : (!options.scale && fitByDefault)
                                                                       ? std::optional<double>(kDefaultFit)
                                                                       : std::nullopt;
    if (fit) {
        // Only the vertices that faces use are drawn: a stray one elsewhere must not shrink the model.
        std::vector<bool> used(read.positions.size(), false);
        for (const MeshFaceRecord& f : read.mesh.faces)
            for (uint32_t v : f.vertexIndex) used[v] = true;
        const Vec3 first = read.positions[read.mesh.faces[0].vertexIndex[0]];
        Vec3 low = first, high = first;
        for (size_t i = 0; i < used.size(); ++i) {
            if (!used[i]) continue;
            const Vec3& p = read.positions[i];
            low = Vec3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = Vec3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        // Halved first, so that the sum stays within range.
        centre = Vec3{low.x / 2 + high.x / 2, low.y / 2 + high.y / 2, low.z / 2 + high.z / 2};
        double reach = 0.0;
        for (size_t i = 0; i < used.size(); ++i) {
            const Vec3& p = read.positions[i];
            if (used[i]) reach = std::max(reach, std::hypot(p.x - centre.x, p.y - centre.y, p.z - centre.z));
        }
        if (reach > 0.0 && std::isfinite(reach)) factor = reachForShare(*fit) / view::kAssetUnit / reach;
    } else if (options.scale) {
        factor = *options.scale;
    }
    for (size_t i = 0; i < read.positions.size(); ++i) {
        const Vec3& p = read.positions[i];
        const double xyz[3] = {(p.x - centre.x) * factor, (p.y - centre.y) * factor, (p.z - centre.z) * factor};
        for (int k = 0; k < 3; ++k) {
            if (!(std::fabs(xyz[k]) <= FLT_MAX))
                throw ToolError(path + ": vertex " + std::to_string(i + 1) + " (counting from 1) lands beyond single precision (" +
                                std::to_string(xyz[k]) + "); pack with --fit to bring the model into the window");
            read.mesh.vertices[i].position[k] = static_cast<float>(xyz[k]);
        }
    }
}

// Six times the volume the faces enclose, counted positive where they face outward as the program
// draws them, and the sum of the magnitudes of its parts.
void windingVolume(const MeshModel& model, double& signedVolume, double& absoluteVolume) {
    signedVolume = absoluteVolume = 0.0;
    for (const MeshFaceRecord& f : model.faces) {
        // The program reverses the file's corner order.
        const float* a = model.vertices[f.vertexIndex[2]].position;
        const float* b = model.vertices[f.vertexIndex[1]].position;
        const float* c = model.vertices[f.vertexIndex[0]].position;
        const double v = double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) +
                         double(a[1]) * (double(b[2]) * c[0] - double(b[0]) * c[2]) +
                         double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0]);
        signedVolume += v;
        absoluteVolume += std::fabs(v);
    }
}

// Whether nearly every edge is shared by two faces, so that the faces enclose a volume whose sign
// says which way they face; an open sheet has no inside to show.
bool mostlyClosed(const MeshModel& model) {
    std::vector<uint64_t> edges;
    edges.reserve(model.faces.size() * 3);
    for (const MeshFaceRecord& f : model.faces)
        for (int k = 0; k < 3; ++k) {
            const uint64_t a = f.vertexIndex[k], b = f.vertexIndex[(k + 1) % 3];
            edges.push_back(std::min(a, b) << 32 | std::max(a, b));
        }
    std::sort(edges.begin(), edges.end());
    size_t open = 0;
    for (size_t i = 0; i < edges.size();) {
        size_t j = i + 1;
        while (j < edges.size() && edges[j] == edges[i]) ++j;
        open += j - i == 1;
        i = j;
    }
    return open * 10 <= edges.size();
}

bool hasArea(const MeshModel& model) {
    for (const MeshFaceRecord& f : model.faces) {
        const float* a = model.vertices[f.vertexIndex[0]].position;
        const float* b = model.vertices[f.vertexIndex[1]].position;
        const float* c = model.vertices[f.vertexIndex[2]].position;
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double w[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        if (u[1] * w[2] != u[2] * w[1] || u[2] * w[0] != u[0] * w[2] || u[0] * w[1] != u[1] * w[0]) return true;
    }
    return false;
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

double parsePositive(const std::string& text, const char* what) {
    double value;
    if (!parseNumber(text, value) || value <= 0.0)
        throw ToolError(std::string(what) + " \"" + text + "\" is not a number above 0");
    return value;
}

double parseFit(const std::string& text) {
    double value;
    if (!parseNumber(text, value) || value <= 0.0 || value > 1.0)
        throw ToolError("fit \"" + text + "\" is not a share of the window above 0 and at most 1");
    return value;
}

size_t parseMaxTriangles(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' || errno == ERANGE ||
        value < 1 || value > UINT32_MAX)
        throw ToolError("max-triangles \"" + text + "\" is not a whole number from 1 to " + std::to_string(UINT32_MAX));
    return static_cast<size_t>(value);
}

LoadedModel loadModel(const std::string& path, const ModelOptions& options) {
    if (options.fit && options.scale) throw ToolError("--fit and --scale place the model in different ways: give one");
    ReadModel read = readInput(path, readWholeFile(path), options.importLimits);
    if (read.mesh.faces.empty()) {
        std::string what = path + ": no faces: " + std::to_string(read.mesh.vertices.size()) + " points and 0 faces";
        if (read.lines + read.points > 0)
            what += read.anyObjStatement ? " (its " + std::to_string(read.lines) + " l and " + std::to_string(read.points) +
                                               " p statements draw lines and points, which the program does not show)"
                                         : " (it holds " + std::to_string(read.points) + " points and " +
                                               std::to_string(read.lines) + " lines, which the program does not show)";
        throw ToolError(what);
    }
    // Placing and checking a large model take a while, seconds in a sanitizer build: a step of its own.
    Progress checking("checking");
    checking.update(0.0);
    place(read, path, options, read.fitByDefault);
    checking.update(0.3);

    LoadedModel loaded;
    loaded.warnings = std::move(read.warnings);
    MeshModel& model = loaded.model;
    model = std::move(read.mesh);
    loaded.trianglesRead = model.faces.size();
    if (options.maxTriangles) {
        const Simplification simplified = simplifyModel(model, *options.maxTriangles);
        if (simplified.sloppy)
            loaded.warnings.push_back(path + ": simplifying by collapsing edges stopped above " +
                                      std::to_string(*options.maxTriangles) +
                                      " triangles without tearing the surface; the rest merged nearby vertices, "
                                      "which may change its outline and open holes");
    }
    if (model.faces.size() > kSmoothTriangles)
        loaded.warnings.push_back(path + ": " + std::to_string(model.faces.size()) +
                                  " triangles are more than spin smoothly (about " + std::to_string(kSmoothTriangles) +
                                  ", where a frame takes half the timer's 10 ms tick): pack with --max-triangles " +
                                  std::to_string(kSmoothTriangles));
    if (!hasArea(model))
        throw ToolError(path + ": no face has any area: every one of its " + std::to_string(model.faces.size()) +
                        " triangles has its corners on one line, so nothing would show");

    if (options.flip)
        for (MeshFaceRecord& f : model.faces) {
            std::swap(f.vertexIndex[0], f.vertexIndex[2]);
            std::swap(f.uvIndex[0], f.uvIndex[2]);
        }
    double signedVolume, absoluteVolume;
    windingVolume(model, signedVolume, absoluteVolume);
    checking.update(0.5);
    if (signedVolume < -0.01 * absoluteVolume && mostlyClosed(model))
        loaded.warnings.push_back(
            path + ": most faces face inward (the enclosed volume counts negative), and the program draws only "
                   "the faces turned towards the viewer, so it would show the model's inside: pack with" +
            std::string(options.flip ? "out --flip" : " --flip"));

    const char* colourFrom = model.hasMaterial ? "the first material's colour" : "the default grey";
    if (!model.hasMaterial) {
        model.hasMaterial = true;
        model.material = MeshMaterial{0.8f, 0.8f, 0.8f, stem(path)};
    }
    if (options.colour) {
        colourFrom = "--colour";
        model.material.red = options.colour->red;
        model.material.green = options.colour->green;
        model.material.blue = options.colour->blue;
    }
    if (options.name) model.material.name = *options.name;
    for (float channel : {model.material.red, model.material.green, model.material.blue})
        if (!(channel >= 0.0f && channel <= 1.0f))
            throw ToolError(path + ": the colour channel " + std::to_string(channel) +
                            " is not from 0 to 1 (the program would wrap it): pack with --colour R,G,B");
    // Pure green is the key colour that the window cuts out of its shape. A fully lit corner shows
    // the colour's bytes; any dimmer corner has a green of at most 254. Shading between them
    // truncates every channel, so a red or blue of 1 falls to 0 a pixel away from the lit corner,
    // while green is still 255; a red or blue of 2 or more stays above 0 until green is far lower.
    // One step less green keeps the model whole.
    const Colour bytes = materialColour(model.material);
    if (bytes.green == 255 && bytes.red <= 1 && bytes.blue <= 1) {
        model.material.green = 254.5f / 255.0f;
        loaded.warnings.push_back(path + ": the colour (bytes " + std::to_string(bytes.red) + ", 255, " +
                                  std::to_string(bytes.blue) +
                                  ") lights or shades to pure green (0, 255, 0), the key colour the window cuts "
                                  "out of its shape; its green is lowered to 254 of 255");
    }
    if (!read.unshownColours.empty()) {
        char colour[64];
        std::snprintf(colour, sizeof colour, "%g,%g,%g", model.material.red, model.material.green, model.material.blue);
        loaded.warnings.push_back(path + ": its " + read.unshownColours +
                                  " are not shown: the program draws the model in one colour, " + colour + " (" +
                                  colourFrom + ")");
    }
    return loaded;
}

}  // namespace td
