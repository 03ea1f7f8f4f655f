#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

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

void CatchSignal(int signal_number) {
  struct sigaction previous;
  if (sigaction(signal_number, nullptr, &previous) != 0 ||
      previous.sa_handler != SIG_DFL) {
    return;
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RemoveTemporaryAndDie;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(signal_number, &action, nullptr);
}

// Installed once, for the program's life; with no temporary file the
// handler only raises the signal again. Every signal whose default action
// ends the program is caught, the real-time ones included, except those
// that report a fault of the program itself (SIGSEGV, SIGABRT...), whose
// core dump and sanitizer report matter more. A signal that is ignored
// (nohup's SIGHUP) or already handled stays as it was.
void CatchEndingSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int signal_number :
       {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE,
        SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO}) {
    CatchSignal(signal_number);
  }
#ifdef SIGPWR  // Linux
  CatchSignal(SIGPWR);
#endif
#ifdef SIGRTMIN
  for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
    CatchSignal(signal_number);
  }
#endif
}

// Where writing to `path` really goes: symbolic links followed one by one
// (a relative link is read from the link's folder), so that a link is
// written through and kept, as cp does. A dangling link names the file to
// create. More than 40 links (a loop among them) fail with ELOOP, as the
// kernel fails them: taking the 40th for the file would replace that link.
bool FollowLinks(std::string* path) {
  for (int hops = 0;; ++hops) {
    struct stat info;
    if (lstat(path->c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    if (hops == 40) {
      errno = ELOOP;
      return false;
    }
    char text[4096];  // PATH_MAX on Linux; st_size can be 0 (/proc)
    const ssize_t length = readlink(path->c_str(), text, sizeof text);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) return true;
    const std::string link(text, static_cast<std::size_t>(length));
    const std::size_t slash = path->rfind('/');
    *path = link[0] == '/' || slash == std::string::npos
                ? link
                : path->substr(0, slash + 1) + link;
  }
}

// An existing OUT that is neither a regular file nor a folder (a device, a
// FIFO, a socket) is written into, as every image tool does: replacing it
// would put a regular file in place of /dev/null or a pipe. So is one whose
// links lead to no path, which only the kernel follows: /dev/stdout on a
// pipe ends in /proc/self/fd/1, which reads "pipe:[N]".
bool IsWrittenInPlace(const std::string& named, const std::string& target) {
  struct stat info;
  if (stat(named.c_str(), &info) != 0) return false;
  struct stat link_info;
  return (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) ||
         lstat(target.c_str(), &link_info) != 0;
}

// Opens an OUT written in place. A socket cannot be opened by name (ENXIO),
// but one that is veil's own standard output or error (/dev/stdout on a
// socket) is written through a copy of that descriptor.
int OpenInPlace(const std::string& named) {
  const int fd = open(named.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd >= 0 || errno != ENXIO || stat(named.c_str(), &info) != 0) return fd;
  for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat stream_info;
    if (fstat(stream, &stream_info) == 0 && stream_info.st_dev == info.st_dev &&
        stream_info.st_ino == info.st_ino) {
      return fcntl(stream, F_DUPFD_CLOEXEC, 0);
    }
  }
  errno = ENXIO;
  return -1;
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

bool OpenOutputFile(const std::string& named, OutputFile* output,
                    std::string* error) {
  std::string target = named;
  output->file = nullptr;
  if (!FollowLinks(&target)) {
    *error = Reason("cannot write");
    return false;
  }
  output->target = target;
  output->in_place = IsWrittenInPlace(named, target);
  if (output->in_place) {
    const int fd = OpenInPlace(named);
    if (fd < 0 || (output->file = fdopen(fd, "wb")) == nullptr) {
      *error = Reason("cannot write");
      if (fd >= 0) close(fd);
      return false;
    }
    return true;
  }
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  // A short name of its own: one built from the target's could pass the
  // file system's 255-byte limit when the target's name is close to it.
  output->temporary = folder + "/.veil-XXXXXX";

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
  // A pipe or a character device has nothing to sync (EINVAL).
  if (std::fflush(output->file) != 0 ||
      (fsync(fileno(output->file)) != 0 && !(output->in_place && errno == EINVAL))) {
    *error = Reason("cannot write");
    ok = false;
  }
  if (std::fclose(output->file) != 0 && ok) {
    *error = Reason("cannot write");
    ok = false;
  }
  output->file = nullptr;
  if (output->in_place) return ok;
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
  if (output->in_place) return;  // what was written stays written
  unlink(output->temporary.c_str());
  g_temporary.store(nullptr);
}

}  // namespace veil
