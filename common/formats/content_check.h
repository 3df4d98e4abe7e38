// What a trip log holds, known by its bytes rather than by the file that
// holds them: a content key is a length and a hash of that many bytes from
// a file's start, so a copy, a restore, a rename or an identical rewrite of
// a log has the key of the original, and a log rewritten below a length has
// another key there.
//
// ContentHash takes bytes in pieces of any size and gives the same digest
// for the same bytes however they were cut; it can be copied at any point
// and continued, and its digest read at any point without ending it. It is
// XXH3's 64-bit streaming hash (libxxhash), which costs little beside
// reading.
#pragma once

// xxhash's functions inline into the units that hash, and its streaming
// state is a value ContentHash can hold and copy.
#ifndef XXH_INLINE_ALL
#define XXH_INLINE_ALL
#endif
#include <sys/types.h>
#include <xxhash.h>

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/base/problem.h"

class ContentHash {
 public:
  ContentHash() { XXH3_64bits_reset(&state_); }
  void add(std::string_view bytes) {
    XXH3_64bits_update(&state_, bytes.data(), bytes.size());
    length_ += bytes.size();
  }
  uint64_t digest() const { return XXH3_64bits_digest(&state_); }
  off_t length() const { return static_cast<off_t>(length_); }

 private:
  // Its default secret only: a copy of the state continues alike.
  XXH3_state_t state_;
  uint64_t length_ = 0;
};

struct ContentKey {
  off_t length = 0;
  uint64_t hash = 0;
  auto operator<=>(const ContentKey&) const = default;
};

// The key of `bytes`, whole.
ContentKey keyOf(std::string_view bytes);

// "LENGTH HEX16", as the settlement's state writes a key, and back.
std::string formatContentKey(const ContentKey& key);
std::optional<ContentKey> parseContentKey(std::string_view length, std::string_view hash);

// Follows the bytes of a file from some point on (the hash of what came
// before given) and notes which of the expected keys the file begins with.
class PrefixCheck {
 public:
  // `expected` sorted by length; only keys longer than `start` count.
  PrefixCheck(ContentHash start, std::span<const ContentKey> expected);

  // The next bytes of the file.
  void add(std::string_view bytes);

  // The key of everything added so far.
  ContentKey key() const { return {hash_.length(), hash_.digest()}; }
  // How far the next expected key reaches: no byte beyond it can match one.
  std::optional<off_t> nextLength() const;
  // The longest expected key the file began with, and the hash there.
  const std::optional<ContentKey>& matched() const { return matched_; }
  const ContentHash& hashAtMatch() const { return atMatch_; }
  const ContentHash& hash() const { return hash_; }

 private:
  void reach(off_t length);

  ContentHash hash_;
  std::span<const ContentKey> expected_;
  size_t next_ = 0;
  std::optional<ContentKey> matched_;
  ContentHash atMatch_;
};

// Which of `known` (sorted by length) the open file `fd` begins with, read
// from its start up to the longest of them; the Problem of a read that
// fails.
Result<PrefixCheck> fileBeginning(int fd, std::span<const ContentKey> known);

// The whole lines two open files begin with alike, read from their start
// up to `limit` bytes: the hash of those bytes, so its length is where the
// last line they share ends. The Problem of a read that fails.
Result<ContentHash> sharedLines(int first, int second, off_t limit);

// The hash of a line (its line feed left out), as the statement's check
// takes it: a number below 2^61 - 1.
uint64_t lineHash(std::string_view line);

// A check of a run of lines numbered 1, 2, ...: their count, the sum of
// their hashes and the sum of each hash times its number, both modulo the
// prime 2^61 - 1. One line changed anywhere changes both sums, and the
// two together tell which line it was.
struct LineChecks {
  long long count = 0;
  uint64_t sum = 0;
  uint64_t weighted = 0;
  void add(std::string_view line);
  bool operator==(const LineChecks&) const = default;
};

// Where `found` differs from `expected` when they hold as many lines and
// one of them differs (its number); nullopt when that cannot be told.
std::optional<long long> differingLine(const LineChecks& expected, const LineChecks& found);
