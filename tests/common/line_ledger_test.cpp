#include "common/formats/line_ledger.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr int64_t kSecond = 1'000'000'000;

// Settled lines older than the frontier, by (minute, hash), and the
// minutes whose settled lines are gone.
class OlderLinesTable : public OlderLines {
 public:
  OlderLinesTable(std::multiset<std::pair<int64_t, uint64_t>> lines, std::set<int64_t> gaps)
      : lines_(std::move(lines)), gaps_(std::move(gaps)) {}
  bool claim(int64_t minute, uint64_t hash) override {
    const auto found = lines_.find({minute, hash});
    if (found == lines_.end()) return false;
    lines_.erase(found);
    return true;
  }
  bool gapAt(int64_t minute) const override { return gaps_.count(minute) != 0; }

 private:
  std::multiset<std::pair<int64_t, uint64_t>> lines_;
  std::set<int64_t> gaps_;
};

const FileIdentity kSettledFile{1, 100, 50, 0};
const FileIdentity kOtherFile{1, 200, 70, 0};

}  // namespace

TEST(LineLedger, MinuteOrdersTimeTextsAcrossDaysAndYears) {
  EXPECT_LT(minuteOf("201412052359"), minuteOf("201412052400"));
  EXPECT_LT(minuteOf("201412052400"), minuteOf("201412060008"));
  EXPECT_LT(minuteOf("201412992400"), minuteOf("2014121000008"));
  EXPECT_LT(minuteOf("201412312400"), minuteOf("202601010000"));
  for (const char* text : {"", "20141205", "2014120500x8", "-01412050008"}) {
    EXPECT_EQ(minuteOf(text), std::nullopt) << text;
  }
  EXPECT_EQ(ledgerLine("201412050907,METRO,IN,1050,01\n").minute, minuteOf("201412050907"));
}

// The frontier holds minute 100: line 1 settled from kSettledFile at 10 s,
// line 2 held from it; lines of minute 99 are in the archive (line 5) and
// minute 98's file was cleaned out. The clock moved past minute 100 at 20 s.
TEST(LineLedger, EachLineIsACopyNewOrHeldByItsMinuteAndWhatTheFileSaysOfItself) {
  const Frontier frontier{100, 20 * kSecond, false, {{kSettledFile, 10 * kSecond, false, {1}},
                                              {kSettledFile, 10 * kSecond, true, {2}}}};
  using enum LineFate;
  struct Case {
    const char* name;
    std::vector<LineToPlace> lines;
    FileEvidence file;
    std::vector<LineFate> fates;
  };
  const FileEvidence copiedLater{{1, 300, 25, 0}, 30 * kSecond};
  const FileEvidence writtenAfter{{1, 300, 15, 0}, 30 * kSecond};
  const FileEvidence writtenBefore{{1, 300, 5, 0}, 9 * kSecond};
  const FileEvidence noBirthTime{{1, 300, 0, 0}, 30 * kSecond};
  const std::vector<Case> cases = {
      {"a later minute is new, even in a file that repeats settled bytes",
       {{{101, 1}, false}, {{101, 1}, false}},
       writtenAfter,
       {kNew, kNew}},
      {"an older minute is settled when the archive holds the line or lost it",
       {{{99, 5}, false}, {{98, 7}, false}, {{99, 6}, false}, {{99, 5}, false}},
       writtenAfter,
       {kCopy, kCopy, kNew, kNew}},
      {"an older line the file shares with a settled file is settled",
       {{{99, 6}, true}},
       writtenAfter,
       {kCopy}},
      {"the frontier's lines in a file written after them, made before the clock moved on",
       {{{100, 1}, true}, {{100, 2}, false}, {{100, 3}, false}},
       writtenAfter,
       {kHeld, kCopy, kNew}},
      {"the frontier's lines in the file they were settled from", {{{100, 1}, false}},
       FileEvidence{kSettledFile, 30 * kSecond}, {kCopy}},
      {"... or in that file under another mount",
       {{{100, 1}, false}},
       FileEvidence{{2, 100, 50, 0}, 30 * kSecond},
       {kCopy}},
      {"... or in a file last written before they were read",
       {{{100, 1}, false}},
       writtenBefore,
       {kCopy}},
      {"... or in a file made after the clock moved past them",
       {{{100, 1}, false}},
       copiedLater,
       {kCopy}},
      {"... but not where the file system keeps no birth time",
       {{{100, 1}, false}},
       noBirthTime,
       {kHeld}},
      {"a frontier line matches one line of the file, the second is new",
       {{{100, 1}, false}, {{100, 1}, false}},
       copiedLater,
       {kCopy, kNew}},
      {"a line without a minute is new unless known as a copy",
       {{{std::nullopt, 1}, false}, {{std::nullopt, 1}, true}},
       writtenAfter,
       {kNew, kCopy}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OlderLinesTable older({{99, 5}}, {98});
    EXPECT_EQ(placeLines(c.lines, &frontier, c.file, older), c.fates);
  }
  OlderLinesTable none({}, {});
  EXPECT_EQ(placeLines(std::vector<LineToPlace>{{{100, 1}, false}, {{5, 1}, true}}, nullptr,
                       writtenAfter, none),
            (std::vector<LineFate>{kNew, kCopy}))
      << "a stream never settled has no frontier";
  // Once the clock is not known to have moved on, a copy made later is held.
  Frontier standing = frontier;
  standing.closedAt = 0;
  EXPECT_EQ(placeLines(std::vector<LineToPlace>{{{100, 1}, true}}, &standing, copiedLater, none),
            std::vector<LineFate>{kHeld});
}

TEST(LineLedger, TheFrontierMovesOnToTheLatestMinuteAndKeepsItsLines) {
  Frontiers frontiers;
  const std::vector<LedgerLine> first = {{99, 1}, {100, 2}, {100, 3}};
  advanceFrontier(frontiers, "busfile.txt", first, kSettledFile, 5, false);
  EXPECT_EQ(frontiers.at("busfile.txt"),
            (Frontier{100, 0, false, {{kSettledFile, 5, false, {2, 3}}}}));
  const std::vector<LedgerLine> same = {{100, 4}};
  advanceFrontier(frontiers, "busfile.txt", same, kOtherFile, 6, true);
  EXPECT_EQ(frontiers.at("busfile.txt").groups.size(), 2u);
  const std::vector<LedgerLine> older = {{98, 5}};
  advanceFrontier(frontiers, "busfile.txt", older, kOtherFile, 7, false);
  EXPECT_EQ(frontiers.at("busfile.txt").groups.size(), 2u);
  frontiers.at("busfile.txt").closedAt = 9;
  const std::vector<LedgerLine> later = {{101, 6}};
  advanceFrontier(frontiers, "busfile.txt", later, kOtherFile, 8, false);
  EXPECT_EQ(frontiers.at("busfile.txt"), (Frontier{101, 0, false, {{kOtherFile, 8, false, {6}}}}));
  EXPECT_EQ(frontiers.count("Metrofile0.txt"), 0u);
}
