#include "common/world_layout.h"

#include <algorithm>
#include <utility>

#include "common/file_handle.h"

namespace {

// Up to 18 digits always fit the sequence type.
constexpr size_t kMaxSequenceDigits = 18;

}  // namespace

std::string cardFilePath(std::string_view card) {
  return std::string("../") + kCustomerDir + "/" + std::string(card) + ".txt";
}

std::string metroLogName(int station) {
  return "Metrofile" + std::to_string(station) + ".txt";
}

const std::array<TripLogPlace, 6>& collectedTripLogs() {
  static const std::array<TripLogPlace, 6> logs = {
      TripLogPlace{kBusDir, kBusLogName},       TripLogPlace{kMetroDir, metroLogName(0)},
      TripLogPlace{kMetroDir, metroLogName(1)}, TripLogPlace{kMetroDir, metroLogName(2)},
      TripLogPlace{kMetroDir, metroLogName(3)}, TripLogPlace{kMetroDir, metroLogName(4)},
  };
  return logs;
}

std::string intentName(std::string_view logName) {
  return std::string(logName) + ".intent";
}

std::string roleLockName(std::string_view logName) {
  return std::string(logName) + ".lock";
}

std::string handOverName(std::string_view logName, unsigned long long sequence) {
  return std::string(logName) + "." + std::to_string(sequence);
}

std::optional<unsigned long long> handOverSequence(std::string_view fileName,
                                                   std::string_view logName) {
  if (fileName.size() <= logName.size() + 1 || !fileName.starts_with(logName) ||
      fileName[logName.size()] != '.') {
    return std::nullopt;
  }
  const std::string_view digits = fileName.substr(logName.size() + 1);
  if (digits.size() > kMaxSequenceDigits || digits.front() == '0') return std::nullopt;
  unsigned long long sequence = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    sequence = sequence * 10 + static_cast<unsigned long long>(c - '0');
  }
  return sequence;
}

std::vector<std::filesystem::path> handOverFiles(const std::filesystem::path& root,
                                                 const TripLogPlace& log) {
  std::vector<std::pair<unsigned long long, std::string>> found;
  for (std::string& name : namesIn(root / log.dir)) {
    if (const auto sequence = handOverSequence(name, log.name)) {
      found.emplace_back(*sequence, std::move(name));
    }
  }
  std::sort(found.begin(), found.end());
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : found) paths.push_back(root / log.dir / entry.second);
  return paths;
}
