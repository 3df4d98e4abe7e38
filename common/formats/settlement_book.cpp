#include "common/formats/settlement_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <span>
#include <vector>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_system.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/record_format.h"
#include "common/formats/trip_log_reading.h"

namespace fs = std::filesystem;

namespace {

// A state ends with "end <check of every line before>": a state edited by
// hand is refused rather than trusted, since a cursor moved back would
// settle records again. States of earlier releases are still read by the
// files they name and how far each was settled: those whose cursor names
// files by identity ("fares settlement state 2", and "... 1" with a plain
// "end"), and those that knew each file by a hash this release no longer
// computes, with no streams, minutes or frontiers ("... 3").
constexpr std::string_view kStateMagic = "fares settlement state 4";
constexpr std::string_view kContentStateMagic = "fares settlement state 3";
constexpr std::string_view kIdentityStateMagic = "fares settlement state 2";
constexpr std::string_view kUncheckedStateMagic = "fares settlement state 1";
constexpr std::string_view kStateEnd = "end";
// A state file holds a few lines per trip log file; far more is no state.
constexpr size_t kStateSizeMax = 1 << 24;
constexpr size_t kBlock = 1 << 16;

// A number as the state writes it: decimal, no leading zero, a minus sign
// only for a signed field.
template <typename Number>
bool readNumber(std::string_view text, Number& value) {
  if (text.size() > 1 && text.front() == '0') return false;
  const std::optional<Number> number =
      decimalNumber<Number>(text, std::is_signed_v<Number> ? Minus::Allowed : Minus::Refused);
  if (number) value = *number;
  return number.has_value();
}

std::optional<IdentityCursor::value_type> decodeIdentity(std::string_view text) {
  const std::vector<std::string_view> words = splitFields(text, ' ');
  FileIdentity identity;
  off_t offset = 0;
  if (words.size() != 5 || !readNumber(words[0], identity.device) ||
      !readNumber(words[1], identity.inode) || !readNumber(words[2], identity.born) ||
      !readNumber(words[3], identity.born_ns) || !readNumber(words[4], offset) || offset < 0) {
    return std::nullopt;
  }
  return IdentityCursor::value_type{identity, offset};
}

bool readIdentity(std::span<const std::string_view> words, FileIdentity& identity) {
  return words.size() >= 4 && readNumber(words[0], identity.device) &&
         readNumber(words[1], identity.inode) && readNumber(words[2], identity.born) &&
         readNumber(words[3], identity.born_ns);
}

// A stream's name as the state writes it: "-" for none.
std::string_view streamWord(const std::string& stream) {
  return stream.empty() ? std::string_view("-") : std::string_view(stream);
}

// "DEVICE INODE BORN BORN_NS LENGTH HASH": what of a file was settled, as
// states of the content cursor's first form wrote it; the present form
// goes on with " STREAM FIRST LAST", then "OFFSET LENGTH HELD RECORDS BUS
// METRO" for each stretch passed.
}  // namespace

std::optional<SettledCursor::value_type> decodeSettled(std::string_view text, bool current) {
  const std::vector<std::string_view> words = splitFields(text, ' ');
  FileIdentity identity;
  constexpr size_t kFirstForm = 6;
  constexpr size_t kFixed = 9;
  constexpr size_t kPerStretch = 6;
  if (!readIdentity(words, identity) ||
      (current ? words.size() < kFixed || (words.size() - kFixed) % kPerStretch != 0
               : words.size() != kFirstForm)) {
    return std::nullopt;
  }
  SettledFile file;
  const std::optional<ContentKey> key = parseContentKey(words[4], words[5]);
  if (!key) return std::nullopt;
  file.key = *key;
  if (current) {
    if (words[6] != "-") file.stream = words[6];
    if (!readNumber(words[7], file.firstMinute) || !readNumber(words[8], file.lastMinute)) {
      return std::nullopt;
    }
    for (size_t at = kFixed; at < words.size(); at += kPerStretch) {
      PassedStretch stretch;
      int held = 0;
      if (!readNumber(words[at], stretch.offset) || !readNumber(words[at + 1], stretch.length) ||
          !readNumber(words[at + 2], held) || held > 1 ||
          !readNumber(words[at + 3], stretch.records) ||
          !readNumber(words[at + 4], stretch.fees[kBusOperator]) ||
          !readNumber(words[at + 5], stretch.fees[kMetroOperator])) {
        return std::nullopt;
      }
      stretch.held = held == 1;
      file.passed.push_back(stretch);
    }
  }
  return SettledCursor::value_type{identity, std::move(file)};
}

