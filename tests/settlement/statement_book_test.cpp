// Committing the statement: a line reaches the statement only with the
// state that accounts for it; a line that cannot be appended takes the
// state back; a line a kill left unwritten is written at the next start.
#include "settlement/statement_book.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "common/files/file_handle.h"
#include "support/file_faults.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

StatementLine lineOf(long long cycle, long long fee) {
  return {cycle, "201412050010", fee != 0 ? 1 : 0, {fee, 0}, {fee, 0}};
}

const std::string kHeader(kStatementHeader);

}  // namespace

TEST(StatementBook, ALineThatCannotBeAppendedTakesItsStateBackAndAKilledOneIsWrittenAtStart) {
  World world;
  StatementBook book;
  ASSERT_TRUE(book.resume(world.root()));
  const SettledCursor cursor = {
      {FileIdentity{1, 2, 3, 4}, SettledFile{ContentKey{56, 0x1234}, {}, 0, 0, {}}}};
  ASSERT_EQ(book.commit(lineOf(1, 1050), cursor).outcome, StatementBook::Outcome::kCommitted);
  const std::string first = kHeader + formatStatementLine(lineOf(1, 1050));
  EXPECT_EQ(world.get("statement.csv"), first);
  const std::string committed = world.get("settlement.state");
  EXPECT_EQ(decodeState(committed)->state.cursor, cursor);

  // Room for the state, not for the statement's next line: a file-size
  // limit on the statement.
  std::optional<FileFaults> faults(std::in_place);
  faults->fillFile("statement.csv", EFBIG);
  const StatementBook::Commit failed = book.commit(lineOf(2, 200), {});
  faults.reset();
  EXPECT_EQ(failed.outcome, StatementBook::Outcome::kFailed);
  ASSERT_TRUE(failed.problem);
  EXPECT_NE(failed.problem->text().find("File too large"), std::string::npos)
      << failed.problem->text();
  EXPECT_EQ(world.get("statement.csv"), first);
  EXPECT_EQ(world.get("settlement.state"), committed);
  EXPECT_EQ(book.nextCycle(), 2);

  ASSERT_EQ(book.commit(lineOf(2, 200), {}).outcome, StatementBook::Outcome::kCommitted);
  const std::string second = first + formatStatementLine(lineOf(2, 200));
  EXPECT_EQ(world.get("statement.csv"), second);

  // A kill after the state, in the middle of the line: the next start
  // writes the line whole, and the book goes on from it.
  world.put("statement.csv", second.substr(0, first.size() + 3));
  StatementBook restarted;
  ASSERT_TRUE(restarted.resume(world.root()));
  EXPECT_EQ(world.get("statement.csv"), second);
  EXPECT_EQ(restarted.nextCycle(), 3);

  // A line added by hand is no torn line: the book refuses.
  world.put("statement.csv", second + formatStatementLine(lineOf(3, 0)));
  StatementBook doubted;
  const Result<std::optional<Problem>> resumed = doubted.resume(world.root());
  ASSERT_FALSE(resumed);
  EXPECT_NE(resumed.problem()->text().find("after its last line"), std::string::npos)
      << resumed.problem()->text();
}

