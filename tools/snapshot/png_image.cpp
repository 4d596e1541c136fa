#include "tools/snapshot/png_image.h"

#include <png.h>

#include <cstring>

namespace td::png {

bool write(const std::string& path, const Image& image, std::string& error) {
    if (image.rgba.size() != size_t{image.width} * image.height * 4) {
        error = "the image holds " + std::to_string(image.rgba.size()) + " bytes, not width x height x 4";
        return false;
    }
    png_image out;
    std::memset(&out, 0, sizeof out);
    out.version = PNG_IMAGE_VERSION;
    out.width = image.width;
    out.height = image.height;
    out.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&out, path.c_str(), 0, image.rgba.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + out.message;
        return false;
    }
    return true;
}

bool read(const std::string& path, Image& image, std::string& error) {
    png_image in;
    std::memset(&in, 0, sizeof in);
    in.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&in, path.c_str())) {
        error = "cannot read " + path + ": " + in.message;
        return false;
    }
    in.format = PNG_FORMAT_RGBA;
    image.width = in.width;
    image.height = in.height;
    image.rgba.assign(PNG_IMAGE_SIZE(in), 0);
    if (!png_image_finish_read(&in, nullptr, image.rgba.data(), 0, nullptr)) {
        error = "cannot decode " + path + ": " + in.message;
        png_image_free(&in);
        return false;
    }
    return true;
}

}  // namespace td::png
