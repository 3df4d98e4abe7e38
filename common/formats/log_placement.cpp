#include "common/formats/log_placement.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "common/files/file_handle.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/content_check.h"
#include "common/formats/made_logs.h"
#include "common/formats/trip_log_reading.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kScanBlock = 1 << 16;

// Hands each read of `fd` from `from` on to `take(read, at)` while it
// returns true; where the first read not taken begins (the end of the
// whole reads when all were), nullopt when a read of the file fails.
template <typename Take>
Result<off_t> scanReads(int fd, off_t from, Take&& take) {
  std::string block;
  off_t at = from;
  for (;;) {
    block.resize(kScanBlock);
    const Result<size_t> got = readInto(fd, block, at);
    if (!got) return *got.problem();
    block.resize(*got);
    std::string_view rest = block;
    while (const std::optional<size_t> length = nextLogRead(rest)) {
      if (!take(rest.substr(0, *length), at)) return at;
      at += static_cast<off_t>(*length);
      rest.remove_prefix(*length);
    }
    if (*got < kScanBlock) return at;
  }
}

// The first read of `fd`, when it is whole.
Result<std::string> firstRead(int fd) {
  const Result<std::string> head = readUpTo(fd, 0, kLogReadMax);
  if (!head) return *head.problem();
  const std::optional<size_t> length = nextLogRead(*head);
  return length ? head->substr(0, *length) : std::string();
}

FileDescriptor openToRead(const std::string& path) {
  return openRegular(path, O_RDONLY).value_or(FileDescriptor());
}

}  // namespace

std::string streamOfName(std::string_view name) {
  for (const TripLogPlace& log : collectedTripLogs()) {
    if (name == log.name) return log.name;
    if (name.size() > log.name.size() + 1 && name.starts_with(log.name) &&
        name[log.name.size()] == '.' && name[log.name.size() + 1] >= '0' &&
        name[log.name.size() + 1] <= '9') {
      return log.name;
    }
  }
  return {};
}

Result<FirstLine> firstLineOf(int fd) {
  const Result<std::string> read = firstRead(fd);
  if (!read) return *read.problem();
  if (read->empty()) return FirstLine{};
  return FirstLine{true, ledgerLine(*read).minute};
}

Result<std::vector<LedgerLine>> lastMinuteLines(int fd, off_t from, off_t to) {
  std::vector<LedgerLine> lines;
  if (to <= from) return lines;
  for (off_t span = kScanBlock;; span *= 2) {
    const off_t begin = std::max(from, to - span);
    const Result<std::string> bytes = readUpTo(fd, begin, static_cast<size_t>(to - begin));
    if (!bytes) return *bytes.problem();
    // Whole lines only, from a line start: the first one is cut unless the
    // span begins where the reads do.
    size_t start = 0;
    if (begin > from) {
      const size_t lineFeed = bytes->find('\n');
      start = lineFeed == std::string::npos ? bytes->size() : lineFeed + 1;
    }
    std::vector<LedgerLine> reads;
    std::string_view rest = std::string_view(*bytes).substr(start);
    while (const std::optional<size_t> length = nextLogRead(rest)) {
      reads.push_back(ledgerLine(rest.substr(0, *length)));
      rest.remove_prefix(*length);
    }
    std::optional<int64_t> latest;
    for (const LedgerLine& line : reads) {
      if (line.minute && (!latest || *line.minute > *latest)) latest = line.minute;
    }
    // Enough once a line of another minute precedes the latest minute's.
    size_t firstOfLatest = reads.size();
    bool earlierSeen = false;
    for (size_t i = reads.size(); i-- > 0;) {
      if (reads[i].minute == latest) {
        firstOfLatest = i;
      } else if (reads[i].minute) {
        earlierSeen = true;
        break;
      }
    }
    if (earlierSeen || begin == from || !latest) {
      for (size_t i = firstOfLatest; i < reads.size(); ++i) {
        if (reads[i].minute == latest) lines.push_back(reads[i]);
      }
      return lines;
    }
  }
}

// The settled lines of one stream older than its frontier, as the files
// that still hold them give them, for the minutes a placement asks about;
// and the minutes whose settled files are gone or changed.
class LogPlacer::StreamLines : public OlderLines {
 public:
  StreamLines(const LogPlacer& placer, const std::string& stream, const FileEvidence& placed,
              std::span<const SettledSource> sources, int64_t from, int64_t to)
      : from_(from), to_(to) {
    std::set<FileIdentity> present;
    for (const SettledSource& source : sources) {
      if (source.identity == placed.identity || source.stream != stream) continue;
      if (source.holdsEntry) present.insert(source.identity);
      add(source.path, source.settledTo);
    }
    for (const fs::path& archive : archivesOf(placer.root_)) {
      for (const std::string& name : namesIn(archive)) {
        if (streamOfName(name) == stream) add((archive / name).string(), -1);
      }
    }
    const auto gap = [&](const SettledFile& file) {
      if (!file.stream.empty() && file.stream != stream) return;
      gaps_.emplace_back(file.lastMinute == 0 ? INT64_MIN : file.firstMinute,
                         file.lastMinute == 0 ? INT64_MAX : file.lastMinute);
    };
    for (const auto& [identity, file] : placer.cursor_) {
      if (!present.count(identity)) gap(file);
    }
    for (const LedgerPiece& piece : placer.ledger_) {
      struct stat status;
      if (piece.path.empty() || lstat((placer.root_ / piece.path).c_str(), &status) != 0) {
        gap(piece.file);
      }
    }
  }

