// The statement as people read it: which lines are cycles, and totals that
// run past what one line's amounts can hold.
#include "common/formats/statement_table.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(StatementTable, ReadsTheCyclesAndCountsTheLinesThatHoldNone) {
  const std::string header(kStatementHeader);
  struct Case {
    std::string text;
    bool read;
    size_t cycles;
    size_t skipped;
  };
  const std::vector<Case> cases = {
      {"", true, 0, 0},
      {header, true, 0, 0},
      {"cycle,clock\n1,202612070008,0,0,0,0,0\n", false, 0, 0},
      {header + "1,202612070008,1,1050,0,1050,0\n", true, 1, 0},
      {header + "1,202612070008,1,1050,0,1050,0", true, 0, 1},  // its line feed not yet written
      {header + "1,202612070008,1,1050,0,1000,0\n2,202612070016,0,0,0,0,0\n", true, 1, 1},
      {header + "\n01,202612070008,0,0,0,0,0\n", true, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<StatementCycles> statement = readStatementCycles(c.text);
    ASSERT_EQ(statement.has_value(), c.read);
    if (!statement) continue;
    EXPECT_EQ(statement->cycles.size(), c.cycles);
    EXPECT_EQ(statement->skipped, c.skipped);
  }
}

TEST(StatementTable, TotalsRunPastSixtyFourBits) {
  const std::string line = "9223372036854775807,0,9223372036854775807,0,9223372036854775807\n";
  const auto statement = readStatementCycles(std::string(kStatementHeader) + "1,202612070008," +
                                             line + "2,202612070016," + line);
  ASSERT_TRUE(statement);
  ASSERT_EQ(statement->cycles.size(), 2u);
  EXPECT_NE(statementTable(*statement, false)
                .find("after cycle 2: BUS 0, METRO 18446744073709551614, together "
                      "18446744073709551614: the fees of 18446744073709551614 records settled"),
            std::string::npos)
      << statementTable(*statement, false);
  const std::string chart = statementChart(statement->cycles, "a & b");
  EXPECT_NE(chart.find("a &amp; b: BUS and METRO shares, cycles 1 to 2"), std::string::npos);
  EXPECT_NE(chart.find("BUS 0, METRO 18446744073709551614"), std::string::npos);
  EXPECT_TRUE(looksLikeSvg(chart));
  EXPECT_FALSE(looksLikeSvg("cycle,clock\n"));
}

// A statement read a block at a time, as the settlement reads its file,
// comes out in the same rows as the same text read whole, over-long lines
// and a last line without its line feed included.
TEST(StatementReader, CutsTheSameRowsWhateverTheBlocks) {
  const std::string text = std::string(kStatementHeader) + "1,202612070008,1,1050,0,1050,0\n\n" +
                           std::string(5000, '7') + "\n2,202612070016,0,0,0,0,0\n3,20261207";
  using Row = std::tuple<long long, std::string, bool, bool, std::optional<StatementLine>>;
  const auto rowsOf = [&](size_t block) {
    std::vector<Row> rows;
    const auto keep = [&](const StatementRow& r) {
      rows.emplace_back(r.number, std::string(r.text), r.ended, r.header, r.line);
    };
    StatementReader reader;
    for (size_t at = 0; at < text.size(); at += block) {
      reader.read(std::string_view(text).substr(at, block), keep);
    }
    reader.end(keep);
    return rows;
  };
  const std::vector<Row> whole = rowsOf(text.size());
  ASSERT_EQ(whole.size(), 6u);
  EXPECT_TRUE(std::get<3>(whole[0]));
  EXPECT_TRUE(std::get<4>(whole[1]));
  EXPECT_EQ(std::get<1>(whole[3]).size(), kStatementLineMax + 1);
  EXPECT_FALSE(std::get<4>(whole[3]));
  EXPECT_EQ(std::get<4>(whole[4])->cycle, 2);
  EXPECT_FALSE(std::get<2>(whole[5]));
  EXPECT_EQ(std::get<0>(whole[5]), 6);
  for (const size_t block : {1, 2, 7, 4096, 4097}) {
    EXPECT_EQ(rowsOf(block), whole) << block;
  }
}
