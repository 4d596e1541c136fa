#include "tools/assetpack/obj_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "tools/assetpack/tool_error.h"
#include "tools/assetpack/triangulate.h"

namespace td {

namespace {

constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

struct Corner {
    uint32_t vertex = 0;
    uint32_t uv = kNone;
    uint32_t normal = kNone;
};

// How often something worth a warning happened, and the first line where it did.
struct Tally {
    size_t count = 0;
    uint32_t firstLine = 0;
    void add(uint32_t line) {
        if (count++ == 0) firstLine = line;
    }
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

float toStoredFloat(double value) {
    // Texture coordinates and normals do not reach the screen; beyond single precision they are
    // kept at its largest value rather than refused.
    return static_cast<float>(std::clamp(value, -double(FLT_MAX), double(FLT_MAX)));
}

class ObjParser {
public:
    ObjParser(const std::string& fileName, const ProgressCallback& progress)
        : fileName_(fileName), progress_(progress) {}

    ReadModel parse(const std::string& text) {
        const char* p = text.data();
        const char* const end = p + text.size();
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) p += 3;
        const char* reported = p;
        while (p < end) {
            if (progress_ && p - reported > (1 << 20)) {
                reported = p;
                progress_(static_cast<double>(p - text.data()) / static_cast<double>(text.size()));
            }
            // One line, and the lines a backslash at the end continues it with.
            line_.clear();
            ++lineNumber_;
            const uint32_t first = lineNumber_;
            for (;;) {
                const char* stop = p;
                while (stop < end && *stop != '\n' && *stop != '\r') ++stop;
                line_.append(p, stop);
                p = stop;
                if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;  // LF, CRLF or CR
                if (line_.empty() || line_.back() != '\\' || p >= end) break;
                line_.back() = ' ';
                ++lineNumber_;
            }
            const size_t hash = line_.find('#');
            if (hash != std::string::npos) line_.erase(hash);
            statement(first);
        }
        finish();
        return std::move(model_);
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw ToolError(fileName_ + ":" + std::to_string(statementLine_) + ": " + what);
    }

    // The next word of the statement, or an empty range at its end.
    bool word(const char*& begin, const char*& stop) {
        while (isSpace(*cursor_)) ++cursor_;
        begin = cursor_;
        while (*cursor_ != '\0' && !isSpace(*cursor_)) ++cursor_;
        stop = cursor_;
        return begin != stop;
    }

    bool number(double& value) {
        const char *begin, *stop;
        if (!word(begin, stop)) return false;
        char* end = nullptr;
        errno = 0;
        value = std::strtod(begin, &end);
        const std::string text(begin, stop);
        if (end != stop) fail("\"" + text + "\" is not a number");
        if (std::isnan(value)) fail("\"" + text + "\" is not a number (NaN)");
        // Underflow gives a subnormal number or zero, which is fine; overflow gives infinity.
        if (std::isinf(value))
            fail("\"" + text + "\" is " + (errno == ERANGE ? "beyond the range of numbers" : "infinite"));
        return true;
    }

    void numbers(double* out, int least, int most, const char* what) {
        int k = 0;
        for (double value; k < most && number(value); ++k) out[k] = value;
        if (k < least)
            fail(std::string(what) + " needs " + (least == most ? "" : "at least ") + std::to_string(least) +
                 (least == 1 ? " number" : " numbers"));
    }

    void statement(uint32_t line) {
        statementLine_ = line;
        cursor_ = line_.c_str();
        const char *begin, *stop;
        if (!word(begin, stop)) return;
        const std::string_view keyword(begin, static_cast<size_t>(stop - begin));
        if (keyword == "v") {
            double xyz[3];
            numbers(xyz, 3, 3, "vertex");  // a w or a vertex colour after them is not used
            model_.positions.push_back(Vec3{xyz[0], xyz[1], xyz[2]});
            model_.mesh.vertices.emplace_back();
            vertexHasNormal_.push_back(false);
        } else if (keyword == "vt") {
            double uv[3] = {0.0, 0.0, 0.0};
            numbers(uv, 1, 3, "texture coordinate");
            model_.mesh.uvs.emplace_back(toStoredFloat(uv[0]), toStoredFloat(uv[1]));
        } else if (keyword == "vn") {
            double n[3];
            numbers(n, 3, 3, "normal");
            normals_.push_back({toStoredFloat(n[0]), toStoredFloat(n[1]), toStoredFloat(n[2])});
        } else if (keyword == "f" || keyword == "fo") {
            face();
        } else if (keyword == "p") {
            ++model_.points;
        } else if (keyword == "l") {
            ++model_.lines;
        } else if (keyword != "o" && keyword != "g" && keyword != "s" && keyword != "usemtl" &&
                   keyword != "mtllib" && keyword != "vp") {
            return;  // not an OBJ statement, or one that says nothing about the surface
        }
        model_.anyObjStatement = true;
    }

