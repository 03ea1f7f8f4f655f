// Writing a file all-or-nothing: the bytes go to a temporary file in the
// target's folder (so the final rename cannot cross file systems), which is
// renamed over the target only once it is complete and on disk.
#ifndef VEIL_OUTPUT_FILE_H
#define VEIL_OUTPUT_FILE_H

#include <cstdio>
#include <string>

namespace veil {

struct OutputFile {
  std::string target;
  std::string temporary;
  std::FILE* file = nullptr;  // open on `temporary` between Open and Commit/Discard
};

// Creates the temporary file, with the target's permissions when the target
// exists (else the usual 0666 less the umask). Until Commit or Discard, a
// signal that ends the program (SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGXFSZ)
// removes the temporary file first. False with a reason in `error`.
bool OpenOutputFile(const std::string& target, OutputFile* output,
                    std::string* error);

// Flushes the temporary file to disk and renames it over the target; on
// failure removes it. False with a reason in `error`.
bool CommitOutputFile(OutputFile* output, std::string* error);

// Closes and removes the temporary file; the target is left as it was.
void DiscardOutputFile(OutputFile* output);

}  // namespace veil

#endif  // VEIL_OUTPUT_FILE_H
