#include "display/png_export.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vq {

namespace {

struct FileCloser {
    std::FILE* f = nullptr;
    ~FileCloser() {
        if (f != nullptr) std::fclose(f);
    }
};

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

// libpng reports errors by longjmp; nothing with a destructor lives inside this frame.
bool Encode(png_structp png, png_infop info, std::FILE* f, const std::uint8_t* pixels, int width,
            int height, const png_color* colors, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colors, 256);
    for (int y = 0; y < height; ++y) {
        rows[y] = const_cast<png_bytep>(pixels + static_cast<std::size_t>(y) *
                                                     static_cast<std::size_t>(width));
    }
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

bool WriteIndexedPng(const std::string& path, const std::uint8_t* pixels, int width, int height,
                     const Palette& palette, std::string* error) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        SetError(error, "No picture to write.");
        return false;
    }
    FileCloser file;
    file.f = std::fopen(path.c_str(), "wb");
    if (file.f == nullptr) {
        SetError(error, "Cannot create " + path + ": " + std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        SetError(error, "Cannot start the PNG encoder.");
        return false;
    }
    std::vector<png_color> colors(256);
    for (std::size_t i = 0; i < 256; ++i) colors[i] = {palette[i].r, palette[i].g, palette[i].b};
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    const bool ok = Encode(png, info, file.f, pixels, width, height, colors.data(), rows.data());
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(file.f) == 0;
    file.f = nullptr;
    if (!ok || !closed) {
        SetError(error, "Cannot write " + path + ".");
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace vq
