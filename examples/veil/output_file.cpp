#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace veil {
namespace {

// The temporary file a signal handler must remove, or null. Read by the
// handler on whichever thread the signal lands (the module's OpenMP workers
// included), hence an atomic pointer rather than a blocked signal mask.
std::atomic<const char*> g_temporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free,
              "the signal handler needs a lock-free pointer");

extern "C" void RemoveTemporaryAndDie(int signal_number) {
  const char* path = g_temporary.load();
  if (path != nullptr) unlink(path);
  // SA_RESETHAND put back the default action: raised again, the signal ends
  // the program as it would have without us.
  raise(signal_number);
}

// Installed once, for the program's life; with no temporary file the
// handler only raises the signal again. A signal that is ignored (nohup's
// SIGHUP) stays ignored.
void CatchEndingSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGXFSZ}) {
    struct sigaction previous;
    if (sigaction(signal_number, nullptr, &previous) != 0 ||
        previous.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal_number, &action, nullptr);
  }
}

// The permissions the output gets: those of the file it replaces, else what
// a new file gets (0666 less the umask).
mode_t OutputMode(const std::string& target) {
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    return info.st_mode & 0777;
  }
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string Reason(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool OpenOutputFile(const std::string& target, OutputFile* output,
                    std::string* error) {
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  output->target = target;
  // A short name of its own: one built from the target's could pass the
  // file system's 255-byte limit when the target's name is close to it.
  output->temporary = folder + "/.veil-XXXXXX";
  output->file = nullptr;

  CatchEndingSignals();
  // Registered before mkstemp fills in the name, so no moment is left in
  // which the file exists and a signal would not remove it.
  g_temporary.store(output->temporary.c_str());
  const int fd = mkstemp(&output->temporary[0]);
  if (fd < 0) {
    g_temporary.store(nullptr);
    *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
    return false;
  }
  if (fchmod(fd, OutputMode(target)) != 0 ||
      (output->file = fdopen(fd, "wb")) == nullptr) {
    *error = Reason("cannot write");
    close(fd);
    unlink(output->temporary.c_str());
    g_temporary.store(nullptr);
    return false;
  }
  return true;
}

bool CommitOutputFile(OutputFile* output, std::string* error) {
  bool ok = true;
  if (std::fflush(output->file) != 0 || fsync(fileno(output->file)) != 0) {
    *error = Reason("cannot write");
    ok = false;
  }
  if (std::fclose(output->file) != 0 && ok) {
    *error = Reason("cannot write");
    ok = false;
  }
  output->file = nullptr;
  if (ok && std::rename(output->temporary.c_str(), output->target.c_str()) != 0) {
    *error = Reason("cannot replace the file");
    ok = false;
  }
  if (!ok) unlink(output->temporary.c_str());
  g_temporary.store(nullptr);
  return ok;
}

void DiscardOutputFile(OutputFile* output) {
  if (output->file != nullptr) std::fclose(output->file);
  output->file = nullptr;
  unlink(output->temporary.c_str());
  g_temporary.store(nullptr);
}

}  // namespace veil
