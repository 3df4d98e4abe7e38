// The note of the tap in hand: written and read back whole, and completed by
// the next run after a kill: rolled forward when the card record is there,
// dropped when it is not, records cut short by the kill cut off. A note the
// terminal did not write is set aside.
#include "terminal/tap_intent.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/world.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCard = "201412050710,METRO,OUT,8950,35\n";
constexpr const char* kCardRecord = "201412050940,METRO,IN,7900,21\n";
constexpr const char* kLogRecord = "201412050940,METRO,IN,1050,21\n";
constexpr const char* kIntent = "Metrofile2.txt.intent";
constexpr const char* kTripLog = "Metrofile2.txt";

// Runs in the world's Metro/ as the terminal does, so "../customer" is the
// world's; the directory before is restored afterwards.
class InMetro {
 public:
  explicit InMetro(const World& world) : before_(fs::current_path()) {
    fs::current_path(world.root() / "Metro");
  }
  ~InMetro() { fs::current_path(before_); }

 private:
  fs::path before_;
};

}  // namespace

TEST(TapIntent, EncodedIntentReadsBackAndAnythingElseDoesNot) {
  const TapIntent intent{"1234", {31, "\n201412050940,METRO,IN,7900,21\n"}, {0, kLogRecord}};
  const std::string text = encodeIntent(intent);
  EXPECT_EQ(decodeIntent(text), intent);
  const auto with = [&](auto change) {
    TapIntent other = intent;
    change(other);
    return encodeIntent(other);
  };
  for (const std::string& broken : {
           std::string(),
           text.substr(0, text.size() - 1),
           text + "x",
           "x" + text,
           std::string("12:tap-intent 1\n") + text.substr(16),
           with([](TapIntent& i) { i.card = "../../outside/1234"; }),
           with([](TapIntent& i) { i.card = ""; }),
           with([](TapIntent& i) { i.cardRecord.bytes = "keep\n"; }),
           with([](TapIntent& i) { i.tripLogRecord.bytes = std::string(kLogRecord) + kLogRecord; }),
           with([](TapIntent& i) { i.tripLogRecord.bytes = "201412050940,METRO,IN,1050,21"; }),
       }) {
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
    const InMetro here(world);
    world.putCard("1234", c.cardAfterKill);
    world.put("Metro/Metrofile2.txt", c.logAfterKill);
    // A temporary file a kill left before it became the note.
    world.put("Metro/Metrofile2.txt.intent.4242.9f3c07d1", "half a note");
    const TapIntent intent{"1234",
                           {static_cast<off_t>(std::string(kCard).size()), kCardRecord},
                           {static_cast<off_t>(older.size()), kLogRecord}};
    ASSERT_TRUE(writeIntent(kIntent, intent));
    EXPECT_EQ(completeIntent(kIntent, kTripLog).fate, IntentFate::None);
    EXPECT_EQ(world.card("1234"), c.cardNow);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt"), c.logNow);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt.intent"), "");
    EXPECT_FALSE(world.exists("Metro/Metrofile2.txt.intent.4242.9f3c07d1"));
  }
}

TEST(TapIntent, NoteNotWrittenByTheTerminalIsSetAsideNeverOverAnother) {
  const std::vector<std::pair<const char*, std::function<void(const World&)>>> cases = {
      {"Metrofile2.txt.intent.rejected.2",  // a note set aside before is kept
       [](const World& w) {
         w.put("Metro/Metrofile2.txt.intent", "keep\n");
         w.put("Metro/Metrofile2.txt.intent.rejected", "older\n");
       }},
      {"Metrofile2.txt.intent.rejected",  // a link is moved, its target untouched
       [](const World& w) {
         fs::create_symlink(w.root() / "customer/1234.txt",
                            w.root() / "Metro/Metrofile2.txt.intent");
       }},
  };
  for (const auto& [setAsideAs, make] : cases) {
    SCOPED_TRACE(setAsideAs);
    World world;
    const InMetro here(world);
    world.putCard("1234", kCard);
    make(world);
    const IntentOutcome outcome = completeIntent(kIntent, kTripLog);
    EXPECT_EQ(outcome.fate, IntentFate::SetAside);
    EXPECT_EQ(outcome.detail, setAsideAs);
    EXPECT_FALSE(fs::exists(fs::symlink_status(world.root() / "Metro" / kIntent)));
    EXPECT_TRUE(fs::exists(fs::symlink_status(world.root() / "Metro" / setAsideAs)));
    EXPECT_EQ(world.card("1234"), kCard);
    if (world.exists("Metro/Metrofile2.txt.intent.rejected.2")) {
      EXPECT_EQ(world.get("Metro/Metrofile2.txt.intent.rejected"), "older\n");
    }
    EXPECT_FALSE(world.exists("Metro/Metrofile2.txt"));
  }
}
