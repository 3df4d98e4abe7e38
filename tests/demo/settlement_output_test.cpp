// The settlement's result blocks read back from its console: whole blocks
// only, in order, whatever comes around them.
#include "demo/settlement_output.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kTitle = "============ EXACT CALCULATION RESULT ===========\n";

std::string block(const std::string& bus, const std::string& metro) {
  return kTitle + "==== BUS : " + bus + " ==============\n==== METRO : " + metro +
         " =============\n";
}

TEST(SettlementOutput, WholeResultBlocksAreReadInOrder) {
  struct Case {
    const char* name;
    std::string output;
    std::vector<std::pair<long long, long long>> results;
  };
  const std::vector<Case> cases = {
      {"nothing printed yet", "", {}},
      {"two blocks, the later last",
       block("0", "1050") + block("1050", "2900"),
       {{0, 1050}, {1050, 2900}}},
      {"a block after a message without a line end",
       "Time Write Fail" + block("5", "-7"),
       {{5, -7}}},
      {"a block whose metro line has not come yet",
       block("1", "2") + kTitle + "==== BUS : 3 ==============\n==== METRO : 4",
       {{1, 2}}},
      {"a block broken by another line",
       kTitle + "1 LINE : 12070008\n" + block("8", "9").substr(kTitle.size()),
       {}},
      {"amounts that are no numbers",
       block("", "1") + block("1x", "2") + block("3", "99999999999999999999"),
       {}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<long long, long long>> read;
    for (const SettlementResult& result : settlementResults(c.output)) {
      read.emplace_back(result.bus, result.metro);
      EXPECT_EQ(result.text, block(std::to_string(result.bus), std::to_string(result.metro)))
          << c.name;
    }
    EXPECT_EQ(read, c.results) << c.name;
  }
}

}  // namespace
