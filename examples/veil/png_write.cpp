// Encoding the module's pixels as 8-bit RGBA PNG, written all-or-nothing.
//
// The PNG goes to a hidden temporary file next to the target (same folder,
// so the final rename cannot cross file systems) and is renamed over the
// target only once it is complete and flushed to disk. As in png_read.cpp,
// the one function that calls setjmp holds nothing with a destructor.
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

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

void OnPngWarning(png_structp, png_const_charp) {}

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* context = static_cast<WriteContext*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, context->file) == length) return;
  std::snprintf(context->reason, sizeof context->reason, "cannot write: %s",
                std::strerror(errno));
  png_error(png, context->reason);
}

void FlushBytes(png_structp) {}  // the file is flushed once, at the end

// Encodes `image`, one row at a time through `row` (width * 4 bytes).
bool Encode(png_structp png, png_infop info, const Image* image,
            png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image->width),
               static_cast<png_uint_32>(image->height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const qveil::Pixel* pixel = image->pixels.data();
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
bool WriteTo(std::FILE* file, const Image& image, std::string* error) {
  std::vector<png_byte> row;
  try {
    row.resize(static_cast<std::size_t>(image.width) * 4);
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to write the image";
    return false;
  }
  WriteContext context;
  context.file = file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context,
                                            OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info == nullptr) {
    *error = "not enough memory to write a PNG";
  } else {
    png_set_write_fn(png, &context, WriteBytes, FlushBytes);
    ok = Encode(png, info, &image, row.data());
    if (!ok) *error = context.reason;
  }
  png_destroy_write_struct(&png, &info);
  return ok;
}

// The permissions a newly created file gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool WritePng(const std::string& path, const Image& image, std::string* error) {
  const std::size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name =
      slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = folder + "/." + name + ".XXXXXX";

  const int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    *error = std::string("cannot create a file in ") + folder + ": " +
             std::strerror(errno);
    return false;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    *error = std::string("cannot write: ") + std::strerror(errno);
    close(fd);
    unlink(temporary.c_str());
    return false;
  }
  bool ok = true;
  if (fchmod(fd, NewFileMode()) != 0) {
    *error = std::string("cannot write: ") + std::strerror(errno);
    ok = false;
  }
  ok = ok && WriteTo(file, image, error);
  if (ok && (std::fflush(file) != 0 || fsync(fd) != 0)) {
    *error = std::string("cannot write: ") + std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    *error = std::string("cannot write: ") + std::strerror(errno);
    ok = false;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    *error = std::string("cannot replace the file: ") + std::strerror(errno);
    ok = false;
  }
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace veil
