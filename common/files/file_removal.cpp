#include "common/files/file_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "common/files/file_handle.h"
#include "common/files/file_system.h"

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The directory `name` in `dir`, only when it is one and no link.
Result<FileDescriptor> openDirectoryAt(int dir, const std::string& name) {
  FileDescriptor opened(sys::openat(dir, name.c_str(), kDirectoryFlags));
  if (!opened.valid()) return Problem::fromErrno(errno);
  return opened;
}

Result<std::vector<std::string>> entriesOf(int dir) {
  const int copy = sys::duplicate(dir);
  if (copy < 0) return Problem::fromErrno(errno);
  DIR* stream = fdopendir(copy);
  if (!stream) {
    const Problem problem = Problem::fromErrno(errno);
    sys::close(copy);
    return problem;
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
Result<void> removeAt(int dir, const std::string& name, const std::string& shown) {
  const std::string cannot = "cannot remove " + shown + ": ";
  struct stat status;
  if (sys::fstatat(dir, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    const Problem problem = Problem::fromErrno(errno);
    if (problem.is(Problem::Kind::kMissing)) return {};
    return problem.within(cannot);
  }
  if (S_ISDIR(status.st_mode)) {
    const Result<FileDescriptor> inner = openDirectoryAt(dir, name);
    if (!inner) return inner.problem()->within(cannot);
    const Result<std::vector<std::string>> names = entriesOf(inner->get());
    if (!names) return names.problem()->within(cannot);
    for (const std::string& entry : *names) {
      if (Result<void> removed = removeAt(inner->get(), entry, shown + "/" + entry); !removed) {
        return removed;
      }
    }
  }
  if (sys::unlinkat(dir, name.c_str(), S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) != 0) {
    const Problem problem = Problem::fromErrno(errno);
    if (!problem.is(Problem::Kind::kMissing)) return problem.within(cannot);
  }
  return {};
}

}  // namespace

Result<void> removeBelow(const std::filesystem::path& root, const std::string& relative) {
  FileDescriptor dir(sys::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return Problem::fromErrno("cannot open " + root.string() + ": ", errno);
  std::string way;
  size_t at = 0;
  for (size_t slash; (slash = relative.find('/', at)) != std::string::npos; at = slash + 1) {
    const std::string step = relative.substr(at, slash - at);
    way += step;
    Result<FileDescriptor> next = openDirectoryAt(dir.get(), step);
    if (!next) {
      const Problem& problem = *next.problem();
      if (problem.is(Problem::Kind::kMissing)) return {};
      if (problem.is(Problem::Kind::kNotRegular)) {
        return Problem(way + " is a symbolic link or no directory: nothing is removed through it",
                       Problem::Kind::kNotRegular);
      }
      return problem.within("cannot enter " + way + ": ");
    }
    dir = std::move(*next);
    way += "/";
  }
  return removeAt(dir.get(), relative.substr(at), relative);
}
