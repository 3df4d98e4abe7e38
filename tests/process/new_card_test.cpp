// Provisioning a card with scripts/new-card: what it writes, and the
// balances and card numbers it refuses (status 1) and the worlds it cannot
// take (status 2).
#include <gtest/gtest.h>

#include "support/program.h"
#include "support/world.h"

TEST(NewCard, WritesOneFirstRecordAndRefusesWhatNoCardCanStartWith) {
  World world;  // the script runs in its root, so root/world is the default world
  std::filesystem::create_directories(world.root() / "world" / "customer");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const std::vector<Case> cases = {
      {{"1234", "10000"}, 0, "provisioned"},
      {{"1234", "500"}, 1, "already exists"},
      {{"--force", "1234", "007"}, 0, "provisioned"},
      {{"888", "-100"}, 1, "negative"},
      {{"888", "-0"}, 0, "provisioned"},
      {{"889", "2147483648"}, 1, "32-bit"},
      {{"889", "12x"}, 1, "32-bit"},
      {{"../889", "100"}, 1, "invalid card number"},
      {{"889", "100", world.dir("Settlement")}, 2, "is no world"},
  };
  for (const Case& c : cases) {
    std::string command;
    for (const std::string& arg : c.args) command += arg + " ";
    SCOPED_TRACE(command);
    Program script(scriptPath("new-card"), c.args, world.root().string());
    EXPECT_EQ(script.waitExit(10s), c.status);
    ASSERT_TRUE(script.waitOutputEnd(10s));
    EXPECT_NE(script.output().find(c.says), std::string::npos) << script.output();
  }
  EXPECT_EQ(world.get("world/customer/1234.txt"), "000000000000,NEW,OUT,7,00\n");
  EXPECT_EQ(world.get("world/customer/888.txt"), "000000000000,NEW,OUT,0,00\n");
  EXPECT_FALSE(world.exists("world/customer/889.txt"));
}
