#include "platform/ui/Png.h"

#include <errno.h>
#include <fcntl.h>
#include <png.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <memory>

#include "platform/core/Files.h"
#include "platform/core/UniqueFd.h"
#include "platform/ui/Surface.h"

namespace plat::ui {

namespace {

// ARGB pixels as 32-bit words are B, G, R, A bytes in memory on a
// little-endian machine and A, R, G, B on a big-endian one.
constexpr uint32_t kArgbFormat =
    std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

constexpr png_uint_32 kMaxSide = 32768;
constexpr std::uint64_t kMaxPixels = 64u << 20;

// Frees what libpng holds for an image however reading ends.
struct ImageGuard {
    png_image& image;
    ~ImageGuard() { png_image_free(&image); }
};

} // namespace

bool loadPng(const void* data, std::size_t size, Surface& image)
{
    if (data == nullptr || size == 0)
        return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    ImageGuard guard{png};
    if (!png_image_begin_read_from_memory(&png, data, size))
        return false;
    // A damaged or hostile header must not make us ask for gigabytes.
    if (png.width == 0 || png.height == 0 || png.width > kMaxSide || png.height > kMaxSide ||
        std::uint64_t(png.width) * png.height > kMaxPixels)
        return false;
    png.format = kArgbFormat;
    Surface decoded(int(png.width), int(png.height));
    if (decoded.isEmpty())
        return false;
    if (!png_image_finish_read(&png, nullptr, decoded.pixels(), decoded.stride() * 4, nullptr))
        return false;
    image = std::move(decoded);
    return true;
}

bool loadPngFile(const std::string& path, Surface& image)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!fd || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return false;
    std::vector<uint8_t> bytes(std::size_t(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return loadPng(bytes.data(), bytes.size(), image);
}

bool encodePng(const Surface& image, std::vector<uint8_t>& bytes)
{
    if (image.isEmpty())
        return false;
    bool withAlpha = false;
    for (int y = 0; y < image.height() && !withAlpha; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (alphaOf(image.row(y)[x]) != 0xFF) {
                withAlpha = true;
                break;
            }
        }
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width());
    png.height = png_uint_32(image.height());
    const void* buffer = image.pixels();
    png_int_32 rowStride = image.stride() * 4;
    std::vector<uint8_t> packed;
    if (withAlpha) {
        png.format = kArgbFormat;
    } else {
        png.format = PNG_FORMAT_RGB;
        packed.resize(std::size_t(image.width()) * std::size_t(image.height()) * 3);
        uint8_t* out = packed.data();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const Argb c = image.row(y)[x];
                *out++ = redOf(c);
                *out++ = greenOf(c);
                *out++ = blueOf(c);
            }
        }
        buffer = packed.data();
        rowStride = image.width() * 3;
    }
    png_alloc_size_t size = 0;
    ImageGuard guard{png};
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, buffer, rowStride, nullptr) || size == 0)
        return false;
    bytes.resize(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, buffer, rowStride, nullptr)) {
        bytes.clear();
        return false;
    }
    bytes.resize(size);
    return true;
}

bool savePng(const Surface& image, const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!encodePng(image, bytes))
        return false;
    return replaceFileContents(path, bytes.data(), bytes.size());
}

} // namespace plat::ui
