// The help texts: `veil --help` and each command's own (`veil fill --help`).
#ifndef VEIL_USAGE_H
#define VEIL_USAGE_H

#include <string>

namespace veil {

// The help of `command` ("alpha", "fill" or "run"), or of every command for
// an empty name.
std::string Usage(const std::string& command);

// Prints Usage(command) on stdout and returns the exit status for it (0).
int PrintUsage(const std::string& command);

}  // namespace veil

#endif  // VEIL_USAGE_H
