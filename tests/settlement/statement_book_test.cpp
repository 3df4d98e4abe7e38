// Committing the statement: a line reaches the statement only with the
// state that accounts for it; a line that cannot be appended takes the
// state back; a line a kill left unwritten is written at the next start.
#include "settlement/statement_book.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "support/world.h"

namespace {

StatementLine lineOf(long long cycle, long long fee) {
  return {cycle, "201412050010", fee != 0 ? 1 : 0, {fee, 0}, {fee, 0}};
}

const std::string kHeader(kStatementHeader);

}  // namespace

TEST(StatementBook, ALineThatCannotBeAppendedTakesItsStateBackAndAKilledOneIsWrittenAtStart) {
  World world;
  std::string warning;
  StatementBook book;
  ASSERT_FALSE(book.open(world.root(), warning));
  const SettledCursor cursor = {{FileIdentity{1, 2, 3, 4}, 56}};
  ASSERT_EQ(book.commit(lineOf(1, 1050), cursor).outcome, StatementBook::Outcome::kCommitted);
  const std::string first = kHeader + formatStatementLine(lineOf(1, 1050));
  EXPECT_EQ(world.get("statement.csv"), first);
  const std::string committed = world.get("settlement.state");
  EXPECT_EQ(decodeState(committed)->cursor, cursor);

  // Room for the state, not for the statement's next line.
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit tight{committed.size() + 10, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &tight);
  const StatementBook::Commit failed = book.commit(lineOf(2, 200), {});
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(failed.outcome, StatementBook::Outcome::kFailed);
  EXPECT_NE(failed.problem.find("File too large"), std::string::npos) << failed.problem;
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
  ASSERT_FALSE(restarted.open(world.root(), warning));
  EXPECT_EQ(world.get("statement.csv"), second);
  EXPECT_EQ(restarted.nextCycle(), 3);

  // A line added by hand is no torn line: the book refuses.
  world.put("statement.csv", second + formatStatementLine(lineOf(3, 0)));
  StatementBook doubted;
  const auto problem = doubted.open(world.root(), warning);
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("after its last line"), std::string::npos) << *problem;
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
  SettlementState state{88, line, {{FileIdentity{2049, 77, 1733570000, 5}, 450}}};
  const std::string text = encodeState(state);
  EXPECT_EQ(decodeState(text), state);
  // A cursor moved back by hand would settle its records again.
  std::string edited = text;
  edited.replace(edited.find(" 450\n"), 4, " 0");
  for (const std::string& bad :
       {text.substr(0, text.size() - 4), text + "end\n", "x" + text,
        text.substr(0, text.find("cursor")) + "cursor 1 2 3 4 -5\nend\n", edited}) {
    EXPECT_FALSE(decodeState(bad)) << bad;
  }
  // A state written before states carried their check is still read.
  const std::string unchecked =
      "fares settlement state 1\n" +
      text.substr(text.find('\n') + 1, text.rfind("end") - text.find('\n') - 1) + "end\n";
  EXPECT_EQ(decodeState(unchecked), state) << unchecked;
}
