#include "common/formats/settlement_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "common/files/file_handle.h"
#include "common/files/world_layout.h"
#include "common/formats/text.h"

namespace fs = std::filesystem;

namespace {

// A state ends with "end <check of every line before>": a state edited by
// hand is refused rather than trusted, since a cursor moved back would
// settle records again. States written before they carried the check
// ("fares settlement state 1", a plain "end") are still read.
constexpr std::string_view kStateMagic = "fares settlement state 2";
constexpr std::string_view kUncheckedStateMagic = "fares settlement state 1";
constexpr std::string_view kStateEnd = "end";
// A state file holds a few lines per trip log file; far more is no state.
constexpr size_t kStateSizeMax = 1 << 24;
// Statement lines are short; a longer one is no statement line.
constexpr size_t kStatementLineMax = 4096;
constexpr size_t kBlock = 1 << 16;

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
  if (text.empty() || (text.size() > 1 && text.front() == '0')) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<SettledCursor::value_type> decodeCursor(std::string_view text) {
  const std::vector<std::string_view> words = splitFields(text, ' ');
  FileIdentity identity;
  off_t offset = 0;
  if (words.size() != 5 || !readNumber(words[0], identity.device) ||
      !readNumber(words[1], identity.inode) || !readNumber(words[2], identity.born) ||
      !readNumber(words[3], identity.born_ns) || !readNumber(words[4], offset) || offset < 0) {
    return std::nullopt;
  }
  return SettledCursor::value_type{identity, offset};
}

// "<path> cannot be read (<why>)", why from errno.
Problem cannotRead(const fs::path& path) {
  const int error = errno;
  return Problem::fromErrno(path.string() + " cannot be read (", error, ")");
}

// The statement's lines before its tail: a header, then cycles 1, 2, ...
class StatementScan {
 public:
  explicit StatementScan(const fs::path& path) : path_(path.string()) {}

  void bytes(std::string_view data) {
    for (const char c : data) {
      if (problem_) return;
      if (c != '\n') {
        if (line_.size() <= kStatementLineMax) line_ += c;
        continue;
      }
      finishLine();
    }
  }

  // Called at the statement's length before its tail.
  void end() {
    if (!problem_ && !line_.empty()) problem_ = Problem(at() + " does not end with a line feed");
  }

  // The tail's line: the next cycle.
  void tail(const StatementLine& line) {
    ++number_;
    if (!problem_ && line.cycle != cycles_ + 1) {
      problem_ = Problem(path_ + ": its last line is cycle " + std::to_string(line.cycle) +
                         " where cycle " + std::to_string(cycles_ + 1) + " belongs");
    }
    add(line);
  }

  long long cycles() const { return cycles_; }
  const OperatorAmounts& fees() const { return fees_; }
  const std::optional<Problem>& problem() const { return problem_; }

 private:
  std::string at() const { return path_ + " line " + std::to_string(number_); }

  void add(const StatementLine& line) {
    ++cycles_;
    for (size_t op = 0; op < fees_.size(); ++op) {
      fees_[op] = static_cast<long long>(static_cast<unsigned long long>(fees_[op]) +
                                         static_cast<unsigned long long>(line.fees[op]));
    }
  }

  void finishLine() {
    ++number_;
    if (number_ == 1) {
      if (line_ + "\n" != kStatementHeader)
        problem_ = Problem(at() + " is not the statement's header");
    } else if (const auto parsed = parseStatementLine(line_); !parsed) {
      problem_ = Problem(at() + " is not a statement line");
    } else if (parsed->cycle != cycles_ + 1) {
      problem_ = Problem(at() + " holds cycle " + std::to_string(parsed->cycle) + " where cycle " +
                         std::to_string(cycles_ + 1) + " belongs");
    } else {
      add(*parsed);
    }
    line_.clear();
  }

