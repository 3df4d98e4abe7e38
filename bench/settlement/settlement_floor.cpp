// The least work that prints a settlement's first block: a plain program,
// independent of the settlement's sources, that the settlement's cost is
// measured against.
//
//   settlement_floor WORLD [THREADS]
//
// It reads the six trip logs of WORLD and the hand-over files beside them,
// oldest first, by the collector's rule (reads of at most 99 characters,
// each ending after a line feed, a read that runs into the end of the file
// left out), parses each read (the year skipped, comma-separated fields the
// tokenizer's way, numbers as atoi reads them but saturating, the transport
// naming an operator by its first three characters), orders the records as
// the trip list does (by time key; among equal keys, the records that came
// while their key was the greatest so far, then the one that raised the
// greatest to it, then those that came after a greater key, each group in
// the order read), finds the runs of equal journey ids, apportions their
// journeys, sums every other fee by its operator and prints the block.
// THREADS (1 or 2, default 2) read and parse the files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kReadMax = 99;

struct Record {
  int key = 0;
  int fee = 0;
  int op = 0;     // 0 BUS, 1 METRO
  int order = 0;  // 0 came at the greatest key, 1 raised it, 2 came after a greater key
  std::string_view id;
};

struct File {
  std::string path;
  std::string bytes;
  std::vector<Record> records;
};

int atoiSaturating(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
  }
  if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

void parse(std::string_view read, std::vector<Record>& records) {
  if (read.size() < 4) return;
  std::string_view fields[5];
  size_t count = 0;
  size_t i = 4;
  while (count < 5 && i < read.size()) {
    if (read[i] == ',') {
      ++i;
      continue;
    }
    const size_t end = std::min(read.find(',', i), read.size());
    fields[count++] = read.substr(i, end - i);
    i = end;
  }
  if (count < 5) return;
  const std::string_view prefix = fields[1].substr(0, 3);
  int op = 0;
  if (prefix == "BUS") {
    op = 0;
  } else if (prefix == "MET") {
    op = 1;
  } else {
    return;
  }
  records.push_back({atoiSaturating(fields[0]), atoiSaturating(fields[3]), op, 0, fields[4]});
}

