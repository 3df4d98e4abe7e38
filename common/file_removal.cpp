#include "common/file_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "common/file_handle.h"

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The directory `name` in `dir`, only when it is one and no link.
FileDescriptor openDirectoryAt(int dir, const std::string& name) {
  return FileDescriptor(openat(dir, name.c_str(), kDirectoryFlags));
}

std::optional<std::vector<std::string>> entriesOf(int dir) {
  const int copy = fcntl(dir, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return std::nullopt;
  DIR* stream = fdopendir(copy);
  if (!stream) {
    close(copy);
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  closedir(stream);
  return names;
}

// Removes `name` in `dir`, as the header says; `shown` names it in a problem.
std::optional<Problem> removeAt(int dir, const std::string& name, const std::string& shown) {
  struct stat status;
  if (fstatat(dir, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return Problem::fromErrno("cannot remove " + shown + ": ", errno);
  }
  if (S_ISDIR(status.st_mode)) {
    const FileDescriptor inner = openDirectoryAt(dir, name);
    if (!inner.valid()) return Problem::fromErrno("cannot remove " + shown + ": ", errno);
    const std::optional<std::vector<std::string>> names = entriesOf(inner.get());
    if (!names) return Problem::fromErrno("cannot remove " + shown + ": ", errno);
    for (const std::string& entry : *names) {
      if (auto problem = removeAt(inner.get(), entry, shown + "/" + entry)) return problem;
    }
  }
  if (unlinkat(dir, name.c_str(), S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) != 0 &&
      errno != ENOENT) {
    return Problem::fromErrno("cannot remove " + shown + ": ", errno);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Problem> removeBelow(const std::filesystem::path& root, const std::string& relative) {
  FileDescriptor dir(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return Problem::fromErrno("cannot open " + root.string() + ": ", errno);
  std::string way;
  size_t at = 0;
  for (size_t slash; (slash = relative.find('/', at)) != std::string::npos; at = slash + 1) {
    const std::string step = relative.substr(at, slash - at);
    way += step;
    FileDescriptor next = openDirectoryAt(dir.get(), step);
    if (!next.valid()) {
      if (errno == ENOENT) return std::nullopt;
      if (errno == ELOOP || errno == ENOTDIR) {
        return Problem(way + " is a symbolic link or no directory: nothing is removed through it");
      }
      return Problem::fromErrno("cannot enter " + way + ": ", errno);
    }
    dir = std::move(next);
    way += "/";
  }
  return removeAt(dir.get(), relative.substr(at), relative);
}
