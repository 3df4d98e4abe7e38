#include "simulate/taps_csv.h"

#include <charconv>

#include "driving/clock_follower.h"

namespace {

constexpr size_t kWriteAt = 1 << 20;

void appendField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void appendClock(std::string& out, int minutes) {
  char text[32];
  out.append(text, clockTextInto(minutes, text));
}

}  // namespace

void appendTapsCsvLine(std::string& out, const TapRow& row) {
  appendClock(out, row.planned);
  out += ',';
  if (row.stamp) appendClock(out, *row.stamp);
  for (const std::string_view field : {row.terminal, row.card, row.command, row.printed}) {
    out += ',';
    appendField(out, field);
  }
  out += ',';
  if (row.fee) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, *row.fee).ptr);
  }
  out += '\n';
}

std::string tapsCsvLine(const TapRow& row) {
  std::string line;
  appendTapsCsvLine(line, row);
  return line;
}

TapsCsv::TapsCsv(const std::string& path) {
  Result<FileReplacement> file = FileReplacement::begin(path);
  if (file) file_.emplace(std::move(*file));
  good_ = file_.has_value();
  buffer_ = kTapsCsvHeader;
}

void TapsCsv::add(const TapRow& row) {
  appendTapsCsvLine(buffer_, row);
  if (buffer_.size() >= kWriteAt) write();
}

void TapsCsv::write() {
  if (good_ && !writeAll(file_->fd(), buffer_)) good_ = false;
  buffer_.clear();
}

bool TapsCsv::close() {
  if (!file_) return false;
  write();
  const bool written = good_ && file_->commit();
  file_.reset();
  good_ = written;
  return written;
}