std::string encodeSettled(const FileIdentity& identity, const SettledFile& file) {
  std::string text = std::to_string(identity.device) + " " + std::to_string(identity.inode) + " " +
                     std::to_string(identity.born) + " " + std::to_string(identity.born_ns) + " " +
                     formatContentKey(file.key) + " " + std::string(streamWord(file.stream)) + " " +
                     std::to_string(file.firstMinute) + " " + std::to_string(file.lastMinute);
  for (const PassedStretch& stretch : file.passed) {
    text += " " + std::to_string(stretch.offset) + " " + std::to_string(stretch.length) +
            (stretch.held ? " 1 " : " 0 ") + std::to_string(stretch.records) + " " +
            std::to_string(stretch.fees[kBusOperator]) + " " +
            std::to_string(stretch.fees[kMetroOperator]);
  }
  return text;
}

namespace {

// "frontier STREAM MINUTE CLOSED_AT FULL", then a "group DEVICE INODE BORN
// BORN_NS READ_AT HELD HASH..." line per group.
std::string encodeFrontier(const std::string& stream, const Frontier& frontier) {
  std::string text = "frontier " + stream + " " + std::to_string(frontier.minute) + " " +
                     std::to_string(frontier.closedAt) + (frontier.full ? " 1\n" : " 0\n");
  for (const FrontierGroup& group : frontier.groups) {
    text += "group " + std::to_string(group.source.device) + " " +
            std::to_string(group.source.inode) + " " + std::to_string(group.source.born) + " " +
            std::to_string(group.source.born_ns) + " " + std::to_string(group.readAt) +
            (group.held ? " 1" : " 0");
    for (const uint64_t hash : group.hashes) text += " " + std::to_string(hash);
    text += "\n";
  }
  return text;
}

bool decodeFrontier(std::string_view text, Frontiers& frontiers, Frontier*& last) {
  const std::vector<std::string_view> words = splitFields(text, ' ');
  if (words.size() == 5 && words[0] == "frontier") {
    Frontier frontier;
    int full = 0;
    if (words[1].empty() || words[1] == "-" || frontiers.count(std::string(words[1])) ||
        !readNumber(words[2], frontier.minute) || !readNumber(words[3], frontier.closedAt) ||
        !readNumber(words[4], full) || full > 1) {
      return false;
    }
    frontier.full = full == 1;
    last = &(frontiers[std::string(words[1])] = frontier);
    return true;
  }
  FrontierGroup group;
  int held = 0;
  if (last == nullptr || words.size() < 8 || words[0] != "group" ||
      !readIdentity(std::span(words).subspan(1), group.source) ||
      !readNumber(words[5], group.readAt) || !readNumber(words[6], held) || held > 1) {
    return false;
  }
  group.held = held == 1;
  for (size_t at = 7; at < words.size(); ++at) {
    uint64_t hash = 0;
    if (!readNumber(words[at], hash)) return false;
    group.hashes.push_back(hash);
  }
  last->groups.push_back(std::move(group));
  return true;
}

// "<path> cannot be read (<why>)".
Problem cannotRead(const fs::path& path, const Problem& why) {
  return why.within(path.string() + " cannot be read (", ")");
}

// The statement's lines before its tail: a header, then cycles 1, 2, ...
class StatementScan {
 public:
  explicit StatementScan(const fs::path& path) : path_(path.string()) {}

  void bytes(std::string_view data) {
    if (!problem_) reader_.read(data, [&](const StatementRow& row) { judge(row); });
  }

  // Called at the statement's length before its tail.
  void end() {
    reader_.end([&](const StatementRow& row) {
      // Named by the last line it ended.
      if (!problem_) problem_ = Problem(at(row.number - 1) + " does not end with a line feed");
    });
  }

  // The tail's line: the next cycle.
  void tail(const StatementLine& line) {
    if (!problem_ && line.cycle != cycles_ + 1) {
      problem_ = Problem(path_ + ": its last line is cycle " + std::to_string(line.cycle) +
                         " where cycle " + std::to_string(cycles_ + 1) + " belongs");
    }
    add(line);
  }

  long long cycles() const { return cycles_; }
  const OperatorAmounts& fees() const { return fees_; }
  // The check of the cycle lines before the tail.
  const LineChecks& checks() const { return checks_; }
  const std::optional<Problem>& problem() const { return problem_; }

 private:
  std::string at(long long number) const { return path_ + " line " + std::to_string(number); }

