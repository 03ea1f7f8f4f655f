// png_fixtures: PNG files of every colour type for the veil tests, written
// straight with libpng (not through veil), each with the pixels veil must
// read from it; large and hostile files; and a dump of an 8-bit RGBA file to
// compare veil's output.
//   png_fixtures write DIR   DIR/NAME.png + DIR/NAME.expected, prints NAMEs
//   png_fixtures image W H FILE CONTENT
//                            a W x H 8-bit RGBA image; CONTENT is a pixel in
//                            hex (AARRGGBB) for all of them, or "noise"
//   png_fixtures promise W H FILE
//                            68 bytes: a header declaring W x H RGBA pixels,
//                            then image data for five bytes of them
//   png_fixtures dump FILE   "W H" then one 0xAARRGGBB pixel a line (hex)
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Samples = std::vector<unsigned>;  // one pixel's raw samples

struct Fixture {
  Fixture(const char* name_, int width_, int height_, int colour_type_,
          int bit_depth_, int interlace_, std::function<Samples(int)> samples_,
          std::function<std::uint32_t(int)> expected_)
      : name(name_), width(width_), height(height_), colour_type(colour_type_),
        bit_depth(bit_depth_), interlace(interlace_), samples(std::move(samples_)),
        expected(std::move(expected_)) {}

  const char* name;
  int width, height, colour_type, bit_depth, interlace;
  // Raw samples of pixel i, and the 0xAARRGGBB pixel veil must make of it.
  std::function<Samples(int)> samples;
  std::function<std::uint32_t(int)> expected;
  std::vector<png_color> palette;
  std::vector<png_byte> trns_alphas;  // palette transparency
  bool trns_colour = false;           // grey or RGB transparency
  png_color_16 trns{};
};

std::uint32_t Pixel(unsigned a, unsigned r, unsigned g, unsigned b) {
  return std::uint32_t{a} << 24 | r << 16 | g << 8 | b;
}
std::uint32_t Grey(unsigned a, unsigned v) { return Pixel(a, v, v, v); }

// 16-bit samples become v * 255 / 65535 rounded to the nearest (never a tie).
unsigned Scale16(unsigned v) { return (2 * v + 257) / 514; }

// Sample values spread over the whole range, different per channel.
unsigned Value8(int i, int channel) { return (i * 37 + channel * 71 + 5) % 256; }
unsigned Value16(int i, int channel) {
  return (i * 4099u + channel * 20011u + 255u) % 65536u;
}

std::vector<png_color> Palette() {
  return {{0, 0, 0}, {255, 255, 255}, {200, 30, 40}, {10, 220, 90},
          {60, 70, 250}, {128, 128, 0}};
}

