// PNG files in and out of the module's pixel layout, through libpng.
//
// Reading accepts every PNG colour type and bit depth and gives 8-bit
// straight-alpha pixels: palettes and grey are expanded, a tRNS chunk becomes
// alpha, 16-bit samples are scaled with rounding (v * 255 / 65535), and an
// image without alpha is opaque. Sample values are taken as stored: gamma and
// colour-profile chunks are neither applied nor written.
//
// Writing always produces 8-bit RGBA, into a temporary file in the target's
// folder that is renamed over the target only once it is complete, so a
// failed write never leaves a partial file behind.
#ifndef VEIL_PNG_IO_H
#define VEIL_PNG_IO_H

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "image.h"

namespace veil {

// The most pixels the module takes (a 32-bit count), and the most veil
// reads unless told otherwise: 16384 x 16384, 1 GiB of pixels. A header
// alone can declare any size, so the size is checked before any memory is
// asked for.
constexpr std::int64_t kModuleMaxPixels = 2147483647;
constexpr std::int64_t kDefaultMaxPixels = std::int64_t{16384} * 16384;
// The widest image veil reads, whatever the pixel limit. libpng decodes a
// row at a time into buffers it sets up (and clears) before any data
// arrives: their size follows the width alone, up to 8 bytes a pixel, so a
// 68-byte file declaring 268435456 x 1 pixels cost 1 GiB. Here at most
// 128 MiB.
constexpr std::int64_t kMaxWidth = std::int64_t{1} << 24;

// Where the decoded pixels go. `allocate` is called once, after the header
// has passed every check, for `count` pixels, and returns null when that
// memory cannot be had. The memory need not be cleared: rows are decoded
// straight into it, so a file that declares a large image and ends early
// costs next to nothing.
struct PixelAllocator {
  qveil::Pixel* (*allocate)(void* context, std::size_t count);
  void* context;
};

// False with a reason in `error` (without the file name, e.g. "not a PNG
// file") when the file cannot be opened, is not a complete and valid PNG, has
// more than `max_pixels` pixels, or its memory cannot be had. On success
// `image` describes the pixels in the allocator's memory.
bool ReadPng(const std::string& path, std::int64_t max_pixels,
             const PixelAllocator& allocator, ImageView* image,
             std::string* error);

// The same into an Image, up to the module's limit.
bool ReadPng(const std::string& path, Image* image, std::string* error);

// False with a reason in `error` when the file could not be written; the
// target is then untouched and no temporary file is left. An existing target
// keeps its permissions.
bool WritePng(const std::string& path, const ImageView& image,
              std::string* error);

namespace png_detail {

// What reading and writing share: libpng's struct, made by `create`
// (png_create_read_struct or png_create_write_struct) with `context` for
// `onError` and no warning handler (warnings never stop a file), and its
// info; run(png, info) gives the result, and `destroy` frees both. False
// with "not enough memory to VERB a PNG" in `error` when they cannot be
// had. Nothing here calls setjmp: `run` does, below.
template <typename Create, typename Destroy, typename Run>
bool WithPngStruct(Create create, Destroy destroy, void* context, png_error_ptr onError,
                   const char* verb, std::string* error, Run run) {
  png_structp png = create(PNG_LIBPNG_VER_STRING, context, onError,
                           [](png_structp, png_const_charp) {});
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info == nullptr) {
    *error = std::string("not enough memory to ") + verb + " a PNG";
  } else {
    ok = run(png, info);
  }
  destroy(&png, &info);
  return ok;
}

}  // namespace png_detail

}  // namespace veil

#endif  // VEIL_PNG_IO_H
