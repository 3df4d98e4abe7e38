#include "common/formats/trip_log_reading.h"

#include <memory>

namespace {

constexpr size_t kBlockSize = 1 << 16;

}  // namespace

LogReading readLogFrom(int fd, off_t from, const LogReadSink& take) {
  const auto buffer = std::make_unique<char[]>(kLogReadMax + kBlockSize);
  return readLogReads(fd, from, std::span<char>(buffer.get(), kLogReadMax + kBlockSize), take);
}

std::vector<std::string_view> completeLogLines(std::string_view content) {
  std::vector<std::string_view> lines;
  while (const std::optional<size_t> length = nextLogRead(content)) {
    lines.push_back(content.substr(0, *length));
    content.remove_prefix(*length);
  }
  return lines;
}
