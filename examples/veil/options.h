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
bool ParseColour(const std::string& text, int* red, int* green, int* blue);
bool ParsePoint(const std::string& text, int* x, int* y);
bool ParseFraction(const std::string& text, double* value);  // 0 to 1
bool ParseSource(const std::string& text, int* source);

struct CommandLine {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> values;  // "--color" -> "#ff0000"
  std::set<std::string> flags;                // "--soft"
};

// Splits argv[first..argc) by the given option names. Options take their
// value from the next argument or after '=' (`--at=-3,4`). False with a
// one-line reason in `error` for an unknown option, a missing value or an
// option given twice.
bool SplitCommandLine(int argc, char** argv, int first,
                      const std::set<std::string>& value_options,
                      const std::set<std::string>& flag_options,
                      CommandLine* line, std::string* error);

}  // namespace veil

#endif  // VEIL_OPTIONS_H
