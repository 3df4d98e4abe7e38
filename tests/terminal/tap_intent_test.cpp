// The note of the tap in hand: written in place and read back whole, torn
// notes told from whole ones, and completed by the next run after a kill:
// rolled forward when the card record is there, dropped when it is not,
// records cut short by the kill cut off, and cleared either way. A file the
// terminal did not write is set aside.
#include "terminal/tap_intent.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
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

TEST(TapIntent, ActiveNotesAreToldFromClearedTornAndForeignOnes) {
  const std::string body = "12:tap-intent 3\n4:1234\n";
  const std::string note = activeNote(body);
  ASSERT_EQ(note.substr(0, 20), "1 00000017 " + note.substr(11, 8) + "\n");
  std::string flipped = note;
  flipped.back() = '5';
  const struct {
    std::string text;
    NoteState state;
  } cases[] = {
      {"", NoteState::Nothing},
      {"0" + note.substr(1), NoteState::Nothing},
      {note, NoteState::Active},
      {note + "left from a longer note", NoteState::Active},
      {note.substr(0, note.size() - 1), NoteState::Torn},
      {flipped, NoteState::Torn},
      {"2" + note.substr(1), NoteState::Foreign},
      {note.substr(0, 12), NoteState::Foreign},
      {"1 0000001x" + note.substr(10), NoteState::Foreign},
      {body, NoteState::Foreign},
  };
  for (const auto& c : cases) {
    const NoteReading reading = readNote(c.text);
    EXPECT_EQ(reading.state, c.state) << c.text;
    if (c.state == NoteState::Active) {
      EXPECT_EQ(reading.body, body);
    }
  }
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
    const TapIntent intent{"1234",
                           {static_cast<off_t>(std::string(kCard).size()), kCardRecord},
                           {static_cast<off_t>(older.size()), kLogRecord}};
    {
      IntentFile note(kIntent);
      // A longer note written before this one: only this one counts.
      TapIntent longer = intent;
      longer.card = std::string(60, '9');
      ASSERT_TRUE(note.write(longer));
      ASSERT_TRUE(note.write(intent));
    }
    EXPECT_EQ(completeIntent(kIntent, kTripLog)->fate, IntentFate::None);
    EXPECT_EQ(world.card("1234"), c.cardNow);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt"), c.logNow);
    EXPECT_EQ(readNote(world.get("Metro/Metrofile2.txt.intent")).state, NoteState::Nothing);
    // Completed once: a second start finds nothing to do, whatever the log holds.
    world.put("Metro/Metrofile2.txt", "");
    EXPECT_EQ(completeIntent(kIntent, kTripLog)->fate, IntentFate::None);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt"), "");
  }
}

TEST(TapIntent, TornOrClearedNoteIsDroppedAndNothingIsWritten) {
  const std::string older = "201412050900,METRO,OUT,0,11\n";
  const TapIntent intent{"1234",
                         {static_cast<off_t>(std::string(kCard).size()), kCardRecord},
                         {static_cast<off_t>(older.size()), kLogRecord}};
  const std::string whole = activeNote(encodeIntent(intent));
  for (const std::string& note :
       {whole.substr(0, whole.size() - 3), "0" + whole.substr(1), std::string()}) {
    World world;
    const InMetro here(world);
    world.putCard("1234", std::string(kCard) + kCardRecord);
    world.put("Metro/Metrofile2.txt", older);
    world.put("Metro/Metrofile2.txt.intent", note);
    EXPECT_EQ(completeIntent(kIntent, kTripLog)->fate, IntentFate::None);
    EXPECT_EQ(world.get("Metro/Metrofile2.txt"), older);
    EXPECT_EQ(world.card("1234"), std::string(kCard) + kCardRecord);
    EXPECT_EQ(readNote(world.get("Metro/Metrofile2.txt.intent")).state, NoteState::Nothing);
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
      {"Metrofile2.txt.intent.rejected",  // a directory, with what it holds
       [](const World& w) {
         fs::create_directory(w.root() / "Metro/Metrofile2.txt.intent");
         w.put("Metro/Metrofile2.txt.intent/inside", "kept\n");
       }},
      {"Metrofile2.txt.intent.rejected",  // a FIFO, never waited on
       [](const World& w) {
         ASSERT_EQ(mkfifo((w.root() / "Metro/Metrofile2.txt.intent").c_str(), 0666), 0);
       }},
      {"Metrofile2.txt.intent.rejected",  // a socket
       [](const World&) {
         const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s", kIntent);
         ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         close(listener);
       }},
  };
  for (const auto& [setAsideAs, make] : cases) {
    SCOPED_TRACE(setAsideAs);
    World world;
    const InMetro here(world);
    world.putCard("1234", kCard);
    make(world);
    const Result<IntentOutcome> outcome = completeIntent(kIntent, kTripLog);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->fate, IntentFate::SetAside);
    EXPECT_EQ(outcome->detail, setAsideAs);
    EXPECT_FALSE(fs::exists(fs::symlink_status(world.root() / "Metro" / kIntent)));
    EXPECT_TRUE(fs::exists(fs::symlink_status(world.root() / "Metro" / setAsideAs)));
    EXPECT_EQ(world.card("1234"), kCard);
    if (world.exists("Metro/Metrofile2.txt.intent.rejected.2")) {
      EXPECT_EQ(world.get("Metro/Metrofile2.txt.intent.rejected"), "older\n");
    }
    EXPECT_FALSE(world.exists("Metro/Metrofile2.txt"));
  }
}
