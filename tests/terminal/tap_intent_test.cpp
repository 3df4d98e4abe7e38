// The note of the tap in hand: written and read back whole, and completed by
// the next run after a kill: rolled forward when the card record is there,
// dropped when it is not, records cut short by the kill cut off.
#include "terminal/tap_intent.h"

#include <gtest/gtest.h>

#include "support/world.h"

namespace {

constexpr const char* kCard = "201412050710,METRO,OUT,8950,35\n";
constexpr const char* kCardRecord = "201412050940,METRO,IN,7900,21\n";
constexpr const char* kLogRecord = "201412050940,METRO,IN,1050,21\n";

}  // namespace

TEST(TapIntent, EncodedIntentReadsBackAndAnythingElseDoesNot) {
  const TapIntent intent{"../customer/1234.txt",
                         {31, "\n201412050940,METRO,IN,7900,21\n"},
                         "Metrofile2.txt",
                         {0, kLogRecord}};
  const std::string text = encodeIntent(intent);
  EXPECT_EQ(decodeIntent(text), intent);
  for (const std::string& broken :
       {std::string(), text.substr(0, text.size() - 1), text + "x", "x" + text,
        std::string("12:tap-intent 2\n") + text.substr(16)}) {
    EXPECT_EQ(decodeIntent(broken), std::nullopt) << broken;
  }
  EXPECT_EQ(recordState("abc\n", "abc\n"), RecordState::Whole);
  EXPECT_EQ(recordState("abc\nX", "abc\n"), RecordState::Whole);
  EXPECT_EQ(recordState("ab", "abc\n"), RecordState::CutShort);
  EXPECT_EQ(recordState("", "abc\n"), RecordState::Absent);
  EXPECT_EQ(recordState("abX", "abc\n"), RecordState::Absent);
}

TEST(TapIntent, CompletedForwardWhenTheCardPaidAndDroppedWhenItDidNot) {
  struct Case {
    const char* name;
    std::string cardAfterKill;  // the card file as the kill left it
    std::string logAfterKill;
    std::string cardNow;  // after the next start
    std::string logNow;
  };
  const std::string older = "201412050900,METRO,OUT,0,11\n";
  const std::string half = std::string(kCardRecord).substr(0, 10);
  const std::vector<Case> cases = {
      {"card paid, log not written", std::string(kCard) + kCardRecord, older,
       std::string(kCard) + kCardRecord, older + kLogRecord},
      {"both written", std::string(kCard) + kCardRecord, older + kLogRecord,
       std::string(kCard) + kCardRecord, older + kLogRecord},
      {"card not written", kCard, older, kCard, older},
      {"card cut short", std::string(kCard) + half, older, kCard, older},
      {"log cut short", std::string(kCard) + kCardRecord, older + "2014120509",
       std::string(kCard) + kCardRecord, older + kLogRecord},
      {"card paid, then charged again elsewhere",
       std::string(kCard) + kCardRecord + "201412050950,BUS,IN,6850,61\n", older,
       std::string(kCard) + kCardRecord + "201412050950,BUS,IN,6850,61\n", older + kLogRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.putCard("1234", c.cardAfterKill);
    world.put("Metro/Metrofile2.txt", c.logAfterKill);
    const std::string intentPath = (world.root() / "Metro/Metrofile2.txt.intent").string();
    const TapIntent intent{(world.root() / "customer/1234.txt").string(),
                           {static_cast<off_t>(std::string(kCard).size()), kCardRecord},
                           (world.root() / "Metro/Metrofile2.txt").string(),
                           {static_cast<off_t>(older.size()), kLogRecord}};
    ASSERT_TRUE(writeIntent(intentPath, intent));
    EXPECT_EQ(completeIntent(intentPath), std::nullopt);
    EXPECT_EQ(world.card("1234"), c.cardNow);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt"), c.logNow);
    EXPECT_FALSE(world.exists("Metro/Metrofile2.txt.intent"));
  }
}