TEST(StatementBook, LinesAndStatesReadBackOnlyWhenWellFormed) {
  const StatementLine line{12, "2014121000008", 3, {1050, -200}, {700, 150}};
  EXPECT_EQ(formatStatementLine(line), "12,2014121000008,3,1050,-200,700,150\n");
  EXPECT_EQ(parseStatementLine("12,2014121000008,3,1050,-200,700,150"), line);
  for (const char* bad :
       {"", "12,2014,3,1050,0,1050", "12,2014,3,1050,0,1050,0,0", "0,2014,3,1050,0,1050,0",
        "012,2014,3,1050,0,1050,0", "12,20x4,3,1050,0,1050,0", "12,2014,-3,1050,0,1050,0",
        "12,2014,3,1050,0,1000,0", "12,2014,3, 1050,0,1050,0",
        "12,2014,3,99999999999999999999,0,1050,0"}) {
    EXPECT_FALSE(parseStatementLine(bad)) << bad;
  }
  const FileIdentity file{2049, 77, 1733570000, 5};
  SettlementState state{
      88,
      line,
      {},
      {{file,
        {{450, 0xfedcba9876543210},
         "Metrofile2.txt",
         20141205000800,
         20141205001600,
         {{30, 60, false, 0, {0, 0}}, {90, 30, true, 1, {0, 1250}}}}}},
      {{"Metrofile2.txt", {20141205001600, 5, true, {{file, 7, true, {1, 2, 2}}}}}}};
  for (int cycle = 1; cycle < 12; ++cycle) state.lines.add("line " + std::to_string(cycle));
  const std::string text = encodeState(state);
  ASSERT_TRUE(decodeState(text));
  EXPECT_EQ(decodeState(text)->state, state);
  EXPECT_FALSE(decodeState(text)->identities);
  // A cursor moved back by hand would settle its records again.
  std::string edited = text;
  edited.replace(edited.find(" 450 "), 5, " 45 ");
  const std::string head = text.substr(0, text.find("settled"));
  for (const std::string& bad : {text.substr(0, text.size() - 4), text + "end\n", "x" + text,
                                 edited, head + "settled 0 0000000000000000 Bus/x\nend\n",
                                 "fares settlement state 2" + text.substr(text.find('\n'))}) {
    EXPECT_FALSE(decodeState(bad)) << bad;
  }
  // States of earlier releases, which name files by identity, are still read.
  const std::string byIdentity =
      "fares settlement state 1\nstatement 88\nline 12,2014121000008,3,1050,-200,700,150\n"
      "cursor 2049 77 1733570000 5 450\nend\n";
  const std::optional<DecodedState> earlier = decodeState(byIdentity);
  ASSERT_TRUE(earlier) << byIdentity;
  EXPECT_EQ(earlier->state.line, line);
  EXPECT_EQ(earlier->identities, (IdentityCursor{{FileIdentity{2049, 77, 1733570000, 5}, 450}}));
}

// Every statement line is checked through the state: a line changed,
// removed or inserted anywhere is refused, with the line that is wrong.
TEST(StatementBook, AStatementEditedAnywhereIsRefused) {
  World world;
  StatementBook book;
  ASSERT_TRUE(book.resume(world.root()));
  for (long long cycle = 1; cycle <= 4; ++cycle) {
    ASSERT_EQ(book.commit(lineOf(cycle, 100 * cycle), {}).outcome,
              StatementBook::Outcome::kCommitted);
  }
  const std::string statement = world.get("statement.csv");
  const auto lineOfCycle = [](long long cycle) {
    return formatStatementLine(lineOf(cycle, 100 * cycle));
  };
  std::string sameLength = statement;
  sameLength.replace(sameLength.find(lineOfCycle(2)), lineOfCycle(2).size(),
                     formatStatementLine({2, "201412050011", 1, {200, 0}, {200, 0}}));
  struct Case {
    std::string statement;
    const char* says;
  };
  const std::vector<Case> cases = {
      {sameLength, "statement.csv line 3 is not the line the settlement wrote for cycle 2"},
      {kHeader + lineOfCycle(1) + lineOfCycle(3) + lineOfCycle(3) + lineOfCycle(4),
       "line 3 holds cycle 3 where cycle 2 belongs"},
      {kHeader + lineOfCycle(2) + lineOfCycle(1) + lineOfCycle(3) + lineOfCycle(4),
       "line 2 holds cycle 2 where cycle 1 belongs"},
  };
  for (const Case& c : cases) {
    world.put("statement.csv", c.statement);
    StatementBook doubted;
    const Result<std::optional<Problem>> resumed = doubted.resume(world.root());
    ASSERT_FALSE(resumed) << c.says;
    EXPECT_NE(resumed.problem()->text().find(c.says), std::string::npos)
        << resumed.problem()->text();
  }
}

namespace {

// A book with cycle 1 committed in `world`.
struct CommittedBook {
  explicit CommittedBook(const World& world) {
    EXPECT_TRUE(book.resume(world.root()));
    EXPECT_EQ(book.commit(lineOf(1, 1050), {}).outcome, StatementBook::Outcome::kCommitted);
    statement = world.get("statement.csv");
    state = world.get("settlement.state");
  }
  StatementBook book;
  std::string statement;
  std::string state;
};

}  // namespace

