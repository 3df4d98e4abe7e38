// The world's tools from their scripts, as a careless user runs them: links
// inside a world, a world named through a link, chart targets that are the
// world's own files, "--", a missing world and a directory that is no world.
// Each answers with the one convention (2: a command line or a path it
// cannot take, 1: refused, 0: done), and nothing outside the world is ever
// changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "support/program.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

const std::string kStatement =
    "cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share\n"
    "1,202612070008,1,1050,0,1050,0\n";
const std::string kCard = "000000000000,NEW,OUT,10000,00\n201412070008,BUS,IN,8950,61\n";

struct Fixture {
  World world;
  World outside;  // where links from the world lead
  std::unique_ptr<Program> bus;

  fs::path link() const { return outside.root() / "linked-world"; }
  // A world that has settled a trip and archived a hand-over file.
  void settled() const {
    world.putCard("1234", kCard);
    world.put("Bus/busfile.txt", "201412070008,BUS,IN,1050,61\n");
    world.put("statement.csv", kStatement);
    world.put("settlement.state", "state\n");
    fs::create_directory(world.root() / "Settlement/archive");
    world.put("Settlement/archive/busfile.txt.1", "");
  }
  void runBus() {
    bus = std::make_unique<Program>(programPath("bus_terminal"), std::vector<std::string>{},
                                    world.dir("Bus"));
    ASSERT_TRUE(bus->waitFor("COMMAND LINE_:", 10s)) << bus->output();
  }
  // Every path below `root` with its content: what a tool must leave as it is.
  static std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      files[entry.path().string()] = entry.is_regular_file() ? readFile(entry.path()) : "";
    }
    return files;
  }
};

bool isThere(const fs::path& path) {
  return fs::exists(fs::symlink_status(path));
}

}  // namespace

