#include "common/formats/made_logs.h"

#include <fcntl.h>

#include <string>
#include <vector>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/files/file_system.h"

namespace {

// A line is some 40 bytes: the list is read whole, within this.
constexpr size_t kMadeLogsReadMax = 4 * kMadeLogsKept * 64;

std::string lineOf(const FileIdentity& log) {
  return std::to_string(log.device) + " " + std::to_string(log.inode) + " " +
         std::to_string(log.born) + " " + std::to_string(log.born_ns) + "\n";
}

std::optional<FileIdentity> identityOf(std::string_view line) {
  const std::vector<std::string_view> words = splitFields(line, ' ');
  if (words.size() != 4) return std::nullopt;
  const auto device = decimalNumber<unsigned long long>(words[0]);
  const auto inode = decimalNumber<unsigned long long>(words[1]);
  const auto born = decimalNumber<long long>(words[2]);
  const auto bornNs = decimalNumber<unsigned>(words[3]);
  if (!device || !inode || !born || !bornNs) return std::nullopt;
  return FileIdentity{*device, *inode, *born, *bornNs};
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) break;  // cut by a kill
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

}  // namespace

std::set<FileIdentity> logsMade(const std::filesystem::path& path) {
  std::set<FileIdentity> made;
  const FileDescriptor file = openRegular(path.string(), O_RDONLY).value_or(FileDescriptor());
  if (!file.valid()) return made;
  const Result<std::string> text = readUpTo(file.get(), 0, kMadeLogsReadMax);
  if (!text) return made;
  for (const std::string_view line : linesOf(*text)) {
    if (const std::optional<FileIdentity> log = identityOf(line)) made.insert(*log);
  }
  return made;
}

bool noteLogMade(const std::filesystem::path& path, const FileIdentity& log) {
  const FileDescriptor file =
      openRegular(path.string(), O_RDWR | O_APPEND | O_CREAT, 0666).value_or(FileDescriptor());
  if (!file.valid()) return false;
  const Result<std::string> text = readUpTo(file.get(), 0, kMadeLogsReadMax);
  if (!text) return false;
  std::vector<std::string_view> lines = linesOf(*text);
  if (!lines.empty() && identityOf(lines.back()) == log) return true;
  if (lines.size() + 1 < 2 * kMadeLogsKept) {
    // A line a kill cut short is ended first, so the new one stands alone.
    const bool cut = !text->empty() && text->back() != '\n';
    return writeAll(file.get(), (cut ? "\n" : "") + lineOf(log)).ok();
  }
  std::string kept;
  for (size_t i = lines.size() + 1 - kMadeLogsKept; i < lines.size(); ++i) {
    kept += std::string(lines[i]) + "\n";
  }
  return replaceFile(path.string(), kept + lineOf(log)).ok();
}
