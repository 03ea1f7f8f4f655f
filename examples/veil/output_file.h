// Writing a file all-or-nothing: the bytes go to a temporary file in the
// target's folder (so the final rename cannot cross file systems), which is
// renamed over the target only once it is complete and on disk. A symbolic
// link is written through: the target is the file it leads to, and the link
// stays. A device, a FIFO, a socket, or a file whose links lead to no path
// (/dev/stdout on a pipe) is written in place, without a temporary file.
#ifndef VEIL_OUTPUT_FILE_H
#define VEIL_OUTPUT_FILE_H

#include <cstdio>
#include <string>

namespace veil {

struct OutputFile {
  std::string target;     // the named file, its symbolic links followed
  std::string temporary;  // unused when `in_place`
  std::FILE* file = nullptr;  // open between Open and Commit/Discard
  bool in_place = false;      // written in place, as above
};

// Creates the temporary file, with the target's permissions when the target
// exists (else the usual 0666 less the umask), or opens an OUT written in
// place itself; more than 40 links fail with ELOOP. Until Commit or
// Discard, a signal that ends the program (any that can be caught but those
// of a program fault) removes the temporary file first. False with a reason
// in `error`.
bool OpenOutputFile(const std::string& named, OutputFile* output,
                    std::string* error);

// Flushes the temporary file to disk and renames it over the target; on
// failure removes it. In place, flushes and closes. False with a reason in
// `error`.
bool CommitOutputFile(OutputFile* output, std::string* error);

// Closes and removes the temporary file; the target is left as it was
// (in place, what was written stays).
void DiscardOutputFile(OutputFile* output);

}  // namespace veil

#endif  // VEIL_OUTPUT_FILE_H