std::vector<Fixture> Fixtures() {
  std::vector<Fixture> list;
  const int w = 7, h = 5, none = PNG_INTERLACE_NONE;
  list.push_back({"gray1", w, h, PNG_COLOR_TYPE_GRAY, 1, none,
                  [](int i) { return Samples{unsigned(i % 3 == 0)}; },
                  [](int i) { return Grey(255, i % 3 == 0 ? 255 : 0); }});
  list.push_back({"gray4", w, h, PNG_COLOR_TYPE_GRAY, 4, none,
                  [](int i) { return Samples{unsigned(i % 16)}; },
                  [](int i) { return Grey(255, unsigned(i % 16) * 17); }});
  list.push_back({"gray8", w, h, PNG_COLOR_TYPE_GRAY, 8, none,
                  [](int i) { return Samples{Value8(i, 0)}; },
                  [](int i) { return Grey(255, Value8(i, 0)); }});
  list.push_back({"gray16", w, h, PNG_COLOR_TYPE_GRAY, 16, none,
                  [](int i) { return Samples{Value16(i, 0)}; },
                  [](int i) { return Grey(255, Scale16(Value16(i, 0))); }});
  Fixture grey_key{"gray8-trns", w, h, PNG_COLOR_TYPE_GRAY, 8, none,
                   [](int i) { return Samples{Value8(i, 0)}; },
                   [](int i) {
                     const unsigned v = Value8(i, 0);
                     return Grey(v == Value8(3, 0) ? 0 : 255, v);
                   }};
  grey_key.trns_colour = true;
  grey_key.trns.gray = static_cast<png_uint_16>(Value8(3, 0));
  list.push_back(grey_key);
  list.push_back({"gray-alpha8", w, h, PNG_COLOR_TYPE_GRAY_ALPHA, 8, none,
                  [](int i) { return Samples{Value8(i, 0), Value8(i, 1)}; },
                  [](int i) { return Grey(Value8(i, 1), Value8(i, 0)); }});
  list.push_back({"gray-alpha16", w, h, PNG_COLOR_TYPE_GRAY_ALPHA, 16, none,
                  [](int i) { return Samples{Value16(i, 0), Value16(i, 1)}; },
                  [](int i) {
                    return Grey(Scale16(Value16(i, 1)), Scale16(Value16(i, 0)));
                  }});
  const auto palette_pixel = [](int i, bool transparent) {
    const png_color c = Palette()[static_cast<std::size_t>(i % 6)];
    const unsigned alphas[] = {0, 128, 200, 255, 255, 255};
    return Pixel(transparent ? alphas[i % 6] : 255, c.red, c.green, c.blue);
  };
  Fixture palette{"palette8", w, h, PNG_COLOR_TYPE_PALETTE, 8, none,
                  [](int i) { return Samples{unsigned(i % 6)}; },
                  [palette_pixel](int i) { return palette_pixel(i, false); }};
  palette.palette = Palette();
  list.push_back(palette);
  Fixture palette_trns{"palette4-trns", w, h, PNG_COLOR_TYPE_PALETTE, 4, none,
                       [](int i) { return Samples{unsigned(i % 6)}; },
                       [palette_pixel](int i) { return palette_pixel(i, true); }};
  palette_trns.palette = Palette();
  palette_trns.trns_alphas = {0, 128, 200};  // entries past these are opaque
  list.push_back(palette_trns);
  list.push_back({"rgb8", w, h, PNG_COLOR_TYPE_RGB, 8, none,
                  [](int i) { return Samples{Value8(i, 0), Value8(i, 1), Value8(i, 2)}; },
                  [](int i) {
                    return Pixel(255, Value8(i, 0), Value8(i, 1), Value8(i, 2));
                  }});
  Fixture rgb_key{"rgb8-trns", w, h, PNG_COLOR_TYPE_RGB, 8, none,
                  [](int i) { return Samples{Value8(i, 0), Value8(i, 1), Value8(i, 2)}; },
                  [](int i) {
                    return Pixel(i == 10 ? 0 : 255, Value8(i, 0), Value8(i, 1),
                                 Value8(i, 2));
                  }};
  rgb_key.trns_colour = true;
  rgb_key.trns.red = static_cast<png_uint_16>(Value8(10, 0));
  rgb_key.trns.green = static_cast<png_uint_16>(Value8(10, 1));
  rgb_key.trns.blue = static_cast<png_uint_16>(Value8(10, 2));
  list.push_back(rgb_key);
  list.push_back({"rgb16", w, h, PNG_COLOR_TYPE_RGB, 16, none,
                  [](int i) { return Samples{Value16(i, 0), Value16(i, 1), Value16(i, 2)}; },
                  [](int i) {
                    return Pixel(255, Scale16(Value16(i, 0)), Scale16(Value16(i, 1)),
                                 Scale16(Value16(i, 2)));
                  }});
  const auto rgba8 = [](int i) {
    return Samples{Value8(i, 0), Value8(i, 1), Value8(i, 2), Value8(i, 3)};
  };
  const auto rgba8_pixel = [](int i) {
    return Pixel(Value8(i, 3), Value8(i, 0), Value8(i, 1), Value8(i, 2));
  };
  list.push_back({"rgba8", w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, none, rgba8, rgba8_pixel});
  list.push_back({"rgba16", w, h, PNG_COLOR_TYPE_RGB_ALPHA, 16, none,
                  [](int i) {
                    return Samples{Value16(i, 0), Value16(i, 1), Value16(i, 2),
                                   Value16(i, 3)};
                  },
                  [](int i) {
                    return Pixel(Scale16(Value16(i, 3)), Scale16(Value16(i, 0)),
                                 Scale16(Value16(i, 1)), Scale16(Value16(i, 2)));
                  }});
  // Large enough for every Adam7 pass to hold pixels.
  list.push_back({"rgba8-interlaced", 11, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                  PNG_INTERLACE_ADAM7, rgba8, rgba8_pixel});
  return list;
}

