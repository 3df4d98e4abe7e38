// What every program and script does with its command line: --help prints
// the usage line on standard output and ends with status 0 without doing
// anything else; an unknown option or one argument too many is refused with
// the usage line on standard error and status 2, touching nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/program.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

enum class Stream { Out, Err };

// Runs `path` with `args` in `dir` through the shell so that only one of
// its two output streams is collected.
std::unique_ptr<Program> runKeeping(Stream stream, const std::string& path,
                                    const std::vector<std::string>& args, const std::string& dir) {
  std::vector<std::string> shellArgs = {"-c",
                                        stream == Stream::Out
                                            ? "exec \"$0\" \"$@\" 2>/dev/null"
                                            : "exec \"$0\" \"$@\" 2>&1 >/dev/null",
                                        path};
  shellArgs.insert(shellArgs.end(), args.begin(), args.end());
  return std::make_unique<Program>("/bin/sh", shellArgs, dir);
}

std::set<std::string> everythingIn(const World& world) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(world.root())) {
    paths.insert(entry.path().string());
  }
  return paths;
}

}  // namespace

TEST(Arguments, HelpIsAnsweredAndUnknownOptionsAndExtraArgumentsAreRefused) {
  World world;
  world.setClock("201412050940\n");
  struct Case {
    std::string path;
    std::vector<std::string> args;
    const char* dir;
    int status;
    Stream stream;
    std::string says;
  };
  const std::string script = scriptPath("");
  const std::vector<Case> cases = {
      {programPath("metro_terminal"),
       {"--help"},
       "Metro",
       0,
       Stream::Out,
       "usage: metro_terminal STATION\n"},
      {programPath("metro_terminal"),
       {"2", "extra"},
       "Metro",
       2,
       Stream::Err,
       "usage: metro_terminal"},
      {programPath("metro_terminal"),
       {"--station=2"},
       "Metro",
       2,
       Stream::Err,
       "usage: metro_terminal"},
      {programPath("metro_terminal"),
       {},
       "Metro",
       2,
       Stream::Out,
       "identifier를 입력해야 합니다.\n"},
      {programPath("bus_terminal"), {"--help"}, "Bus", 0, Stream::Out, "usage: bus_terminal\n"},
      {programPath("bus_terminal"), {"ignored"}, "Bus", 2, Stream::Err, "usage: bus_terminal"},
      {programPath("bus_terminal"), {"-v"}, "Bus", 2, Stream::Err, "usage: bus_terminal"},
      {programPath("settlement"), {"-h"}, "Settlement", 0, Stream::Out, "usage: settlement\n"},
      {programPath("settlement_fast"),
       {"x"},
       "Settlement",
       2,
       Stream::Err,
       "usage: settlement_fast"},
      {programPath("audit"), {"--help"}, "", 0, Stream::Out, "usage: audit [WORLD]\n"},
      {programPath("audit"), {world.root().string(), "x"}, "", 2, Stream::Err, "usage: audit"},
      {script + "audit", {"--help"}, "", 0, Stream::Out, "usage: scripts/audit [WORLD]\n"},
      {script + "audit", {"a", "b"}, "", 2, Stream::Err, "usage: scripts/audit"},
      {programPath("card"), {"--help"}, "", 0, Stream::Out, "usage: card list [WORLD] | card show"},
      {programPath("card"),
       {"show", "1234", world.root().string(), "x"},
       "",
       2,
       Stream::Err,
       "usage: card list"},
      {programPath("card"), {"list", "--all"}, "", 2, Stream::Err, "usage: card list"},
      {script + "card", {"-h"}, "", 0, Stream::Out, "usage: scripts/card list [WORLD]"},
      {script + "card", {"top-up", "1234"}, "", 2, Stream::Err, "usage: scripts/card list"},
      {script + "statement", {"--help"}, "", 0, Stream::Out, "usage: scripts/statement"},
      {script + "statement", {"a", "b"}, "", 2, Stream::Err, "usage: scripts/statement"},
      {script + "build", {"--help"}, "", 0, Stream::Out, "usage: scripts/build"},
      {script + "build", {"--debug"}, "", 2, Stream::Err, "usage: scripts/build"},
      {script + "demo", {"--help"}, "", 0, Stream::Out, "usage: scripts/demo\n"},
      {script + "demo", {"now"}, "", 2, Stream::Err, "usage: scripts/demo"},
      {script + "fuzz", {"-h"}, "", 0, Stream::Out, "usage: scripts/fuzz [SECONDS]\n"},
      {script + "fuzz", {"5", "6"}, "", 2, Stream::Err, "usage: scripts/fuzz"},
      {script + "install-deps", {"--help"}, "", 0, Stream::Out, "usage: scripts/install-deps"},
      {script + "install-deps", {"--all"}, "", 2, Stream::Err, "usage: scripts/install-deps"},
      {script + "new-card", {"--help"}, "", 0, Stream::Out, "usage: scripts/new-card"},
      {script + "new-card", {"--balance", "5", "6"}, "", 2, Stream::Err, "usage: scripts/new-card"},
      {script + "test", {"--help"}, "", 0, Stream::Out, "usage: scripts/test"},
      {script + "test", {"--sanitizer", "memory"}, "", 2, Stream::Err, "usage: scripts/test"},
      {script + "world", {"--help"}, "", 0, Stream::Out, "usage: scripts/world"},
      {script + "world", {"one", "two"}, "", 2, Stream::Err, "usage: scripts/world"},
      {script + "world", {"--stop", "--reset-trips"}, "", 2, Stream::Err, "usage: scripts/world"},
      {script + "world", {"--fast", "--stop"}, "", 2, Stream::Err, "usage: scripts/world"},
  };
  const auto before = everythingIn(world);
  for (const Case& c : cases) {
    std::string line = c.path;
    for (const std::string& arg : c.args) line += " " + arg;
    SCOPED_TRACE(line);
    auto program = runKeeping(c.stream, c.path, c.args, world.dir(c.dir));
    EXPECT_EQ(program->waitExit(10s), c.status);
    ASSERT_TRUE(program->waitOutputEnd(10s));
    EXPECT_TRUE(program->output().starts_with(c.says) ||
                program->output().find("; " + c.says) != std::string::npos)
        << program->output();
    EXPECT_EQ(everythingIn(world), before);
  }
}