  std::string path_;
  std::string line_;
  long long number_ = 0;
  long long cycles_ = 0;
  OperatorAmounts fees_ = {0, 0};
  std::optional<Problem> problem_;
};

// Opens `path` for reading as a regular file with one name. The descriptor
// is invalid when the file is missing; `problem` says why otherwise.
FileDescriptor openBookFile(const fs::path& path, std::optional<Problem>& problem) {
  FileDescriptor file = openRegularFile(path.string(), O_RDONLY);
  if (!file.valid()) {
    if (errno != ENOENT) problem = cannotRead(path);
    return file;
  }
  struct stat status;
  if (fstat(file.get(), &status) != 0) {
    problem = cannotRead(path);
  } else if (status.st_nlink != 1) {
    problem = Problem(path.string() + " has more than one name (a hard link)");
  }
  return file;
}

// Feeds bytes [0, length) of `fd` to `scan`; false when a read fails.
bool scanStatement(int fd, off_t length, StatementScan& scan) {
  std::string block(kBlock, '\0');
  for (off_t at = 0; at < length;) {
    const size_t want = static_cast<size_t>(std::min<off_t>(length - at, kBlock));
    const ssize_t got = pread(fd, block.data(), want, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    scan.bytes(std::string_view(block.data(), static_cast<size_t>(got)));
    at += got;
  }
  scan.end();
  return true;
}

void readState(const fs::path& root, BookReading& book) {
  const fs::path path = root / kSettlementStateName;
  const FileDescriptor file = openBookFile(path, book.problem);
  if (!file.valid() || book.problem) return;
  const std::optional<std::string> text = readUpTo(file.get(), 0, kStateSizeMax);
  if (!text) {
    book.problem = cannotRead(path);
    return;
  }
  book.stateText = *text;
  book.state = decodeState(*text);
  if (!book.state) {
    book.problem = Problem(path.string() +
                           " is not a settlement state as the settlement wrote it (cut short or "
                           "edited by hand)");
  }
}

}  // namespace

std::string stateFileText(const fs::path& root) {
  const FileDescriptor file = openRegularFile((root / kSettlementStateName).string(), O_RDONLY);
  const std::optional<std::string> text =
      file.valid() ? readUpTo(file.get(), 0, kStateSizeMax) : std::nullopt;
  return text.value_or("");
}

std::string encodeState(const SettlementState& state) {
  std::string line = formatStatementLine(state.line);
  line.pop_back();
  std::string text = std::string(kStateMagic) + "\nstatement " +
                     std::to_string(state.statementLength) + "\nline " + line + "\n";
  for (const auto& [identity, offset] : state.cursor) {
    text += "cursor " + std::to_string(identity.device) + " " + std::to_string(identity.inode) +
            " " + std::to_string(identity.born) + " " + std::to_string(identity.born_ns) + " " +
            std::to_string(offset) + "\n";
  }
  return text + std::string(kStateEnd) + " " + textCheck(text) + "\n";
}

std::optional<SettlementState> decodeState(std::string_view text) {
  if (!text.ends_with("\n")) return std::nullopt;
  const size_t endLine = text.rfind('\n', text.size() - 2);
  const std::string_view checked =
      text.substr(0, endLine == std::string_view::npos ? 0 : endLine + 1);
  const bool unchecked = text.starts_with(std::string(kUncheckedStateMagic) + "\n");
  const std::string end =
      unchecked ? std::string(kStateEnd) : std::string(kStateEnd) + " " + textCheck(checked);
  text.remove_suffix(1);
  std::vector<std::string_view> lines;
  for (size_t at = 0; at <= text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() < 4 || (lines.front() != kStateMagic && !unchecked) || lines.back() != end ||
      !lines[1].starts_with("statement ") || !lines[2].starts_with("line ")) {
    return std::nullopt;
  }
  SettlementState state;
  const auto line = parseStatementLine(lines[2].substr(5));
  if (!readNumber(lines[1].substr(10), state.statementLength) || !line) return std::nullopt;
  state.line = *line;
  for (size_t i = 3; i + 1 < lines.size(); ++i) {
    if (!lines[i].starts_with("cursor ")) return std::nullopt;
    const auto entry = decodeCursor(lines[i].substr(7));
    if (!entry || !state.cursor.insert(*entry).second) return std::nullopt;
  }
  return state;
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
  const FileDescriptor statement = openBookFile(path, book.problem);
  if (book.problem) return book;
  struct stat status {};
  if (statement.valid() && fstat(statement.get(), &status) != 0) {
    book.problem = cannotRead(path);
    return book;
  }
  const off_t size = statement.valid() ? status.st_size : 0;
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
  if (length > 0 && !scanStatement(statement.get(), length, scan)) {
    book.problem = cannotRead(path);
    return book;
  }
  const std::string tail = statementTail(*book.state);
  const std::optional<std::string> after =
      statement.valid() ? readUpTo(statement.get(), length, tail.size() + 1) : std::string();
  if (!after) {
    book.problem = cannotRead(path);
  } else if (after->size() > tail.size()) {
    book.problem = Problem(path.string() + " holds " + std::to_string(size - length - tail.size()) +
                           " bytes after its last line that its state does not account for");
  } else if (tail.compare(0, after->size(), *after) != 0) {
    book.problem = Problem(path.string() + " ends in a line its state does not hold");
  } else {
    book.tailMissing = after->size() < tail.size();
    scan.tail(book.state->line);
    book.problem = scan.problem();
  }
  book.lines = scan.cycles();
  book.fees = scan.fees();
  return book;
}