// Packs one row of samples at `bit_depth` (1, 2, 4, 8 or 16 bits).
std::vector<png_byte> PackRow(const Fixture& f, int y) {
  std::vector<png_byte> row;
  unsigned bits = 0;
  int used = 0;
  for (int x = 0; x < f.width; ++x) {
    for (unsigned sample : f.samples(y * f.width + x)) {
      if (f.bit_depth == 16) {
        row.push_back(static_cast<png_byte>(sample >> 8));
        row.push_back(static_cast<png_byte>(sample & 0xFF));
      } else if (f.bit_depth == 8) {
        row.push_back(static_cast<png_byte>(sample));
      } else {
        bits = bits << f.bit_depth | sample;
        used += f.bit_depth;
        if (used == 8) {
          row.push_back(static_cast<png_byte>(bits));
          bits = 0;
          used = 0;
        }
      }
    }
  }
  if (used > 0) row.push_back(static_cast<png_byte>(bits << (8 - used)));
  return row;
}

// libpng reports errors by longjmp: each function that calls setjmp holds
// nothing but plain pointers, and changes no local after it.
bool Encode(png_structp png, png_infop info, std::FILE* file, const Fixture* f,
            png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, f->width, f->height, f->bit_depth, f->colour_type,
               f->interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!f->palette.empty()) {
    png_set_PLTE(png, info, f->palette.data(), static_cast<int>(f->palette.size()));
  }
  if (!f->trns_alphas.empty()) {
    png_set_tRNS(png, info, f->trns_alphas.data(),
                 static_cast<int>(f->trns_alphas.size()), nullptr);
  }
  if (f->trns_colour) png_set_tRNS(png, info, nullptr, 0, &f->trns);
  png_write_info(png, info);
  if (rows != nullptr) {
    png_write_image(png, rows);
    png_write_end(png, info);
  } else {
    // Image data that ends after five bytes (a zlib stream of five zeros):
    // a reader gets past the header, then runs out of data.
    static const png_byte kFiveZeros[] = {0x78, 0x9c, 0x63, 0x60, 0x00, 0x02,
                                          0x00, 0x00, 0x05, 0x00, 0x01};
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), kFiveZeros,
                    sizeof kFiveZeros);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  }
  return true;
}

