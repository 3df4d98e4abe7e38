#include "common/files/world_layout.h"

#include <algorithm>
#include <utility>

#include "common/base/text.h"
#include "common/files/file_handle.h"

std::string cardFileName(std::string_view card) {
  return std::string(card) + std::string(kCardFileExtension);
}

std::string cardFilePath(std::string_view card) {
  return std::string("../") + kCustomerDir + "/" + cardFileName(card);
}

bool isValidCardNumber(std::string_view card) {
  if (card.empty() || card.size() > kCardNumberMaxLength) return false;
  return std::all_of(card.begin(), card.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
  });
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

std::string madeName(std::string_view logName) {
  return std::string(logName) + ".made";
}

std::string roleLockName(std::string_view logName) {
  return std::string(logName) + ".lock";
}

std::string handOverName(std::string_view logName, std::string_view number) {
  return std::string(logName) + "." + std::string(number);
}

std::optional<std::string_view> handOverNumber(std::string_view fileName,
                                               std::string_view logName) {
  if (fileName.size() <= logName.size() + 1 || !fileName.starts_with(logName) ||
      fileName[logName.size()] != '.') {
    return std::nullopt;
  }
  const std::string_view digits = fileName.substr(logName.size() + 1);
  if (digits.front() == '0' || !isDecimalDigits(digits)) return std::nullopt;
  return digits;
}

bool handOverNumberLess(std::string_view a, std::string_view b) {
  // Without leading zeros the longer number is the larger one.
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::string nextHandOverNumber(std::string_view number) {
  std::string next(number);
  for (size_t i = next.size(); i > 0; --i) {
    if (next[i - 1] != '9') {
      ++next[i - 1];
      return next;
    }
    next[i - 1] = '0';
  }
  return "1" + next;
}

LogFileKind logFileKind(std::string_view fileName, std::string_view logName) {
  if (fileName == logName) return LogFileKind::kLive;
  if (fileName.size() <= logName.size() || !fileName.starts_with(logName) ||
      fileName[logName.size()] != '.') {
    return LogFileKind::kUnrelated;
  }
  if (handOverNumber(fileName, logName)) return LogFileKind::kHandOver;
  if (fileName.starts_with(intentName(logName)) || fileName == roleLockName(logName) ||
      fileName == madeName(logName)) {
    return LogFileKind::kTerminals;
  }
  return LogFileKind::kStray;
}

LogFiles filesOfLog(const std::filesystem::path& root, const TripLogPlace& log) {
  const std::vector<std::string> names = namesIn(root / log.dir);
  const LogFileNames classified = classifyLogFiles(names, log.name);
  LogFiles files;
  const std::filesystem::path dir = root / log.dir;
  for (const std::string_view name : classified.handOvers) files.handOvers.push_back(dir / name);
  for (const std::string_view name : classified.strays) files.strays.push_back(dir / name);
  return files;
}

LogFileNames classifyLogFiles(const std::vector<std::string>& names, std::string_view logName) {
  LogFileNames files;
  for (const std::string& name : names) {
    switch (logFileKind(name, logName)) {
      case LogFileKind::kHandOver:
        files.handOvers.push_back(name);
        break;
      case LogFileKind::kStray:
        files.strays.push_back(name);
        break;
      default:
        break;
    }
  }
  const size_t prefix = logName.size() + 1;
  std::sort(files.handOvers.begin(), files.handOvers.end(),
            [&](std::string_view a, std::string_view b) {
              return handOverNumberLess(a.substr(prefix), b.substr(prefix));
            });
  std::sort(files.strays.begin(), files.strays.end());
  return files;
}