    // An OBJ index (1-based, or negative from the end) into a list of `size` elements.
    uint32_t resolve(const char* begin, const char* stop, size_t size, const char* what) {
        const std::string text(begin, stop);
        long long index = 0;
        const char* q = begin + (*begin == '-' || *begin == '+');
        if (q == stop) fail("\"" + text + "\" is not " + what + " index");
        for (; q < stop; ++q) {
            if (*q < '0' || *q > '9') fail("\"" + text + "\" is not " + what + " index");
            index = std::min(index * 10 + (*q - '0'), 1LL << 40);
        }
        if (*begin == '-') index = -index;
        const long long zeroBased = index > 0 ? index - 1 : static_cast<long long>(size) + index;
        if (index == 0 || zeroBased < 0 || zeroBased >= static_cast<long long>(size))
            fail(std::string(what) + " index " + text + " is out of range (" + std::to_string(size) + " defined)");
        return static_cast<uint32_t>(zeroBased);
    }

    void face() {
        corners_.clear();
        const char *begin, *stop;
        while (word(begin, stop)) {
            // v, v/vt, v/vt/vn, v//vn, and the empty fields of v/ and v//.
            const char* slash1 = std::find(begin, stop, '/');
            const char* slash2 = slash1 == stop ? stop : std::find(slash1 + 1, stop, '/');
            Corner c;
            c.vertex = resolve(begin, slash1, model_.positions.size(), "a vertex");
            if (slash1 != stop && slash1 + 1 != slash2)
                c.uv = resolve(slash1 + 1, slash2, model_.mesh.uvs.size(), "a texture coordinate");
            if (slash2 != stop && slash2 + 1 != stop)
                c.normal = resolve(slash2 + 1, stop, normals_.size(), "a normal");
            corners_.push_back(c);
        }
        if (corners_.size() < 3) fail("face needs at least 3 corners");

        bool someUv = false, allUv = true;
        for (const Corner& c : corners_) {
            someUv = someUv || c.uv != kNone;
            allUv = allUv && c.uv != kNone;
            if (c.normal != kNone && !vertexHasNormal_[c.vertex]) {
                vertexHasNormal_[c.vertex] = true;
                std::copy(normals_[c.normal].begin(), normals_[c.normal].end(),
                          model_.mesh.vertices[c.vertex].normal);
            }
        }
        ++faces_;
        if (someUv) ++facesWithUv_;
        if (!allUv) withoutUv_.add(statementLine_);

        points_.clear();
        for (const Corner& c : corners_) points_.push_back(model_.positions[c.vertex]);
        triangles_.clear();
        const unsigned flaws = triangulator_.cut(points_, triangles_);
        if (flaws & kPolygonNotFlat) notFlat_.add(statementLine_);
        if (flaws & kPolygonCrosses) crossing_.add(statementLine_);
        if (flaws & kPolygonNoArea) noArea_.add(statementLine_);
        for (const auto& t : triangles_) {
            MeshFaceRecord record;
            for (int k = 0; k < 3; ++k) {  // stored reversed
                record.vertexIndex[k] = corners_[t[2 - k]].vertex;
                record.uvIndex[k] = corners_[t[2 - k]].uv;
            }
            model_.mesh.faces.push_back(record);
        }
    }

    void warn(const Tally& tally, const std::string& what, bool countOthers = true) {
        if (tally.count == 0) return;
        const bool more = countOthers && tally.count > 1;
        model_.warnings.push_back(fileName_ + ":" + std::to_string(tally.firstLine) + ": " + what +
                                  (more ? " (and " + std::to_string(tally.count - 1) + " more)" : ""));
    }

    void finish() {
        MeshModel& mesh = model_.mesh;
        if (facesWithUv_ == 0) {
            mesh.uvs.clear();  // nothing refers to them
            for (MeshFaceRecord& f : mesh.faces) std::fill(f.uvIndex, f.uvIndex + 3, 0u);
        } else if (withoutUv_.count != 0) {
            // The program never textures the model: a (0, 0) pair for the corners without one
            // keeps every face, and changes nothing on the screen.
            const uint32_t filler = static_cast<uint32_t>(mesh.uvs.size());
            mesh.uvs.emplace_back(0.0f, 0.0f);
            for (MeshFaceRecord& f : mesh.faces)
                for (uint32_t& uv : f.uvIndex)
                    if (uv == kNone) uv = filler;
            warn(withoutUv_, std::to_string(withoutUv_.count) + " of " + std::to_string(faces_) +
                                 " faces lack texture coordinates at some corner, which get (0, 0) (the "
                                 "program does not texture the model, so nothing changes on the screen)",
                 false);
        }
        warn(notFlat_, "polygon is not flat: cut into triangles across its best-fitting plane, it may look "
                       "different than in the program that made it");
        warn(crossing_, "polygon crosses itself: cut into triangles as well as it goes, some of its area may "
                        "be missing or doubled");
        warn(noArea_, "polygon has all its corners on one line and covers nothing");
    }

    std::string fileName_;
    const ProgressCallback& progress_;
    std::string line_;
    const char* cursor_ = nullptr;
    uint32_t lineNumber_ = 0;
    uint32_t statementLine_ = 0;
    ReadModel model_;
    std::vector<std::array<float, 3>> normals_;
    std::vector<bool> vertexHasNormal_;
    size_t faces_ = 0, facesWithUv_ = 0;
    Tally withoutUv_, notFlat_, crossing_, noArea_;
    std::vector<Corner> corners_;
    std::vector<Vec3> points_;
    std::vector<std::array<uint32_t, 3>> triangles_;
    Triangulator triangulator_;
};

}  // namespace

ReadModel readObj(const std::string& text, const std::string& fileName, const ProgressCallback& progress) {
    return ObjParser(fileName, progress).parse(text);
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