  bool claim(int64_t minute, uint64_t hash) override {
    const auto found = lines_.find({minute, hash});
    if (found == lines_.end()) return false;
    lines_.erase(found);
    return true;
  }

  bool gapAt(int64_t minute) const override {
    return std::any_of(gaps_.begin(), gaps_.end(), [&](const auto& gap) {
      return gap.first <= minute && minute <= gap.second;
    });
  }

 private:
  // The lines of the file at `path` (its first `length` bytes; all when
  // negative) of the minutes asked about. A file that cannot be read is a
  // gap for every minute.
  void add(const std::string& path, off_t length) {
    const FileDescriptor file = openToRead(path);
    const bool read =
        file.valid() && scanReads(file.get(), 0, [&](std::string_view read, off_t at) {
                          if (length >= 0 && at + static_cast<off_t>(read.size()) > length)
                            return false;
                          const LedgerLine line = ledgerLine(read);
                          if (line.minute && *line.minute >= from_ && *line.minute <= to_) {
                            lines_.emplace(*line.minute, line.hash);
                          }
                          return true;
                        }).ok();
    if (!read) gaps_.emplace_back(INT64_MIN, INT64_MAX);
  }

  int64_t from_;
  int64_t to_;
  std::multiset<std::pair<int64_t, uint64_t>> lines_;
  std::vector<std::pair<int64_t, int64_t>> gaps_;
};

LogPlacer::LogPlacer(fs::path root, const SettledCursor& cursor, const Frontiers& frontiers,
                     const std::vector<LedgerPiece>& ledger)
    : root_(std::move(root)), cursor_(cursor), frontiers_(frontiers), ledger_(ledger) {
  for (const auto& [stream, frontier] : frontiers_) {
    if (!latest_ || frontier.minute > *latest_) latest_ = frontier.minute;
  }
}

LogPlacer::~LogPlacer() = default;

bool LogPlacer::mayHoldSettled(const FirstLine& first) const {
  if (!first.whole) return false;
  if (!first.minute) return !cursor_.empty() || !ledger_.empty();
  if (!latest_) return !cursor_.empty() || !ledger_.empty();
  return *first.minute <= *latest_;
}

std::vector<fs::path>& LogPlacer::archivedStartingWith(uint64_t firstLineHash) {
  if (!archiveIndex_) {
    archiveIndex_.emplace();
    for (const fs::path& archive : archivesOf(root_)) {
      for (const std::string& name : namesIn(archive)) archived(archive / name);
    }
  }
  return (*archiveIndex_)[firstLineHash];
}

bool LogPlacer::madeByTerminal(const FileIdentity& identity, const std::string& stream) {
  auto found = made_.find(stream);
  if (found == made_.end()) {
    std::set<FileIdentity> made;
    for (const TripLogPlace& log : collectedTripLogs()) {
      if (log.name == stream) made = logsMade(root_ / log.dir / madeName(log.name));
    }
    found = made_.emplace(stream, std::move(made)).first;
  }
  return found->second.count(identity) != 0;
}

void LogPlacer::archived(const fs::path& path) {
  if (!archiveIndex_) return;
  const FileDescriptor file = openToRead(path.string());
  if (!file.valid()) return;
  const Result<std::string> read = firstRead(file.get());
  if (read && !read->empty()) (*archiveIndex_)[lineHash(*read)].push_back(path);
}

