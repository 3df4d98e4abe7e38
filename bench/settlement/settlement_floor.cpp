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
  unsigned idAt = 0;  // the journey id: where it begins in its file's ids
  unsigned char idLength = 0;
  unsigned char op = 0;     // 0 BUS, 1 METRO
  unsigned char order = 0;  // 0 came at the greatest key, 1 raised it, 2 came after a greater key
};

struct File {
  std::string path;
  std::vector<Record> records;
  std::string ids;  // the journey ids of its records, one after another
};

// atoi's number at the start of a field (white space, a sign, digits),
// saturating at the 32-bit limits.
inline int leadingNumber(const char* c, const char* end) {
  while (c < end && (*c == ' ' || (*c >= '\t' && *c <= '\r'))) ++c;
  bool negative = false;
  if (c < end && (*c == '+' || *c == '-')) negative = *c++ == '-';
  long long value = 0;
  for (; c < end && *c >= '0' && *c <= '9'; ++c) {
    if (value <= INT_MAX) value = value * 10 + (*c - '0');
  }
  if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// One read: its year skipped, fields between runs of commas.
inline void parse(const char* read, size_t length, File& file) {
  if (length < 4) return;
  const char* const end = read + length;
  const char* begins[5];
  const char* ends[5];
  int count = 0;
  for (const char* c = read + 4; c < end && count < 5;) {
    if (*c == ',') {
      ++c;
      continue;
    }
    begins[count] = c;
    while (c < end && *c != ',') ++c;
    ends[count++] = c;
  }
  if (count < 5) return;
  const size_t transport = static_cast<size_t>(ends[1] - begins[1]);
  unsigned char op = 0;
  if (transport >= 3 && begins[1][0] == 'B' && begins[1][1] == 'U' && begins[1][2] == 'S') {
    op = 0;
  } else if (transport >= 3 && begins[1][0] == 'M' && begins[1][1] == 'E' && begins[1][2] == 'T') {
    op = 1;
  } else {
    return;
  }
  Record record;
  record.key = leadingNumber(begins[0], ends[0]);
  record.fee = leadingNumber(begins[3], ends[3]);
  record.op = op;
  record.idAt = static_cast<unsigned>(file.ids.size());
  record.idLength = static_cast<unsigned char>(ends[4] - begins[4]);
  file.ids.append(begins[4], ends[4]);
  file.records.push_back(record);
}

// Reads the file in blocks through `buffer`, taking every read that ends at
// a line feed or is 99 characters long.
void readAndParse(File& file, std::vector<char>& buffer) {
  const int fd = open(file.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return;
  }
  file.records.reserve(static_cast<size_t>(status.st_size) / 15 + 1);
  size_t held = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer.data() + held, buffer.size() - held);
    if (got <= 0) break;
    held += static_cast<size_t>(got);
    std::string_view rest(buffer.data(), held);
    for (;;) {
      const size_t window = std::min(rest.size(), kReadMax);
      const void* lineFeed = memchr(rest.data(), '\n', window);
      size_t length = 0;
      if (lineFeed != nullptr) {
        length = static_cast<size_t>(static_cast<const char*>(lineFeed) - rest.data()) + 1;
      } else if (window == kReadMax) {
        length = kReadMax;
      } else {
        break;
      }
      parse(rest.data(), length, file);
      rest.remove_prefix(length);
    }
    memmove(buffer.data(), rest.data(), rest.size());
    held = rest.size();
  }
  close(fd);
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
    std::vector<char> buffer(1 << 20);
    for (size_t i; (i = next++) < files.size();) readAndParse(files[i], buffer);
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
    const char* ids;
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
        if (i > start) {
          stretches.push_back({records.data() + start, records.data() + i, file.ids.data()});
        }
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
  std::string_view beforeId, lastId;
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
    beforeId = lastId;
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
    const std::string_view id(stretches[best].ids + record->idAt, record->idLength);
    if (last != nullptr && id == lastId) {
      if (group == 1) {
        legs.clear();
        const std::string_view first = before != nullptr ? beforeId : lastId;
        origin = first[0] > '5' && first[0] <= '9' ? 0 : 1;
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
    lastId = id;
  }
  if (last != nullptr) closeGroup();
  if (before != nullptr) addFee(*before);
  printf("============ EXACT CALCULATION RESULT ===========\n");
  printf("==== BUS : %lld ==============\n", totals[0]);
  printf("==== METRO : %lld =============\n", totals[1]);
  return 0;
}