// Writes the header, and the rows unless `header_only`. False on failure.
bool WritePng(const std::string& path, const Fixture& f, bool header_only) {
  std::vector<std::vector<png_byte>> rows;
  std::vector<png_bytep> pointers;
  if (!header_only) {
    for (int y = 0; y < f.height; ++y) rows.push_back(PackRow(f, y));
    for (auto& row : rows) pointers.push_back(row.data());
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const bool ok = Encode(png, info, file, &f, header_only ? nullptr : pointers.data());
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && ok;
}

int Write(const std::string& dir) {
  for (const Fixture& f : Fixtures()) {
    const std::string base = dir + "/" + f.name;
    if (!WritePng(base + ".png", f, false)) return 1;
    std::FILE* expected = std::fopen((base + ".expected").c_str(), "w");
    if (expected == nullptr) return 1;
    std::fprintf(expected, "%d %d\n", f.width, f.height);
    for (int i = 0; i < f.width * f.height; ++i) {
      std::fprintf(expected, "%08X\n", static_cast<unsigned>(f.expected(i)));
    }
    if (std::fclose(expected) != 0) return 1;
    std::printf("%s\n", f.name);
  }
  // A valid header promising more pixels than the module takes, and no data.
  Fixture huge{"huge", 50000, 50000, PNG_COLOR_TYPE_GRAY, 1, PNG_INTERLACE_NONE,
               nullptr, nullptr};
  return WritePng(dir + "/huge.png", huge, true) ? 0 : 1;
}

// A header promising `width` x `height` RGBA pixels, and five bytes of them.
int Promise(int width, int height, const std::string& path) {
  Fixture promise{"promise", width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                  PNG_INTERLACE_NONE, nullptr, nullptr};
  return WritePng(path, promise, true) ? 0 : 1;
}

// Writes an 8-bit RGBA image a row at a time, each row made by `make_row`,
// at the fastest compression.
bool EncodeRows(png_structp png, png_infop info, std::FILE* file,
                png_uint_32 width, png_uint_32 height,
                const std::function<void(png_bytep)>& make_row, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < height; ++y) {
    make_row(row);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

// A large image: every pixel `content` (AARRGGBB in hex), or noise.
int WriteImage(png_uint_32 width, png_uint_32 height, const std::string& path,
               const std::string& content) {
  std::uint32_t pixel = 0;
  std::uint32_t noise = 2463534242u;  // xorshift32 state
  const bool is_noise = content == "noise";
  if (!is_noise) {
    char* end = nullptr;
    pixel = static_cast<std::uint32_t>(std::strtoul(content.c_str(), &end, 16));
    if (content.empty() || *end != '\0') return 2;
  }
  const auto make_row = [&](png_bytep row) {
    for (png_uint_32 x = 0; x < width; ++x) {
      if (is_noise) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        pixel = noise;
      }
      png_bytep out = row + std::size_t{x} * 4;
      out[0] = static_cast<png_byte>(pixel >> 16);
      out[1] = static_cast<png_byte>(pixel >> 8);
      out[2] = static_cast<png_byte>(pixel);
      out[3] = static_cast<png_byte>(pixel >> 24);
    }
  };
  std::vector<png_byte> row(std::size_t{width} * 4);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 1;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const bool ok = EncodeRows(png, info, file, width, height, make_row, row.data());
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && ok ? 0 : 1;
}

bool ReadInfo(png_structp png, png_infop info, std::FILE* file) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  return true;
}

bool ReadImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

int Dump(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 1;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  bool ok = ReadInfo(png, info, file);
  const png_uint_32 width = ok ? png_get_image_width(png, info) : 0;
  const png_uint_32 height = ok ? png_get_image_height(png, info) : 0;
  if (ok && (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB_ALPHA ||
             png_get_bit_depth(png, info) != 8)) {
    std::fprintf(stderr, "%s: not 8-bit RGBA\n", path);
    ok = false;
  }
  if (ok) {
    pixels.resize(std::size_t{width} * height * 4);
    for (png_uint_32 y = 0; y < height; ++y) {
      rows.push_back(pixels.data() + std::size_t{y} * width * 4);
    }
    ok = ReadImage(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  if (!ok) return 1;
  std::printf("%u %u\n", width, height);
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    std::printf("%08X\n", static_cast<unsigned>(Pixel(pixels[i + 3], pixels[i],
                                                      pixels[i + 1], pixels[i + 2])));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 3) return Write(argv[2]);
  if (command == "dump" && argc == 3) return Dump(argv[2]);
  if (command == "image" && argc == 6) {
    return WriteImage(static_cast<png_uint_32>(std::atol(argv[2])),
                      static_cast<png_uint_32>(std::atol(argv[3])), argv[4], argv[5]);
  }
  if (command == "promise" && argc == 5) {
    return Promise(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  }
  std::fputs("usage: png_fixtures write DIR | image W H FILE CONTENT |"
             " promise W H FILE | dump FILE.png\n", stderr);
  return 2;
}