TEST(StatementBook, ACommitFailingAtAnyCallLeavesStateAndStatementAsTheyWere) {
  World world;
  const std::string statement = world.dir("statement.csv");
  const std::string state = world.dir("settlement.state");
  const std::string io = ": Input/output error";
  const std::string full = ": No space left on device";
  struct Step {
    const char* call;
    std::string problem;  // "" for a commit that goes through
  };
  // The calls of a commit after the first, in order.
  const std::vector<Step> steps = {
      {"lstat", statement + " cannot be looked at" + io},  // is the statement whole?
      {"open", "cannot write " + state + io},              // the state's temporary file
      {"write", "cannot write " + state + full},
      {"close", "cannot write " + state + io},
      {"rename", "cannot write " + state + io},
      {"open", "cannot write " + statement + io},  // the line: the state is taken back
      {"fstat", "cannot write " + statement + io},
      {"fstat", "cannot write " + statement + io},
      {"ftruncate", "cannot write " + statement + io},
      {"lseek", "cannot write " + statement + io},
      {"write", "cannot write " + statement + full},
      {"close", ""},
  };
  for (size_t n = 1; n <= steps.size(); ++n) {
    SCOPED_TRACE(std::to_string(n) + " " + steps[n - 1].call);
    std::filesystem::remove(statement);
    std::filesystem::remove(state);
    CommittedBook committed(world);
    std::optional<FileFaults> faults(std::in_place);
    faults->failCall(n, std::string_view(steps[n - 1].call) == "write" ? ENOSPC : EIO);
    const StatementBook::Commit commit = committed.book.commit(lineOf(2, 200), {});
    const std::vector<FileCall> calls = faults->calls();
    faults.reset();
    ASSERT_GE(calls.size(), n);
    EXPECT_EQ(calls[n - 1].name, steps[n - 1].call);
    const std::string second = committed.statement + formatStatementLine(lineOf(2, 200));
    if (steps[n - 1].problem.empty()) {
      EXPECT_EQ(commit.outcome, StatementBook::Outcome::kCommitted);
      EXPECT_EQ(world.get("statement.csv"), second);
      continue;
    }
    EXPECT_EQ(commit.outcome, StatementBook::Outcome::kFailed);
    ASSERT_TRUE(commit.problem);
    EXPECT_EQ(commit.problem->text(), steps[n - 1].problem);
    EXPECT_EQ(world.get("statement.csv"), committed.statement);
    EXPECT_EQ(world.get("settlement.state"), committed.state);
    EXPECT_EQ(committed.book.nextCycle(), 2);
    // The cycle waits for the next commit, which goes through.
    ASSERT_EQ(committed.book.commit(lineOf(2, 200), {}).outcome,
              StatementBook::Outcome::kCommitted);
    EXPECT_EQ(world.get("statement.csv"), second);
  }
}

TEST(StatementBook, ADiskFullWhileTheStateIsTakenBackLeavesTheLineToTheNextCommit) {
  World world;
  CommittedBook committed(world);
  std::optional<FileFaults> faults(std::in_place);
  // The state is written, the line is cut short, the state's take-back
  // finds the disk still full.
  faults->fillDiskAtWrite(2);
  const StatementBook::Commit commit = committed.book.commit(lineOf(2, 200), {});
  faults.reset();
  EXPECT_EQ(commit.outcome, StatementBook::Outcome::kLineWaiting);
  ASSERT_TRUE(commit.problem);
  EXPECT_EQ(commit.problem->text(),
            "cannot write " + world.dir("statement.csv") + ": No space left on device");
  EXPECT_EQ(world.get("statement.csv"), committed.statement);
  EXPECT_EQ(decodeState(world.get("settlement.state"))->state.line, lineOf(2, 200));
  EXPECT_EQ(committed.book.nextCycle(), 3);

  // The next commit writes the waiting line before its own.
  ASSERT_EQ(committed.book.commit(lineOf(3, 0), {}).outcome, StatementBook::Outcome::kCommitted);
  EXPECT_EQ(world.get("statement.csv"), committed.statement + formatStatementLine(lineOf(2, 200)) +
                                            formatStatementLine(lineOf(3, 0)));

  // The first cycle's line cannot be written: its state is removed.
  World fresh;
  StatementBook book;
  ASSERT_TRUE(book.resume(fresh.root()));
  faults.emplace();
  faults->fillDiskAtWrite(2);
  EXPECT_EQ(book.commit(lineOf(1, 1050), {}).outcome, StatementBook::Outcome::kFailed);
  faults.reset();
  EXPECT_FALSE(fresh.exists("settlement.state"));
  EXPECT_EQ(book.nextCycle(), 1);
}

