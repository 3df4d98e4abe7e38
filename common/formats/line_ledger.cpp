#include "common/formats/line_ledger.h"

#include <algorithm>

#include "common/base/text.h"
#include "common/formats/content_check.h"
#include "common/formats/record_format.h"
#include "common/formats/time_info.h"

std::optional<int64_t> minuteOf(std::string_view timeText) {
  const std::optional<TimeTextFields> fields = splitTimeText(timeText);
  if (!fields || !isDecimalDigits(timeText)) return std::nullopt;
  // Five digits of day: the clock's day grows by one a simulated day.
  constexpr size_t kDayDigits = 5;
  if (fields->day.size() > kDayDigits) return std::nullopt;
  const auto number = [](std::string_view digits) {
    return decimalNumber<int64_t>(digits).value_or(0);
  };
  return (((number(fields->year) * 100 + number(fields->month)) * 100000 + number(fields->day)) *
              100 +
          number(fields->hour)) *
             100 +
         number(fields->minute);
}

LedgerLine ledgerLine(std::string_view read) {
  size_t at = 0;
  return {minuteOf(nextField(read, at, ',')), lineHash(read)};
}

namespace {

int64_t bornAt(const FileIdentity& identity) {
  return identity.born * 1'000'000'000 + identity.born_ns;
}

// Whether `file` cannot hold a line written after `group` was read: it is
// the file that line was read from (perhaps under another mount), it was
// last changed before that, or it was made once no terminal could write
// that minute any more.
bool isCopyOf(const FrontierGroup& group, const Frontier& frontier, const FileEvidence& file) {
  const FileIdentity& self = file.identity;
  if (self == group.source) return true;
  const bool bornKnown = self.born != 0 || self.born_ns != 0;
  if (bornKnown && self.inode == group.source.inode && self.born == group.source.born &&
      self.born_ns == group.source.born_ns) {
    return true;
  }
  if (file.modifiedAt + kFileTimeSlackNs < group.readAt) return true;
  return bornKnown && frontier.closedAt != 0 && bornAt(self) > frontier.closedAt + kFileTimeSlackNs;
}

}  // namespace

std::vector<LineFate> placeLines(std::span<const LineToPlace> lines, const Frontier* frontier,
                                 const FileEvidence& file, OlderLines& older) {
  // Each line of the frontier matches at most one line of the file.
  std::multimap<uint64_t, const FrontierGroup*> unmatched;
  if (frontier) {
    for (const FrontierGroup& group : frontier->groups) {
      for (const uint64_t hash : group.hashes) unmatched.emplace(hash, &group);
    }
  }
  std::vector<LineFate> fates;
  fates.reserve(lines.size());
  for (const LineToPlace& place : lines) {
    const std::optional<int64_t>& minute = place.line.minute;
    const LineFate otherwise = place.knownCopy ? LineFate::kCopy : LineFate::kNew;
    if (!frontier || !minute || *minute > frontier->minute) {
      fates.push_back(otherwise);
    } else if (*minute < frontier->minute) {
      const bool settled =
          place.knownCopy || older.claim(*minute, place.line.hash) || older.gapAt(*minute);
      fates.push_back(settled ? LineFate::kCopy : LineFate::kNew);
    } else {
      const auto [begin, end] = unmatched.equal_range(place.line.hash);
      if (begin == end) {
        // A full frontier may have had the line: then it cannot be told.
        fates.push_back(frontier->full ? LineFate::kHeld : otherwise);
        continue;
      }
      // A line held already is held once; a copy the file vouches for is
      // settled once; anything else could be either.
      auto chosen = std::find_if(begin, end, [](const auto& entry) { return entry.second->held; });
      if (chosen == end) {
        chosen = std::find_if(begin, end, [&](const auto& entry) {
          return isCopyOf(*entry.second, *frontier, file);
        });
      }
      const bool told = chosen != end;
      fates.push_back(told ? LineFate::kCopy : LineFate::kHeld);
      unmatched.erase(told ? chosen : begin);
    }
  }
  return fates;
}

void advanceFrontier(Frontiers& frontiers, const std::string& stream,
                     std::span<const LedgerLine> lines, const FileIdentity& source, int64_t readAt,
                     bool held) {
  std::optional<int64_t> latest;
  for (const LedgerLine& line : lines) {
    if (line.minute && (!latest || *line.minute > *latest)) latest = line.minute;
  }
  if (!latest) return;
  const auto found = frontiers.find(stream);
  if (found != frontiers.end() && *latest < found->second.minute) return;
  Frontier& frontier = frontiers[stream];
  if (found == frontiers.end() || *latest > frontier.minute) {
    frontier = Frontier{*latest, 0, false, {}};
  }
  size_t kept = 0;
  for (const FrontierGroup& group : frontier.groups) kept += group.hashes.size();
  FrontierGroup group{source, readAt, held, {}};
  for (const LedgerLine& line : lines) {
    if (line.minute != latest) continue;
    if (kept == kFrontierLinesKept) {
      frontier.full = true;
      break;
    }
    group.hashes.push_back(line.hash);
    ++kept;
  }
  if (!group.hashes.empty()) frontier.groups.push_back(std::move(group));
}
