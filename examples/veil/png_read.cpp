// Decoding any PNG into the module's 8-bit 0xAARRGGBB layout.
//
// libpng reports errors by longjmp. Only the two small functions that call
// setjmp run libpng's reading code, and they hold nothing that needs a
// destructor; everything they produce goes through pointers.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "png_io.h"

namespace veil {
namespace {

struct ReadContext {
  std::FILE* file = nullptr;
  char reason[256] = {};     // why reading stopped, as the user will see it
  char io_failure[128] = {};  // set when the file itself failed, not its data
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* context = static_cast<ReadContext*>(png_get_error_ptr(png));
  if (context->io_failure[0] != '\0') {
    std::snprintf(context->reason, sizeof context->reason, "%s",
                  context->io_failure);
  } else {
    std::snprintf(context->reason, sizeof context->reason,
                  "corrupt PNG data (%s)", message);
  }
  png_longjmp(png, 1);
}

void ReadBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* context = static_cast<ReadContext*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, context->file) == length) return;
  if (std::ferror(context->file)) {
    std::snprintf(context->io_failure, sizeof context->io_failure,
                  "cannot read: %s", std::strerror(errno));
  } else {
    std::snprintf(context->io_failure, sizeof context->io_failure,
                  "file is truncated");
  }
  png_error(png, context->io_failure);
}

// Reads the header and asks libpng for 8-bit RGBA rows whatever the file
// holds. False when the header is unreadable; otherwise the number of passes
// the rows come in (7 for an interlaced file, else 1) is in `passes`.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width,
                png_uint_32* height, int* passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  // The caller's pixel limit is the one that matters, not libpng's default
  // of a million pixels per side.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  if (png_get_image_width(png, info) > kMaxWidth) {
    auto* context = static_cast<ReadContext*>(png_get_error_ptr(png));
    std::snprintf(context->reason, sizeof context->reason,
                  "%lu pixels wide is more than veil reads (%lld)",
                  static_cast<unsigned long>(png_get_image_width(png, info)),
                  static_cast<long long>(kMaxWidth));
    return false;
  }

  const int colour_type = png_get_color_type(png, info);
  const int bit_depth = png_get_bit_depth(png, info);
  const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) {
    png_set_expand_gray_1_2_4_to_8(png);
  }
  if (has_trns) png_set_tRNS_to_alpha(png);
  if (bit_depth == 16) png_set_scale_16(png);
  if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  if ((colour_type & PNG_COLOR_MASK_ALPHA) == 0 && !has_trns) {
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  }
  *passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  return png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * 4;
}

// Reads every row of every pass straight into place, then the chunks after
// the image data, so a file cut short anywhere is noticed. A row's memory is
// first touched when its data arrives; an interlaced pass writes only its
// own pixels of a row.
bool ReadRows(png_structp png, png_bytep bytes, png_uint_32 width,
              png_uint_32 height, int passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, bytes + y * row_bytes, nullptr);
    }
  }
  png_read_end(png, nullptr);
  return true;
}

bool Decode(png_structp png, png_infop info, ReadContext* context,
            std::int64_t max_pixels, const PixelAllocator& allocator,
            ImageView* image, std::string* error) {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int passes = 1;
  if (!ReadHeader(png, info, &width, &height, &passes)) {
    *error = context->reason[0] != '\0' ? context->reason
                                        : "unsupported PNG layout";
    return false;
  }
  // Both sides are below 2^31, so the product fits in 64 bits.
  const std::int64_t count = std::int64_t{width} * height;
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (count > kModuleMaxPixels) {
    *error = size + " pixels is more than the module takes (2147483647 pixels)";
    return false;
  }
  if (count > max_pixels) {
    *error = size + " pixels is more than the limit of " +
             std::to_string(max_pixels) + " pixels (--max-pixels raises it)";
    return false;
  }

  qveil::Pixel* pixels =
      allocator.allocate(allocator.context, static_cast<std::size_t>(count));
  if (pixels == nullptr) {
    *error = "not enough memory for " + size + " pixels";
    return false;
  }
  auto* bytes = reinterpret_cast<png_bytep>(pixels);
  if (!ReadRows(png, bytes, width, height, passes)) {
    *error = context->reason;
    return false;
  }

  // libpng wrote R, G, B, A bytes; turn each group into one pixel word.
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    const png_bytep p = bytes + i * 4;
    pixels[i] = qveil::MakePixel(p[3], p[0], p[1], p[2]);
  }
  *image = ImageView{static_cast<std::int32_t>(width),
                     static_cast<std::int32_t>(height), pixels};
  return true;
}

qveil::Pixel* AllocateInImage(void* context, std::size_t count) {
  auto* image = static_cast<Image*>(context);
  try {
    image->pixels.resize(count);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return image->pixels.data();
}

}  // namespace

bool ReadPng(const std::string& path, std::int64_t max_pixels,
             const PixelAllocator& allocator, ImageView* image,
             std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  png_byte signature[8];
  const std::size_t got = std::fread(signature, 1, sizeof signature, file);
  if (got != sizeof signature || png_sig_cmp(signature, 0, 8) != 0) {
    *error = std::ferror(file) ? std::string("cannot read: ") + std::strerror(errno)
                               : std::string("not a PNG file");
    std::fclose(file);
    return false;
  }

  ReadContext context;
  context.file = file;
  const bool ok = png_detail::WithPngStruct(
      png_create_read_struct,
      [](png_structpp png, png_infopp info) { png_destroy_read_struct(png, info, nullptr); },
      &context, OnPngError, "read", error, [&](png_structp png, png_infop info) {
        png_set_read_fn(png, &context, ReadBytes);
        return Decode(png, info, &context, max_pixels, allocator, image, error);
      });
  std::fclose(file);
  return ok;
}

bool ReadPng(const std::string& path, Image* image, std::string* error) {
  ImageView view;
  if (!ReadPng(path, kModuleMaxPixels, PixelAllocator{AllocateInImage, image},
               &view, error)) {
    *image = Image{};
    return false;
  }
  image->width = view.width;
  image->height = view.height;
  return true;
}

}  // namespace veil
