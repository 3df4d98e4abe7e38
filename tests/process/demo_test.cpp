// The demo run whole: the scripted day played through the real programs,
// each tap charged as its scene says, then the logs, the result, the audit
// and the statement, status 0; and beside a settlement that will not start,
// which it says, status 1. Either way its temporary world is gone at the
// end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/program.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWorldLine = "== world in ";

// The programs the demo runs, as links to the built ones in `folder`, with
// the demo itself copied beside them (it runs the programs beside its own
// executable) and `settlement` as settlement_fast.
void programsIn(const fs::path& folder, const std::string& settlement) {
  fs::copy_file(programPath("demo"), folder / "demo");
  for (const char* program : {"bus_terminal", "metro_terminal"}) {
    fs::create_symlink(programPath(program), folder / program);
  }
  const fs::path fake = folder / "settlement_fast";
  {
    std::ofstream out(fake);
    out << settlement;
  }
  fs::permissions(fake, fs::perms::owner_all);
}

}  // namespace

TEST(Demo, PlaysTheDayOrSaysWhichProgramDidNotStart) {
  struct Case {
    const char* name;
    const char* settlement;  // a stand-in for settlement_fast; null: the real one
    int status;
    std::vector<std::string> inOrder;
  };
  const std::string metro = "Cardfile Write ! | Readefile Write! | ";
  const std::vector<Case> cases = {
      {"the scripted day",
       nullptr,
       0,
       {"   card 4444 provisioned with balance 500",
        "== settlement_fast runs the clock",
        "== terminals up: bus, metro0, metro3, showing the clock as 2014/ ",
        " metro0] 1111 IN    " + metro + "FEE : 1050 | VALANCE : 8950\n",
        " metro3] 1111 OUT   " + metro + "FEE : 200 | VALANCE : 8750\n",
        " metro3] 2222 OUT   " + metro + "FEE : 0 | VALANCE : 8950\n",
        " bus] 3333 IN    FEE : 1050 | VALANCE : 8950 | Cardfile Write ! | Readefile Write!\n",
        " metro0] 3333 IN    " + metro + "FEE : 0 | VALANCE : 8950\n",
        " metro3] 3333 OUT   " + metro + "FEE : 600 | VALANCE : 8350\n",
        " bus] 1111 OUT   FEE : 0 | VALANCE : 8750 | Cardfile Write ! | Readefile Write!\n",
        " metro0] 4444 IN    Lack!\n",
        "== trip logs\n   busfile.txt: ",
        "   Metrofile3.txt: ",
        "== settlement result after the last tap\n============ EXACT CALCULATION RESULT",
        "== BUS 1050 + METRO 2900 = 3950; fees in the trip logs: 3950\n",
        "\n   reconciled: ",
        "== the statement",
        "\n   after cycle ",
        ": BUS 1050, METRO 2900, together 3950",
        "== done: "}},
      {"a settlement that will not start",
       "#!/bin/sh\necho cannot settle here >&2\nexit 3\n",
       1,
       {"demo: settlement_fast wrote no clock (settlement_fast ended with status 3); it "
        "printed: cannot settle here\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World folder;
    std::string demo = programPath("demo");
    if (c.settlement) {
      programsIn(folder.root(), c.settlement);
      demo = (folder.root() / "demo").string();
    }
    Program run(demo, {}, folder.root().string());
    EXPECT_EQ(run.waitExit(60s), c.status);
    ASSERT_TRUE(run.waitOutputEnd(10s));
    const std::string output = run.output();
    size_t at = 0;
    for (const std::string& text : c.inOrder) {
      at = output.find(text, at);
      ASSERT_NE(at, std::string::npos) << "no \"" << text << "\" in order in:\n" << output;
    }
    const size_t world = output.find(kWorldLine);
    ASSERT_NE(world, std::string::npos) << output;
    const size_t from = world + kWorldLine.size();
    EXPECT_FALSE(fs::exists(output.substr(from, output.find('\n', from) - from))) << output;
  }
}
