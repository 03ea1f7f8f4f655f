// Encoding the module's pixels as 8-bit RGBA PNG, written all-or-nothing
// through an OutputFile. As in png_read.cpp, the one function that calls
// setjmp holds nothing with a destructor.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "output_file.h"
#include "png_io.h"

namespace veil {
namespace {

struct WriteContext {
  std::FILE* file = nullptr;
  char reason[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* context = static_cast<WriteContext*>(png_get_error_ptr(png));
  if (context->reason[0] == '\0') {
    std::snprintf(context->reason, sizeof context->reason, "%s", message);
  }
  png_longjmp(png, 1);
}

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* context = static_cast<WriteContext*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, context->file) == length) return;
  std::snprintf(context->reason, sizeof context->reason, "cannot write: %s",
                std::strerror(errno));
  png_error(png, context->reason);
}

void FlushBytes(png_structp) {}  // the file is flushed once, at the end

// Encodes `image`, one row at a time through `row` (width * 4 bytes).
bool Encode(png_structp png, png_infop info, const ImageView* image,
            png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  // Whatever the reader takes, the writer takes: libpng's default limit of a
  // million pixels a side applies to writing too.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image->width),
               static_cast<png_uint_32>(image->height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const qveil::Pixel* pixel = image->pixels;
  for (std::int32_t y = 0; y < image->height; ++y) {
    for (std::int32_t x = 0; x < image->width; ++x, ++pixel) {
      png_bytep out = row + static_cast<std::size_t>(x) * 4;
      out[0] = static_cast<png_byte>(qveil::ChannelOf(*pixel, qveil::kRedShift));
      out[1] = static_cast<png_byte>(qveil::ChannelOf(*pixel, qveil::kGreenShift));
      out[2] = static_cast<png_byte>(qveil::ChannelOf(*pixel, qveil::kBlueShift));
      out[3] = static_cast<png_byte>(qveil::AlphaOf(*pixel));
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

// Writes the PNG into `file`; false with a reason in `error`.
bool WriteTo(std::FILE* file, const ImageView& image, std::string* error) {
  std::vector<png_byte> row;
  try {
    row.resize(static_cast<std::size_t>(image.width) * 4);
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to write the image";
    return false;
  }
  WriteContext context;
  context.file = file;
  return png_detail::WithPngStruct(
      png_create_write_struct, png_destroy_write_struct, &context, OnPngError, "write", error,
      [&](png_structp png, png_infop info) {
        png_set_write_fn(png, &context, WriteBytes, FlushBytes);
        const bool ok = Encode(png, info, &image, row.data());
        if (!ok) *error = context.reason;
        return ok;
      });
}

}  // namespace

bool WritePng(const std::string& path, const ImageView& image,
              std::string* error) {
  OutputFile output;
  if (!OpenOutputFile(path, &output, error)) return false;
  if (!WriteTo(output.file, image, error)) {
    DiscardOutputFile(&output);
    return false;
  }
  return CommitOutputFile(&output, error);
}

}  // namespace veil