// An earlier release's state is converted by hashing the files it names up
// to their cursors, however far a hand-edited cursor claims.
TEST(StatementBook, AnEarlierStateIsConvertedWithoutTrustingItsOffsets) {
  World world;
  world.put("Bus/busfile.txt", "201412050008,BUS,IN,1050,61\n");
  const FileDescriptor log =
      openRegular(world.dir("Bus/busfile.txt"), O_RDONLY).value_or(FileDescriptor());
  const FileIdentity identity = fileIdentity(log.get()).value();
  const std::string line = "1,201412050010,1,1050,0,1050,0";
  world.put("statement.csv", kHeader + line + "\n");
  world.put("settlement.state",
            "fares settlement state 1\nstatement 0\nline " + line + "\ncursor " +
                std::to_string(identity.device) + " " + std::to_string(identity.inode) + " " +
                std::to_string(identity.born) + " " + std::to_string(identity.born_ns) +
                " 9000000000000000000\nend\n");
  const std::string identityText =
      std::to_string(identity.device) + " " + std::to_string(identity.inode) + " " +
      std::to_string(identity.born) + " " + std::to_string(identity.born_ns);
  // A state whose cursor knew files by a hash of an earlier release: the
  // files it names, hashed again as far as it says.
  const std::string hashedBefore = "fares settlement state 3\nstatement 0\nline " + line +
                                   "\nlines 0 0 0\nsettled " + identityText +
                                   " 29 0123456789abcdef\n";
  for (const std::string& state :
       {world.get("settlement.state"), hashedBefore + "end " + textCheck(hashedBefore) + "\n"}) {
    world.put("settlement.state", state);
    StatementBook book;
    ASSERT_TRUE(book.resume(world.root())) << state;
    EXPECT_EQ(book.cursor(),
              (SettledCursor{
                  {identity, SettledFile{keyOf("201412050008,BUS,IN,1050,61\n"), {}, 0, 0, {}}}}));
    EXPECT_EQ(book.nextCycle(), 2);
  }

  // Its offsets must account for what the statement settled, the archive's
  // files with them: an offset moved back would settle records again.
  const std::string twice = "1,201412050010,2,2100,0,2100,0";
  world.put("statement.csv", kHeader + twice + "\n");
  world.put("settlement.state", "fares settlement state 1\nstatement 0\nline " + twice +
                                    "\ncursor " + std::to_string(identity.device) + " " +
                                    std::to_string(identity.inode) + " " +
                                    std::to_string(identity.born) + " " +
                                    std::to_string(identity.born_ns) + " 29\nend\n");
  StatementBook moved;
  const Result<std::optional<Problem>> refused = moved.resume(world.root());
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.problem()->text().find("offsets do not account for the fees"),
            std::string::npos)
      << refused.problem()->text();
  fs::create_directories(world.root() / "Settlement/archive");
  world.put("Settlement/archive/busfile.txt.1", "201412050007,BUS,IN,1050,60\n");
  StatementBook archived;
  const Result<std::optional<Problem>> accepted = archived.resume(world.root());
  EXPECT_TRUE(accepted) << accepted.problem()->text();
}

// The settlement's resume at start reads its state and its statement: any
// of its calls failing refuses the resume, naming the file and the error,
// and leaves both files as they were; run again, it resumes where the book
// stands.
TEST(StatementBook, AResumeFailingAtAnyCallIsRefusedAndLeavesTheBookAsItWas) {
  World world;
  {
    CommittedBook committed(world);
    ASSERT_EQ(committed.book.commit(lineOf(2, 200), {}).outcome,
              StatementBook::Outcome::kCommitted);
  }
  const std::string statement = world.get("statement.csv");
  const std::string state = world.get("settlement.state");
  size_t calls = 0;
  SettledCursor cursor;
  {
    FileFaults counted;
    StatementBook book;
    ASSERT_TRUE(book.resume(world.root()));
    calls = counted.calls().size();
    cursor = book.cursor();
  }
  ASSERT_GE(calls, 4u);
  for (size_t n = 1; n <= calls; ++n) {
    std::optional<FileFaults> faults(std::in_place);
    faults->failCall(n, EIO);
    StatementBook book;
    const Result<std::optional<Problem>> resumed = book.resume(world.root());
    const std::vector<FileCall> made = faults->calls();
    faults.reset();
    SCOPED_TRACE(describeCall(made, n));
    if (const Problem* problem = resumed.problem()) {
      EXPECT_NE(problem->text().find("Input/output error"), std::string::npos) << problem->text();
    } else {
      // A call whose failure costs nothing (a close): the same book.
      EXPECT_EQ(made[n - 1].name, "close");
      EXPECT_EQ(book.nextCycle(), 3);
      EXPECT_EQ(book.cursor(), cursor);
    }
    EXPECT_EQ(world.get("statement.csv"), statement);
    EXPECT_EQ(world.get("settlement.state"), state);
    StatementBook again;
    ASSERT_TRUE(again.resume(world.root()));
    EXPECT_EQ(again.nextCycle(), 3);
  }
}
