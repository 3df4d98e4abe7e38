#include "simulate/taps_csv.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>

#include "common/files/file_system.h"
#include "driving/clock_follower.h"

namespace {

constexpr size_t kWriteAt = 1 << 20;
constexpr int kCreateAttempts = 8;

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

TapsCsv::TapsCsv(std::string path) : path_(std::move(path)) {
  for (int attempt = 0; attempt < kCreateAttempts && !file_.valid(); ++attempt) {
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld.%d.tmp", static_cast<long>(getpid()), attempt);
    temporary_ = path_ + suffix;
    file_ = FileDescriptor(
        sys::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  }
  good_ = file_.valid();
  buffer_ = kTapsCsvHeader;
}

TapsCsv::~TapsCsv() {
  if (file_.valid()) sys::unlink(temporary_.c_str());
}

void TapsCsv::add(const TapRow& row) {
  appendTapsCsvLine(buffer_, row);
  if (buffer_.size() >= kWriteAt) write();
}

void TapsCsv::write() {
  if (good_ && !writeAll(file_.get(), buffer_)) good_ = false;
  buffer_.clear();
}

bool TapsCsv::close() {
  if (!file_.valid()) return false;
  write();
  { const FileDescriptor done = std::move(file_); }
  if (good_ && sys::rename(temporary_.c_str(), path_.c_str()) == 0) return true;
  sys::unlink(temporary_.c_str());
  good_ = false;
  return false;
}