void readAndParse(File& file) {
  const int fd = open(file.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    file.bytes.resize(static_cast<size_t>(status.st_size));
    size_t got = 0;
    while (got < file.bytes.size()) {
      const ssize_t n = read(fd, file.bytes.data() + got, file.bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    file.bytes.resize(got);
  }
  close(fd);
  std::string_view rest = file.bytes;
  for (;;) {
    const size_t window = std::min(rest.size(), kReadMax);
    const size_t lineFeed = rest.substr(0, window).find('\n');
    size_t length = 0;
    if (lineFeed != std::string_view::npos) {
      length = lineFeed + 1;
    } else if (window == kReadMax) {
      length = kReadMax;
    } else {
      break;
    }
    parse(rest.substr(0, length), file.records);
    rest.remove_prefix(length);
  }
}

bool numberedAfter(const std::string& name, const std::string& log, std::string& number) {
  if (name.size() <= log.size() + 1 || name.compare(0, log.size(), log) != 0 ||
      name[log.size()] != '.' || name[log.size() + 1] == '0') {
    return false;
  }
  number = name.substr(log.size() + 1);
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<File> filesOf(const fs::path& world) {
  const std::pair<const char*, std::string> logs[] = {
      {"Bus", "busfile.txt"},      {"Metro", "Metrofile0.txt"}, {"Metro", "Metrofile1.txt"},
      {"Metro", "Metrofile2.txt"}, {"Metro", "Metrofile3.txt"}, {"Metro", "Metrofile4.txt"}};
  std::vector<File> files;
  for (const auto& [dir, name] : logs) files.push_back({(world / dir / name).string(), {}, {}});
  std::vector<std::string> names[2];
  for (int d = 0; d < 2; ++d) {
    std::error_code error;
    for (fs::directory_iterator it(world / (d == 0 ? "Bus" : "Metro"), error), end;
         !error && it != end; it.increment(error)) {
      names[d].push_back(it->path().filename().string());
    }
  }
  for (const auto& [dir, name] : logs) {
    std::vector<std::string> numbers;
    std::string number;
    for (const std::string& entry : names[dir[0] == 'B' ? 0 : 1]) {
      if (numberedAfter(entry, name, number)) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const std::string& n : numbers) {
      files.push_back({(world / dir / (name + "." + n)).string(), {}, {}});
    }
  }
  return files;
}

// A journey's shares: the other operator gets F * WX / W, truncated, where
// legs i = 1.. weigh (i + 1) / 2 and WX weighs the legs of even pairs.
void apportion(const std::vector<int>& fees, int origin, long long totals[2]) {
  __int128 total = 0, weighted = 0, otherWeighted = 0;
  for (size_t i = 1; i <= fees.size(); ++i) {
    const __int128 weight = static_cast<__int128>((i + 1) / 2);
    total += fees[i - 1];
    weighted += weight * fees[i - 1];
    if (weight % 2 == 0) otherWeighted += weight * fees[i - 1];
  }
  __int128 other = 0;
  __int128 product = 0;
  if (weighted != 0 && !__builtin_mul_overflow(total, otherWeighted, &product)) {
    if (weighted == -1) {
      if (__builtin_sub_overflow(static_cast<__int128>(0), product, &other)) other = 0;
    } else {
      other = product / weighted;
    }
    if (other < LLONG_MIN || other > LLONG_MAX) other = 0;
  }
  const auto add = [&](int op, __int128 amount) {
    totals[op] = static_cast<long long>(static_cast<unsigned long long>(totals[op]) +
                                        static_cast<unsigned long long>(amount));
  };
  add(origin, total - other);
  add(1 - origin, other);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: settlement_floor WORLD [THREADS]\n");
    return 2;
  }
  const int threads = argc > 2 ? std::max(1, atoi(argv[2])) : 2;
  std::vector<File> files = filesOf(argv[1]);

  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < files.size();) readAndParse(files[i]);
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();

  // The order: classes by the greatest key so far, in the order read; a
  // record that raised the greatest moves behind the records that came at
  // its key, so that each file stays in order; then a merge of the files'
  // ordered stretches.
  long long greatest = LLONG_MIN;
  struct Stretch {
    const Record* at;
    const Record* end;
  };
  std::vector<Stretch> stretches;
  for (File& file : files) {
    std::vector<Record>& records = file.records;
    size_t write = 0;
    bool holding = false;
    Record held;
    for (size_t i = 0; i < records.size(); ++i) {
      Record record = records[i];
      if (record.key > greatest) {
        greatest = record.key;
        record.order = 1;
        if (holding) records[write++] = held;
        held = record;
        holding = true;
        continue;
      }
      record.order = record.key == greatest ? 0 : 2;
      records[write++] = record;
    }
    if (holding) records[write++] = held;
    size_t start = 0;
    for (size_t i = 1; i <= records.size(); ++i) {
      if (i == records.size() || records[i].key < records[i - 1].key ||
          (records[i].key == records[i - 1].key && records[i].order < records[i - 1].order)) {
        if (i > start) stretches.push_back({records.data() + start, records.data() + i});
        start = i;
      }
    }
  }

  long long totals[2] = {0, 0};
  const auto addFee = [&](const Record& r) {
    totals[r.op] = static_cast<long long>(static_cast<unsigned long long>(totals[r.op]) +
                                          static_cast<unsigned long long>(r.fee));
  };
  const Record* before = nullptr;  // the last record of the group before
  const Record* last = nullptr;    // the last record of the group in hand
  size_t group = 0;
  std::vector<int> legs;
  int origin = 0;
  const auto closeGroup = [&] {
    if (group >= 2) {
      apportion(legs, origin, totals);
    } else if (before != nullptr) {
      addFee(*before);
    }
    before = last;
  };
  for (;;) {
    size_t best = stretches.size();
    for (size_t s = 0; s < stretches.size(); ++s) {
      if (stretches[s].at == stretches[s].end) continue;
      if (best == stretches.size() || stretches[s].at->key < stretches[best].at->key ||
          (stretches[s].at->key == stretches[best].at->key &&
           stretches[s].at->order < stretches[best].at->order)) {
        best = s;
      }
    }
    if (best == stretches.size()) break;
    const Record* record = stretches[best].at++;
    if (last != nullptr && record->id == last->id) {
      if (group == 1) {
        legs.clear();
        const Record* first = before != nullptr ? before : last;
        origin = !first->id.empty() && first->id[0] > '5' && first->id[0] <= '9' ? 0 : 1;
        if (before != nullptr) legs.push_back(before->fee);
        before = nullptr;
      }
      legs.push_back(last->fee);
      ++group;
    } else {
      if (last != nullptr) closeGroup();
      group = 1;
    }
    last = record;
  }
  if (last != nullptr) closeGroup();
  if (before != nullptr) addFee(*before);
  printf("============ EXACT CALCULATION RESULT ===========\n");
  printf("==== BUS : %lld ==============\n", totals[0]);
  printf("==== METRO : %lld =============\n", totals[1]);
  return 0;
}
