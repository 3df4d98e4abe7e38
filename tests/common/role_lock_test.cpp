// Claims of a role that cannot be had, made without taking one: what is in
// the way is said as the end of the refusal's sentence, with its kind.
#include "common/process/role_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/world.h"

namespace fs = std::filesystem;

TEST(ClaimRole, ALockFileOrPlaceThatCannotBeHadIsSaidWithItsKind) {
  const std::string what =
      " (a lock file is a regular file with one name that the program writes itself: remove it "
      "and start again)";
  struct Case {
    const char* name;
    std::function<void(const World&)> plant;
    std::string root;  // below the world's root
    std::string lock;  // below the world's root
    Problem::Kind kind;
    std::string says;  // the problem's text, the world's root written as "ROOT"
  };
  const std::vector<Case> cases = {
      {"no world root", [](const World&) {}, "missing", "settlement.lock", Problem::Kind::kMissing,
       "not available: ROOT/missing: No such file or directory"},
      {"no directory for the lock file", [](const World&) {}, "", "nowhere/settlement.lock",
       Problem::Kind::kMissing, "not available: ROOT/nowhere: No such file or directory"},
      {"a directory at the lock file's name",
       [](const World& w) { fs::create_directory(w.root() / "settlement.lock"); }, "",
       "settlement.lock", Problem::Kind::kNotRegular,
       "not available: ROOT/settlement.lock: Is a directory" + what},
      {"a symbolic link at the lock file's name",
       [](const World& w) {
         w.put("elsewhere.lock", "1\n");
         fs::create_symlink(w.root() / "elsewhere.lock", w.root() / "settlement.lock");
       },
       "", "settlement.lock", Problem::Kind::kNotRegular,
       "not available: ROOT/settlement.lock: Too many levels of symbolic links" + what},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    c.plant(world);
    const std::string root = world.root().string();
    const Result<void> claimed =
        claimRole(c.root.empty() ? root : root + "/" + c.root, "settlement", root + "/" + c.lock);
    ASSERT_FALSE(claimed.ok());
    std::string says = c.says;
    says.replace(says.find("ROOT"), 4, root);
    EXPECT_EQ(claimed.problem()->text(), says);
    EXPECT_EQ(claimed.problem()->kind(), c.kind);
  }
}