off_t LogPlacer::knownCopy(int fd, const FileEvidence& evidence, std::string_view firstLine,
                           std::span<const SettledSource> sources) {
  off_t known = 0;
  const auto shareWith = [&](const std::string& path, off_t limit,
                             const std::optional<FileIdentity>& identity) {
    const FileDescriptor other = openToRead(path);
    if (!other.valid()) return;
    if (identity && fileIdentity(other.get()).asOptional() != identity) return;
    const Result<std::string> read = firstRead(other.get());
    if (!read || *read != firstLine) return;
    if (limit < 0) {
      struct stat status;
      if (fstat(other.get(), &status) != 0) return;
      limit = status.st_size;
    }
    if (const Result<ContentHash> shared = sharedLines(fd, other.get(), limit)) {
      known = std::max(known, shared->length());
    }
  };
  std::set<FileIdentity> present;
  for (const SettledSource& source : sources) {
    if (source.holdsEntry && source.identity != evidence.identity) present.insert(source.identity);
    if (source.identity == evidence.identity || source.settledTo <= 0) continue;
    shareWith(source.path, source.settledTo, source.identity);
  }
  for (const fs::path& path : archivedStartingWith(lineHash(firstLine))) {
    shareWith(path.string(), -1, std::nullopt);
  }
  // Settled contents whose files are gone or no longer hold them: the
  // file is a copy of one where it begins with the whole of it.
  std::vector<ContentKey> gone;
  for (const auto& [identity, file] : cursor_) {
    if (!present.count(identity)) gone.push_back(file.key);
  }
  for (const LedgerPiece& piece : ledger_) gone.push_back(piece.file.key);
  std::sort(gone.begin(), gone.end());
  if (!gone.empty()) {
    if (const Result<PrefixCheck> begins = fileBeginning(fd, gone); begins) {
      if (begins->matched()) known = std::max(known, begins->matched()->length);
    }
  }
  return known;
}

Result<Placement> LogPlacer::place(int fd, const FileEvidence& evidence, const std::string& stream,
                                   std::span<const SettledSource> sources) {
  Placement placement;
  const Result<std::string> first = firstRead(fd);
  if (!first) return *first.problem();
  if (first->empty()) return placement;
  const off_t known = knownCopy(fd, evidence, *first, sources);
  const auto found = frontiers_.find(stream);
  const Frontier* frontier = found == frontiers_.end() ? nullptr : &found->second;

  struct Read {
    off_t at;
    off_t length;
    std::optional<TripRecord> record;
  };
  std::vector<Read> reads;
  std::vector<LineToPlace> lines;
  std::string recordText;  // the reads' bytes, for their records
  const Result<off_t> placedTo = scanReads(fd, 0, [&](std::string_view read, off_t at) {
    const LedgerLine line = ledgerLine(read);
    const bool copy = at + static_cast<off_t>(read.size()) <= known;
    if (!copy && (!frontier || (line.minute && *line.minute > frontier->minute))) return false;
    lines.push_back({line, copy});
    const std::optional<TripRecord> record = parseTripRecord(read);
    reads.push_back({at, static_cast<off_t>(read.size()), std::nullopt});
    if (record) {
      TripRecord kept = *record;
      kept.transport = {};
      kept.journey_id = {};
      reads.back().record = kept;
    }
    return true;
  });
  if (!placedTo) return *placedTo.problem();
  placement.placedTo = *placedTo;

  // Older lines are looked up only when a line asks.
  std::optional<StreamLines> older;
  int64_t from = INT64_MAX;
  int64_t to = INT64_MIN;
  for (const LineToPlace& line : lines) {
    if (line.line.minute && frontier && *line.line.minute < frontier->minute) {
      from = std::min(from, *line.line.minute);
      to = std::max(to, *line.line.minute);
    }
  }
  struct LazyOlder : OlderLines {
    std::function<StreamLines&()> get;
    bool claim(int64_t minute, uint64_t hash) override { return get().claim(minute, hash); }
    bool gapAt(int64_t minute) const override { return get().gapAt(minute); }
  } lazy;
  lazy.get = [&]() -> StreamLines& {
    if (!older) older.emplace(*this, stream, evidence, sources, from, to);
    return *older;
  };
  const std::vector<LineFate> fates = placeLines(lines, frontier, evidence, lazy);

  for (size_t i = 0; i < reads.size(); ++i) {
    const LedgerLine& line = lines[i].line;
    if (line.minute) {
      if (!placement.firstMinute && i == 0) placement.firstMinute = line.minute;
      if (!placement.lastMinute || *line.minute > *placement.lastMinute) {
        placement.lastMinute = line.minute;
      }
    }
    if (fates[i] == LineFate::kNew) {
      placement.newLines.push_back(line);
      continue;
    }
    const bool held = fates[i] == LineFate::kHeld;
    const long long number = static_cast<long long>(i) + 1;
    if (held) {
      placement.heldLines.push_back(line);
      if (!placement.heldLineNumbers.empty() &&
          placement.heldLineNumbers.back().second == number - 1) {
        placement.heldLineNumbers.back().second = number;
      } else {
        placement.heldLineNumbers.emplace_back(number, number);
      }
    }
    std::vector<PassedStretch>& passed = placement.passed;
    if (passed.empty() || passed.back().held != held ||
        passed.back().offset + passed.back().length != reads[i].at) {
      passed.push_back({reads[i].at, 0, held, 0, {0, 0}});
    }
    passed.back().length += reads[i].length;
    if (held && reads[i].record) {
      ++passed.back().records;
      passed.back().fees[reads[i].record->op] += reads[i].record->fee;
    }
  }
  return placement;
}
