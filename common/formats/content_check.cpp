#include "common/formats/content_check.h"

#include <algorithm>
#include <cstring>

#include "common/base/text.h"
#include "common/files/file_handle.h"

namespace {

constexpr uint64_t kModulus = (1ull << 61) - 1;

uint64_t mulMod(uint64_t a, uint64_t b) {
  const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  const uint64_t low = static_cast<uint64_t>(product) & kModulus;
  const uint64_t high = static_cast<uint64_t>(product >> 61);
  const uint64_t sum = low + high;
  return sum >= kModulus ? sum - kModulus : sum;
}

uint64_t addMod(uint64_t a, uint64_t b) {
  const uint64_t sum = a + b;
  return sum >= kModulus ? sum - kModulus : sum;
}

// b^(kModulus - 2): the inverse of b modulo the prime.
uint64_t inverse(uint64_t b) {
  uint64_t result = 1;
  for (uint64_t e = kModulus - 2; e > 0; e >>= 1, b = mulMod(b, b)) {
    if (e & 1) result = mulMod(result, b);
  }
  return result;
}

}  // namespace

ContentKey keyOf(std::string_view bytes) {
  ContentHash hash;
  hash.add(bytes);
  return {hash.length(), hash.digest()};
}

std::string formatContentKey(const ContentKey& key) {
  char hash[17];
  snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(key.hash));
  return std::to_string(key.length) + " " + hash;
}

std::optional<ContentKey> parseContentKey(std::string_view length, std::string_view hash) {
  const std::optional<long long> bytes = decimalNumber<long long>(length);
  if (!bytes || *bytes <= 0 || hash.size() != 16) return std::nullopt;
  ContentKey key{static_cast<off_t>(*bytes), 0};
  for (const char c : hash) {
    const bool digit = c >= '0' && c <= '9';
    if (!digit && !(c >= 'a' && c <= 'f')) return std::nullopt;
    key.hash = key.hash << 4 | static_cast<uint64_t>(digit ? c - '0' : c - 'a' + 10);
  }
  return key;
}

PrefixCheck::PrefixCheck(ContentHash start, std::span<const ContentKey> expected)
    : hash_(start), expected_(expected) {
  while (next_ < expected_.size() && expected_[next_].length <= hash_.length()) ++next_;
}

std::optional<off_t> PrefixCheck::nextLength() const {
  if (next_ == expected_.size()) return std::nullopt;
  return expected_[next_].length;
}

void PrefixCheck::reach(off_t length) {
  while (next_ < expected_.size() && expected_[next_].length == length) {
    if (expected_[next_] == key()) {
      matched_ = expected_[next_];
      atMatch_ = hash_;
    }
    ++next_;
  }
}

void PrefixCheck::add(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::optional<off_t> next = nextLength();
    if (!next) {
      hash_.add(bytes);
      return;
    }
    const size_t take = static_cast<size_t>(
        std::min<off_t>(*next - hash_.length(), static_cast<off_t>(bytes.size())));
    hash_.add(bytes.substr(0, take));
    bytes.remove_prefix(take);
    reach(hash_.length());
  }
}

namespace {

// Files are read this much at a time.
constexpr off_t kBlock = 1 << 18;

// Up to `want` bytes of `fd` at `at` into `block`, fewer only at its end;
// the Problem of a read that fails.
Result<void> readBlock(int fd, off_t at, size_t want, std::string& block) {
  block.resize(want);
  const Result<size_t> got = readInto(fd, block, at);
  if (!got) return *got.problem();
  block.resize(*got);
  return {};
}

}  // namespace

Result<PrefixCheck> fileBeginning(int fd, std::span<const ContentKey> known) {
  PrefixCheck check(ContentHash{}, known);
  std::string block;
  for (off_t at = 0; const std::optional<off_t> next = check.nextLength();) {
    const size_t want = static_cast<size_t>(std::min(*next - at, kBlock));
    if (const Result<void> read = readBlock(fd, at, want, block); !read) return *read.problem();
    if (block.empty()) break;
    check.add(block);
    at += static_cast<off_t>(block.size());
  }
  return check;
}

Result<ContentHash> sharedLines(int first, int second, off_t limit) {
  ContentHash shared;
  std::string pending;  // shared bytes after the last shared line feed
  std::string a;
  std::string b;
  for (off_t at = 0; at < limit;) {
    const size_t want = static_cast<size_t>(std::min(limit - at, kBlock));
    if (const Result<void> read = readBlock(first, at, want, a); !read) return *read.problem();
    if (const Result<void> read = readBlock(second, at, want, b); !read) return *read.problem();
    const size_t both = std::min(a.size(), b.size());
    const size_t alike = static_cast<size_t>(
        std::mismatch(a.begin(), a.begin() + both, b.begin()).first - a.begin());
    const std::string_view common(a.data(), alike);
    const size_t lineEnd = common.rfind('\n');
    if (lineEnd == std::string_view::npos) {
      pending.append(common);
    } else {
      shared.add(pending);
      shared.add(common.substr(0, lineEnd + 1));
      pending.assign(common.substr(lineEnd + 1));
    }
    if (alike < want) break;
    at += static_cast<off_t>(want);
  }
  return shared;
}

uint64_t lineHash(std::string_view line) {
  return XXH3_64bits(line.data(), line.size()) % kModulus;
}

void LineChecks::add(std::string_view line) {
  ++count;
  const uint64_t hash = lineHash(line);
  sum = addMod(sum, hash);
  weighted = addMod(weighted, mulMod(hash, static_cast<uint64_t>(count) % kModulus));
}

std::optional<long long> differingLine(const LineChecks& expected, const LineChecks& found) {
  if (expected.count != found.count || expected == found) return std::nullopt;
  const uint64_t change = addMod(found.sum, kModulus - expected.sum);
  const uint64_t weightedChange = addMod(found.weighted, kModulus - expected.weighted);
  if (change == 0) return std::nullopt;
  const uint64_t line = mulMod(weightedChange, inverse(change));
  if (line == 0 || line > static_cast<uint64_t>(found.count)) return std::nullopt;
  return static_cast<long long>(line);
}
