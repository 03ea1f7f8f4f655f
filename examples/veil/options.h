// Reading a command line: the value parsers for each kind of option, and the
// split of arguments into positionals and `--name value` options.
#ifndef VEIL_OPTIONS_H
#define VEIL_OPTIONS_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace veil {

// Each parser takes the whole text or fails; nothing is written on failure.
bool ParseInteger(const std::string& text, long min, long max, int* value);
// R,G,B (each 0-255), #RRGGBB or #RGB (each digit doubled: #f80 is #ff8800).
bool ParseColour(const std::string& text, int* red, int* green, int* blue);
bool ParsePoint(const std::string& text, int* x, int* y);
bool ParseFraction(const std::string& text, double* value);  // 0 to 1
bool ParseSource(const std::string& text, int* source);

struct CommandLine {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> values;  // "--color" -> "#ff0000"
  std::set<std::string> flags;                // "--soft"
  bool help = false;                          // --help or -h was given
};

// Splits argv[first..argc) by the given option names. Options take their
// value from the next argument or after '=' (`--at=-3,4`). `--help` or `-h`
// (not as an option's value) sets `help` and ends the split. With
// `options_first`, options are read only up to the first positional, which
// with everything after it is positional (a script's own arguments). False
// with a one-line reason in `error` for an unknown option, a missing value
// or an option given twice.
bool SplitCommandLine(int argc, char** argv, int first,
                      const std::set<std::string>& value_options,
                      const std::set<std::string>& flag_options,
                      bool options_first, CommandLine* line,
                      std::string* error);

}  // namespace veil

#endif  // VEIL_OPTIONS_H
