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

#include <string>

#include "image.h"

namespace veil {

// False with a reason in `error` (without the file name, e.g. "not a PNG
// file") when the file cannot be opened, is not a complete and valid PNG, or
// has more pixels than the module takes.
bool ReadPng(const std::string& path, Image* image, std::string* error);

// False with a reason in `error` when the file could not be written; the
// target is then untouched and no temporary file is left.
bool WritePng(const std::string& path, const Image& image, std::string* error);

}  // namespace veil

#endif  // VEIL_PNG_IO_H
