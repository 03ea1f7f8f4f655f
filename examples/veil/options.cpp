#include "options.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace veil {

bool ParseInteger(const std::string& text, long min, long max, int* value) {
  if (text.empty() || std::strchr("+-0123456789", text[0]) == nullptr) {
    return false;  // strtol would also skip spaces
  }
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == text.c_str() || parsed < min ||
      parsed > max) {
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

namespace {

// Splits "a,b[,c]" at commas; exactly `count` non-empty parts.
bool SplitList(const std::string& text, std::size_t count,
               std::vector<std::string>* parts) {
  std::vector<std::string> found;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    found.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (found.size() != count) return false;
  *parts = found;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseColour(const std::string& text, int* red, int* green, int* blue) {
  int rgb[3];
  if (!text.empty() && text[0] == '#') {
    const std::size_t digits = text.size() == 4 ? 1 : 2;  // #RGB or #RRGGBB
    if (text.size() != 1 + 3 * digits) return false;
    for (int i = 0; i < 3; ++i) {
      const std::size_t at = 1 + static_cast<std::size_t>(i) * digits;
      const int high = HexDigit(text[at]);
      const int low = HexDigit(text[at + digits - 1]);
      if (high < 0 || low < 0) return false;
      rgb[i] = high * 16 + low;
    }
  } else {
    std::vector<std::string> parts;
    if (!SplitList(text, 3, &parts)) return false;
    for (int i = 0; i < 3; ++i) {
      if (!ParseInteger(parts[i], 0, 255, &rgb[i])) return false;
    }
  }
  *red = rgb[0];
  *green = rgb[1];
  *blue = rgb[2];
  return true;
}

bool ParsePoint(const std::string& text, int* x, int* y) {
  std::vector<std::string> parts;
  int px = 0;
  int py = 0;
  if (!SplitList(text, 2, &parts) ||
      !ParseInteger(parts[0], INT32_MIN, INT32_MAX, &px) ||
      !ParseInteger(parts[1], INT32_MIN, INT32_MAX, &py)) {
    return false;
  }
  *x = px;
  *y = py;
  return true;
}

bool ParseFraction(const std::string& text, double* value) {
  if (text.empty() || std::strchr("+-.0123456789", text[0]) == nullptr) {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  // !(0 <= parsed <= 1) also turns away NaN.
  if (errno != 0 || *end != '\0' || !(parsed >= 0.0 && parsed <= 1.0)) {
    return false;
  }
  *value = parsed;
  return true;
}

bool ParseSource(const std::string& text, int* source) {
  // The module's source numbers: 1 red, 2 green, 3 blue, 4 average; any
  // other number keeps the pixel's own alpha.
  static const char* const kNames[] = {"alpha", "red", "green", "blue",
                                       "average"};
  for (int i = 0; i < 5; ++i) {
    if (text == kNames[i]) {
      *source = i;
      return true;
    }
  }
  return ParseInteger(text, 1, 4, source);
}

bool SplitCommandLine(int argc, char** argv, int first,
                      const std::set<std::string>& value_options,
                      const std::set<std::string>& flag_options,
                      bool options_first, CommandLine* line,
                      std::string* error) {
  for (int i = first; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      line->help = true;
      return true;
    }
    if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      if (options_first) {
        line->positionals.assign(argv + i, argv + argc);
        return true;
      }
      line->positionals.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (flag_options.count(name) != 0 && equals == std::string::npos) {
      line->flags.insert(name);
      continue;
    }
    if (value_options.count(name) == 0) {
      *error = argument + ": unknown option";
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      *error = name + ": needs a value";
      return false;
    }
    if (!line->values.emplace(name, value).second) {
      *error = name + ": given more than once";
      return false;
    }
  }
  return true;
}

}  // namespace veil