TEST(WorldTools, RefuseWithOneConventionAndNeverChangeAnythingOutsideTheWorld) {
  struct Case {
    const char* what;
    std::function<void(Fixture&)> setup;
    std::string script;
    std::vector<std::string> args;  // {world}, {link} and {outside} stand for those paths
    int status;
    std::string says;
    std::function<void(Fixture&)> check;
  };
  const auto none = [](Fixture&) {};
  const auto world = [](const char* relative, std::string content) {
    return [relative, content](Fixture& f) { f.world.put(relative, content); };
  };
  const auto unchanged = [](const char* relative, std::string content) {
    return [relative, content](Fixture& f) { EXPECT_EQ(f.world.get(relative), content); };
  };
  const std::vector<Case> cases = {
      {"links among the trips are removed as links, a link to a directory is not entered",
       [](Fixture& f) {
         f.settled();
         f.outside.put("Settlement/archive/busfile.txt.1", "201412070008,BUS,IN,1050,61\n");
         fs::create_directory_symlink(f.outside.dir("Settlement"), f.world.root() / "notes");
         fs::create_directory(f.world.root() / "report");
         fs::create_directory_symlink(f.outside.dir("Settlement/archive"),
                                      f.world.root() / "report/archive");
         fs::create_symlink(f.outside.root() / "Settlement/archive/busfile.txt.1",
                            f.world.root() / "Bus/busfile.txt.2");
         fs::create_symlink(f.outside.root() / "Settlement",
                            f.world.root() / "Metro/Metrofile0.txt");
       },
       "world",
       {"--reset-trips", "{world}"},
       0,
       "removed report/archive",
       [](Fixture& f) {
         for (const char* trip : {"Bus/busfile.txt.2", "Metro/Metrofile0.txt", "report/archive",
                                  "Settlement/archive", "statement.csv", "settlement.state"}) {
           EXPECT_FALSE(isThere(f.world.root() / trip)) << trip;
         }
         EXPECT_TRUE(fs::is_symlink(f.world.root() / "notes"));
         EXPECT_EQ(f.world.card("1234"), "000000000000,NEW,OUT,8950,00\n");
       }},
      {"a world named through a link does not reset while one of its programs runs",
       [](Fixture& f) {
         f.settled();
         f.runBus();
       },
       "world",
       {"--reset-trips", "{link}"},
       1,
       "is running (bus_terminal (process",
       unchanged("statement.csv", kStatement)},
      {"a world named through a link stops",
       [](Fixture& f) { f.runBus(); },
       "world",
       {"--stop", "--", "{link}"},
       0,
       "== ending bus_terminal (process",
       [](Fixture& f) { EXPECT_TRUE(f.bus->waitExit(1s)); }},
      {"nothing is reset through a programs' directory that is a link",
       [](Fixture& f) {
         f.outside.put("Bus/busfile.txt", "201412070008,BUS,IN,1050,61\n");
         fs::remove(f.world.root() / "Bus");
         fs::create_directory_symlink(f.outside.dir("Bus"), f.world.root() / "Bus");
       },
       "world",
       {"--reset-trips", "{world}"},
       1,
       "Bus is a symbolic link",
       none},
      {"a chart over the statement",
       world("statement.csv", kStatement),
       "statement",
       {"--svg", "{world}/statement.csv", "{world}"},
       1,
       "the settlement's statement.csv",
       unchanged("statement.csv", kStatement)},
      {"a chart into a directory of the programs",
       world("statement.csv", kStatement),
       "statement",
       {"--svg", "{link}/Metro/chart.svg", "{link}"},
       1,
       "a directory of the world's programs",
       none},
      {"a chart over a file that is no SVG",
       [](Fixture& f) {
         f.world.put("statement.csv", kStatement);
         f.world.put("notes.txt", "mine\n");
       },
       "statement",
       {"--svg", "{world}/notes.txt", "{world}"},
       1,
       "is no SVG chart",
       unchanged("notes.txt", "mine\n")},
      {"a chart into a missing directory is one line, with no table first",
       world("statement.csv", kStatement),
       "statement",
       {"--svg", "{world}/nowhere/chart.svg", "{world}"},
       1,
       "is no directory\n",
       [](Fixture& f) { EXPECT_FALSE(isThere(f.world.root() / "nowhere")); }},
      {"a statement with no cycle leaves nothing to draw",
       world("statement.csv", kStatement.substr(0, kStatement.find('\n') + 1)),
       "statement",
       {"--svg", "{world}/chart.svg", "{world}"},
       1,
       "nothing to draw",
       [](Fixture& f) { EXPECT_FALSE(isThere(f.world.root() / "chart.svg")); }},
      {"a chart over a chart at the root of a world named through a link",
       [](Fixture& f) {
         f.world.put("statement.csv", kStatement);
         f.world.put("chart.svg", "<svg></svg>\n");
       },
       "statement",
       {"--svg", "{link}/chart.svg", "--", "{link}"},
       0,
       "chart written to",
       [](Fixture& f) {
         EXPECT_NE(f.world.get("chart.svg").find("BUS 1050, METRO 0"), std::string::npos);
       }},
      {"a statement not yet written",
       none,
       "statement",
       {"{world}"},
       1,
       "does not exist yet",
       none},
      {"a card number after --",
       none,
       "new-card",
       {"--", "-7", "500", "{world}"},
       0,
       "card -7 provisioned",
       unchanged("customer/-7.txt", "000000000000,NEW,OUT,500,00\n")},
      {"a world the simulation left is a world",
       world("report/report.json", "{}\n"),
       "world",
       {"{world}"},
       0,
       "Start each program in its own terminal",
       unchanged("customer/9999.txt", "000000000000,NEW,OUT,500,00\n")},
      {"a directory that is neither empty nor a world is not laid out",
       [](Fixture& f) { f.outside.put("Settlement/notes.txt", "mine\n"); },
       "world",
       {"{outside}/Settlement"},
       2,
       "neither empty nor a world",
       none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    fs::create_directory_symlink(f.world.root(), f.link());
    c.setup(f);
    const auto outsideBefore = Fixture::contents(f.outside.root());
    const std::map<std::string, std::string> places = {{"{world}", f.world.root().string()},
                                                       {"{link}", f.link().string()},
                                                       {"{outside}", f.outside.root().string()}};
    std::vector<std::string> args;
    for (std::string arg : c.args) {
      for (const auto& [name, path] : places) {
        if (arg.starts_with(name)) arg = path + arg.substr(name.size());
      }
      args.push_back(arg);
    }
    Program script(scriptPath(c.script), args, f.outside.root().string());
    EXPECT_EQ(script.waitExit(30s), c.status);
    ASSERT_TRUE(script.waitOutputEnd(10s));
    const std::string output = script.output();
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    if (c.status == 1) {
      EXPECT_EQ(output.find('\n'), output.size() - 1) << output;  // one line
    }
    c.check(f);
    EXPECT_EQ(Fixture::contents(f.outside.root()), outsideBefore);
  }

  // A world that is missing is no world, for every tool.
  World outside;
  const std::string missing = (outside.root() / "missing").string();
  for (const auto& [script, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"statement", {missing}},
           {"audit", {missing}},
           {"card", {"list", missing}},
           {"new-card", {"1", "1", missing}},
           {"world", {"--stop", missing}},
           {"world", {"--reset-trips", missing}}}) {
    SCOPED_TRACE(script + " " + args.front());
    Program tool(scriptPath(script), args, ".");
    EXPECT_EQ(tool.waitExit(10s), 2);
    ASSERT_TRUE(tool.waitOutputEnd(10s));
    EXPECT_NE(tool.output().find("is no world"), std::string::npos) << tool.output();
    EXPECT_FALSE(isThere(missing));
  }
}
