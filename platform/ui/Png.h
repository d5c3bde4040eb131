#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"

namespace plat::ui {

class Surface;

// PNG files into ARGB surfaces and back. Every colour type and depth is read
// (palettes, grey, 16-bit channels, transparency); images without alpha come
// out opaque. Loading fails (false, surface untouched) on a damaged file and
// on a picture larger than 32768 pixels a side or 64 M pixels in all.
[[nodiscard]] PLAT_API bool loadPng(const void* data, std::size_t size, Surface& image);
[[nodiscard]] PLAT_API bool loadPngFile(const std::string& path, Surface& image);
// Writes RGB, or RGBA when some pixel is not opaque. The file appears whole or not at all.
[[nodiscard]] PLAT_API bool savePng(const Surface& image, const std::string& path);
[[nodiscard]] PLAT_API bool encodePng(const Surface& image, std::vector<uint8_t>& bytes);

} // namespace plat::ui