  void add(const StatementLine& line) {
    ++cycles_;
    for (size_t op = 0; op < fees_.size(); ++op) {
      fees_[op] = wrappingSum(fees_[op], line.fees[op]);
    }
  }

  void judge(const StatementRow& row) {
    if (problem_) return;
    if (row.number == 1) {
      if (!row.header) problem_ = Problem(at(row.number) + " is not the statement's header");
    } else if (!row.line) {
      problem_ = Problem(at(row.number) + " is not a statement line");
    } else if (row.line->cycle != cycles_ + 1) {
      problem_ = Problem(at(row.number) + " holds cycle " + std::to_string(row.line->cycle) +
                         " where cycle " + std::to_string(cycles_ + 1) + " belongs");
    } else {
      checks_.add(row.text);
      add(*row.line);
    }
  }

  std::string path_;
  StatementReader reader_;
  long long cycles_ = 0;
  OperatorAmounts fees_ = {0, 0};
  LineChecks checks_;
  std::optional<Problem> problem_;
};

// Opens `path` for reading as a regular file with one name; an invalid
// descriptor when the file is missing.
Result<FileDescriptor> openBookFile(const fs::path& path) {
  Result<FileDescriptor> file = openRegular(path.string(), O_RDONLY);
  if (const Problem* problem = file.problem()) {
    if (problem->is(Problem::Kind::kMissing)) return FileDescriptor();
    return cannotRead(path, *problem);
  }
  const Result<struct stat> status = fileStatus(file->get());
  if (!status) return cannotRead(path, *status.problem());
  if (status->st_nlink != 1) {
    return Problem(path.string() + " has more than one name (a hard link)");
  }
  return file;
}

// Feeds bytes [0, length) of `fd` to `scan`; the Problem of a read that
// fails.
Result<void> scanStatement(int fd, off_t length, StatementScan& scan) {
  std::string block(kBlock, '\0');
  for (off_t at = 0; at < length;) {
    const size_t want = static_cast<size_t>(std::min<off_t>(length - at, kBlock));
    const Result<size_t> got = readInto(fd, std::span(block.data(), want), at);
    if (!got) return *got.problem();
    if (*got == 0) return Problem("it was cut while it was read");
    scan.bytes(std::string_view(block.data(), *got));
    at += static_cast<off_t>(*got);
  }
  scan.end();
  return {};
}

// Adds to `fees` the fees of the records of `fd` that begin before
// `length`; false when a read fails.
bool addFeesBefore(int fd, off_t length, OperatorAmounts& fees) {
  const LogReading reading = readLogFrom(fd, 0, [&](std::string_view read, off_t at) {
    if (at >= length) return;
    if (const std::optional<TripRecord> record = parseTripRecord(read)) {
      fees[record->op] = wrappingSum(fees[record->op], record->fee);
    }
  });
  return !reading.failed;
}

// The fees of every record in the world's archives.
OperatorAmounts archivedFees(const fs::path& root) {
  OperatorAmounts fees = {0, 0};
  for (const fs::path& archive : archivesOf(root)) {
    for (const std::string& name : namesIn(archive)) {
      const FileDescriptor file =
          openRegular((archive / name).string(), O_RDONLY).value_or(FileDescriptor());
      if (file.valid()) addFeesBefore(file.get(), std::numeric_limits<off_t>::max(), fees);
    }
  }
  return fees;
}

// The cursor of an earlier release's state: each file of the world's log
// directories that it names, hashed up to where it was settled, and the
// fees of the records settled of them added to `covered`. Entries of files
// no longer there are dropped, as that release dropped them.
SettledCursor contentsOf(const fs::path& root, const IdentityCursor& identities,
                         OperatorAmounts& covered) {
  SettledCursor cursor;
  for (const std::string_view dir : {kBusDir, kMetroDir}) {
    std::error_code error;
    for (fs::directory_iterator it(root / dir, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
      const std::optional<FileIdentity> identity = identityAt(it->path()).asOptional();
      const auto entry = identity ? identities.find(*identity) : identities.end();
      if (entry == identities.end()) continue;
      const FileDescriptor file =
          openRegular(it->path().string(), O_RDONLY).value_or(FileDescriptor());
      if (!file.valid()) continue;
      // Hashed a block at a time: the offset is the state's word, not the
      // file's size.
      ContentHash hash;
      for (off_t left = entry->second; left > 0;) {
        const Result<std::string> block =
            readUpTo(file.get(), hash.length(), static_cast<size_t>(std::min<off_t>(left, kBlock)));
        if (!block || block->empty()) break;
        hash.add(*block);
        left -= static_cast<off_t>(block->size());
      }
      if (hash.length() > 0) {
        cursor[*identity].key = ContentKey{hash.length(), hash.digest()};
      }
      addFeesBefore(file.get(), hash.length(), covered);
    }
  }
  return cursor;
}

void readState(const fs::path& root, BookReading& book) {
  const fs::path path = root / kSettlementStateName;
  Result<FileDescriptor> opened = openBookFile(path);
  if (const Problem* problem = opened.problem()) book.problem = *problem;
  if (!opened || !opened->valid()) return;
  const FileDescriptor file = std::move(*opened);
  const Result<std::string> text = readUpTo(file.get(), 0, kStateSizeMax);
  if (!text) {
    book.problem = cannotRead(path, *text.problem());
    return;
  }
  book.stateText = *text;
  std::optional<DecodedState> decoded = decodeState(*text);
  if (decoded) {
    if (decoded->identities) {
      book.coveredFees = archivedFees(root);
      decoded->state.cursor = contentsOf(root, *decoded->identities, book.coveredFees);
    }
    book.byIdentity = decoded->identities.has_value();
    book.state = std::move(decoded->state);
  }
  if (!book.state) {
    book.problem = Problem(path.string() +
                           " is not a settlement state as the settlement wrote it (cut short or "
                           "edited by hand)");
  }
}

// What a statement whose lines do not match the state's check holds.
Problem linesProblem(const fs::path& path, const LineChecks& written, const LineChecks& found) {
  if (const std::optional<long long> cycle = differingLine(written, found)) {
    return Problem(path.string() + " line " + std::to_string(*cycle + 1) +
                   " is not the line the settlement wrote for cycle " + std::to_string(*cycle));
  }
  return Problem(path.string() + " holds lines the settlement did not write");
}

}  // namespace

std::string stateFileText(const fs::path& root) {
  const FileDescriptor file =
      openRegular((root / kSettlementStateName).string(), O_RDONLY).value_or(FileDescriptor());
  if (!file.valid()) return {};
  return readUpTo(file.get(), 0, kStateSizeMax).value_or("");
}

std::string encodeState(const SettlementState& state) {
  std::string line = formatStatementLine(state.line);
  line.pop_back();
  std::string text = std::string(kStateMagic) + "\nstatement " +
                     std::to_string(state.statementLength) + "\nline " + line + "\nlines " +
                     std::to_string(state.lines.count) + " " + std::to_string(state.lines.sum) +
                     " " + std::to_string(state.lines.weighted) + "\n";
  for (const auto& [identity, file] : state.cursor) {
    text += "settled " + encodeSettled(identity, file) + "\n";
  }
  for (const auto& [stream, frontier] : state.frontiers) text += encodeFrontier(stream, frontier);
  return text + std::string(kStateEnd) + " " + textCheck(text) + "\n";
}

std::optional<DecodedState> decodeState(std::string_view text) {
  if (!text.ends_with("\n")) return std::nullopt;
  const size_t endLine = text.rfind('\n', text.size() - 2);
  const std::string_view checked =
      text.substr(0, endLine == std::string_view::npos ? 0 : endLine + 1);
  const bool unchecked = text.starts_with(std::string(kUncheckedStateMagic) + "\n");
  const bool present = text.starts_with(std::string(kStateMagic) + "\n");
  const bool current = present || text.starts_with(std::string(kContentStateMagic) + "\n");
  const bool byIdentity = unchecked || text.starts_with(std::string(kIdentityStateMagic) + "\n");
  const std::string end =
      unchecked ? std::string(kStateEnd) : std::string(kStateEnd) + " " + textCheck(checked);
  text.remove_suffix(1);
  std::vector<std::string_view> lines;
  for (size_t at = 0; at <= text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  const size_t entriesFrom = current ? 4 : 3;
  if (lines.size() < entriesFrom + 1 || !(current || byIdentity) || lines.back() != end ||
      !lines[1].starts_with("statement ") || !lines[2].starts_with("line ")) {
    return std::nullopt;
  }
  DecodedState decoded;
  SettlementState& state = decoded.state;
  const auto line = parseStatementLine(lines[2].substr(5));
  if (!readNumber(lines[1].substr(10), state.statementLength) || !line) return std::nullopt;
  state.line = *line;
  if (current) {
    const std::vector<std::string_view> check = splitFields(lines[3], ' ');
    if (check.size() != 4 || check[0] != "lines" || !readNumber(check[1], state.lines.count) ||
        !readNumber(check[2], state.lines.sum) || !readNumber(check[3], state.lines.weighted) ||
        state.lines.count != state.line.cycle - 1) {
      return std::nullopt;
    }
  }
  // Only the present form's hashes are the ones this release computes: an
  // earlier state names its files, and how far each was settled.
  if (!present) decoded.identities.emplace();
  Frontier* frontier = nullptr;
  for (size_t i = entriesFrom; i + 1 < lines.size(); ++i) {
    if (present && !lines[i].starts_with("settled ")) {
      if (!decodeFrontier(lines[i], state.frontiers, frontier)) return std::nullopt;
    } else if (current) {
      if (!lines[i].starts_with("settled ") || frontier != nullptr) return std::nullopt;
      auto entry = decodeSettled(lines[i].substr(8), present);
      if (!entry) return std::nullopt;
      const bool added =
          present ? state.cursor.insert(std::move(*entry)).second
                  : decoded.identities->emplace(entry->first, entry->second.key.length).second;
      if (!added) return std::nullopt;
    } else {
      if (!lines[i].starts_with("cursor ")) return std::nullopt;
      const auto entry = decodeIdentity(lines[i].substr(7));
      if (!entry || !decoded.identities->insert(*entry).second) return std::nullopt;
    }
  }
  return decoded;
}

LineChecks linesAfter(const SettlementState& state) {
  LineChecks lines = state.lines;
  std::string line = formatStatementLine(state.line);
  line.pop_back();
  lines.add(line);
  return lines;
}

Result<bool> beginsWith(int fd, const ContentKey& key) {
  const Result<PrefixCheck> begins = fileBeginning(fd, std::span(&key, 1));
  if (!begins) return *begins.problem();
  return begins->matched().has_value();
}

std::string statementTail(const SettlementState& state) {
  const std::string line = formatStatementLine(state.line);
  return state.statementLength == 0 ? std::string(kStatementHeader) + line : line;
}

BookReading readBook(const fs::path& root) {
  BookReading book;
  readState(root, book);
  if (book.problem) return book;
  const fs::path path = root / kStatementName;
  Result<FileDescriptor> opened = openBookFile(path);
  if (const Problem* problem = opened.problem()) {
    book.problem = *problem;
    return book;
  }
  const FileDescriptor statement = std::move(*opened);
  off_t size = 0;
  if (statement.valid()) {
    const Result<struct stat> status = fileStatus(statement.get());
    if (!status) {
      book.problem = cannotRead(path, *status.problem());
      return book;
    }
    size = status->st_size;
  }
  if (!book.state) {
    if (size > 0) {
      book.problem = Problem(path.string() + " has lines but " +
                             (root / kSettlementStateName).string() + " is missing");
    }
    return book;
  }
  const off_t length = book.state->statementLength;
  if (size < length) {
    book.problem = Problem(path.string() + " is shorter than its state says (" +
                           std::to_string(size) + " of " + std::to_string(length) + " bytes)");
    return book;
  }
  StatementScan scan(path);
  if (length > 0) {
    if (const Result<void> scanned = scanStatement(statement.get(), length, scan); !scanned) {
      book.problem = cannotRead(path, *scanned.problem());
      return book;
    }
  }
  const std::string tail = statementTail(*book.state);
  const Result<std::string> after =
      statement.valid() ? readUpTo(statement.get(), length, tail.size() + 1) : std::string();
  if (!after) {
    book.problem = cannotRead(path, *after.problem());
  } else if (after->size() > tail.size()) {
    book.problem = Problem(path.string() + " holds " + std::to_string(size - length - tail.size()) +
                           " bytes after its last line that its state does not account for");
  } else if (tail.compare(0, after->size(), *after) != 0) {
    book.problem = Problem(path.string() + " ends in a line its state does not hold");
  } else {
    book.tailMissing = after->size() < tail.size();
    scan.tail(book.state->line);
    book.problem = scan.problem();
    if (book.byIdentity) {
      // An earlier release's state checks only the last line; it is taken
      // only where what it says was settled comes to the statement's fees.
      book.state->lines = scan.checks();
      if (!book.problem && book.coveredFees != scan.fees()) {
        book.problem = Problem(
            (root / kSettlementStateName).string() +
            " is an earlier release's state whose offsets do not account for the fees " +
            path.string() + " settled (edited by hand, or a log or the archive changed since)");
      }
    } else if (!book.problem && scan.checks() != book.state->lines) {
      book.problem = linesProblem(path, book.state->lines, scan.checks());
    }
  }
  book.lines = scan.cycles();
  book.fees = scan.fees();
  return book;
}
