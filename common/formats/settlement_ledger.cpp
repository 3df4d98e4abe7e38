#include "common/formats/settlement_ledger.h"

#include <fcntl.h>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_system.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPieceWord = "piece ";

}  // namespace

std::string encodeLedgerPiece(const LedgerPiece& piece) {
  return std::string(kPieceWord) + std::to_string(piece.path.size()) + " " + piece.path + " " +
         encodeSettled(piece.identity, piece.file) + "\n";
}

std::optional<LedgerPiece> decodeLedgerPiece(std::string_view line) {
  if (!line.starts_with(kPieceWord)) return std::nullopt;
  line.remove_prefix(kPieceWord.size());
  const size_t space = line.find(' ');
  const std::optional<size_t> length =
      space == std::string_view::npos ? std::nullopt : decimalNumber<size_t>(line.substr(0, space));
  if (!length || line.size() < space + 1 + *length + 1 || line[space + 1 + *length] != ' ') {
    return std::nullopt;
  }
  LedgerPiece piece;
  piece.path = line.substr(space + 1, *length);
  auto entry = decodeSettled(line.substr(space + 2 + *length));
  if (!entry) return std::nullopt;
  piece.identity = entry->first;
  piece.file = std::move(entry->second);
  return piece;
}

Result<std::vector<LedgerPiece>> readLedger(const fs::path& root) {
  const std::string path = (root / kLedgerName).string();
  Result<FileDescriptor> opened = openRegular(path, O_RDONLY);
  if (!opened) {
    if (opened.problem()->is(Problem::Kind::kMissing)) return std::vector<LedgerPiece>{};
    return opened.problem()->within(path + ": ");
  }
  const Result<std::string> text = readToEnd(opened->get());
  if (!text) return text.problem()->within(path + " cannot be read (", ")");
  std::vector<LedgerPiece> pieces;
  size_t number = 0;
  for (size_t at = 0; at < text->size();) {
    const size_t end = text->find('\n', at);
    if (end == std::string::npos) break;  // cut by a kill: never taken
    ++number;
    std::optional<LedgerPiece> piece =
        decodeLedgerPiece(std::string_view(*text).substr(at, end - at));
    if (!piece) {
      return Problem(path + " line " + std::to_string(number) +
                     " is not a line the settlement wrote");
    }
    pieces.push_back(std::move(*piece));
    at = end + 1;
  }
  return pieces;
}

Result<void> appendLedger(const fs::path& root, std::span<const LedgerPiece> pieces) {
  if (pieces.empty()) return {};
  const std::string path = (root / kLedgerName).string();
  Result<FileDescriptor> opened = openRegular(path, O_RDWR | O_CREAT, 0666);
  if (!opened) return opened.problem()->within("cannot write " + path + ": ");
  const int fd = opened->get();
  const std::string cannot = "cannot write " + path + ": ";
  const Result<off_t> ended = seekFile(fd, 0, SEEK_END);
  if (!ended) return ended.problem()->within(cannot);
  const off_t end = *ended;
  // A line a kill cut short is written over: the ledger is whole lines.
  off_t whole = end;
  if (end > 0) {
    const size_t tail = static_cast<size_t>(std::min<off_t>(end, 1 << 16));
    const Result<std::string> last = readUpTo(fd, end - static_cast<off_t>(tail), tail);
    if (!last) return last.problem()->within(cannot);
    const size_t lineEnd = last->rfind('\n');
    whole = lineEnd == std::string::npos
                ? end - static_cast<off_t>(tail)
                : end - static_cast<off_t>(tail) + static_cast<off_t>(lineEnd) + 1;
  }
  std::string text;
  for (const LedgerPiece& piece : pieces) text += encodeLedgerPiece(piece);
  Result<void> written = whole == end ? Result<void>() : cutFile(fd, whole);
  if (written) {
    const Result<off_t> at = seekFile(fd, whole, SEEK_SET);
    written = at ? writeAll(fd, text) : Result<void>(*at.problem());
  }
  if (written) written = syncFile(fd);
  if (!written) {
    (void)cutFile(fd, whole);
    return written.problem()->within(cannot);
  }
  return {};
}
