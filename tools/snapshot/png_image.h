#pragma once
// Eight-bit RGBA PNG files through libpng, rows top row first.

#include <cstdint>
#include <string>
#include <vector>

namespace td::png {

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

// False (with the reason in `error`) when the file cannot be written.
bool write(const std::string& path, const Image& image, std::string& error);
// False (with the reason in `error`) when the file cannot be read as a PNG.
bool read(const std::string& path, Image& image, std::string& error);

}  // namespace td::png
