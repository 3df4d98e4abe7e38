// A card file changed by a tool while a tap is in hand: replaced by a top-up
// made under the card's own lock, or rewritten, cut, removed or renamed away
// by one that ignores it. The tap is charged from the card as it stands when its
// record is written, or not at all; a record never goes to a file the tap
// was not decided from, and nothing the tool wrote is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kClock = "201412050940";
const std::string kHistory = "201412050700,METRO,OUT,10000,05\n";
const std::string kTopUp = kHistory + "201412050930,METRO,OUT,15000,05\n";

// Waits until process `pid` has `path` open.
bool waitUntilOpen(pid_t pid, const fs::path& path) {
  const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
  for (int i = 0; i < 1000; ++i) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator(fds, error)) {
      if (fs::read_symlink(fd.path(), error) == path) return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

}  // namespace

TEST(RobustReplacedCard, ChargedFromTheCardAsItStandsAndNeverIntoAnotherFile) {
  struct Case {
    const char* name;
    const char* lockedFile;  // what the tool holds while the tap waits for it
    std::function<void(const World&)> change;
    std::string shows;
    std::optional<std::string> card;  // customer/1234.txt afterwards; nullopt: none
    std::string tripLog;
    const char* keptFile;  // a file the tool left that must stay as it was
    std::string kept;
  };
  const std::string stamp = kClock;
  const std::vector<Case> cases = {
      {"topped up and renamed over under the card's lock", "customer/1234.txt",
       [](const World& w) {
         w.put("customer/1234.top", kTopUp);
         fs::rename(w.root() / "customer/1234.top", w.root() / "customer/1234.txt");
       },
       metroCharged(1050, 13950), kTopUp + stamp + ",METRO,IN,13950,11\n",
       stamp + ",METRO,IN,1050,11\n", nullptr, ""},
      {"rewritten in place to the same length", "Metro/Metrofile1.txt",
       [](const World& w) {
         const int fd = open((w.root() / "customer/1234.txt").c_str(), O_WRONLY | O_CLOEXEC);
         const std::string topUp = "201412050700,METRO,OUT,15000,05\n";
         EXPECT_EQ(pwrite(fd, topUp.data(), topUp.size(), 0), static_cast<ssize_t>(topUp.size()));
         close(fd);
       },
       metroCharged(1050, 13950),
       "201412050700,METRO,OUT,15000,05\n" + stamp + ",METRO,IN,13950,11\n",
       stamp + ",METRO,IN,1050,11\n", nullptr, ""},
      {"cut to nothing", "Metro/Metrofile1.txt",
       [](const World& w) { fs::resize_file(w.root() / "customer/1234.txt", 0); },
       "Cardfile Read Error!\n", "", "", nullptr, ""},
      {"removed", "Metro/Metrofile1.txt",
       [](const World& w) { fs::remove(w.root() / "customer/1234.txt"); }, "File open failed",
       std::nullopt, "", nullptr, ""},
      {"renamed away", "Metro/Metrofile1.txt",
       [](const World& w) {
         fs::rename(w.root() / "customer/1234.txt", w.root() / "customer/1234.old");
       },
       "File open failed", std::nullopt, "", "customer/1234.old", kHistory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.putCard("1234", kHistory);
    world.put("Metro/Metrofile1.txt", "");
    auto metro = TapSession::metro(world, 1, kClock);

    const fs::path locked = fs::canonical(world.root() / c.lockedFile);
    const int tool = open(locked.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(tool, 0);
    ASSERT_EQ(flock(tool, LOCK_EX), 0);
    metro->type("1234 IN");
    ASSERT_TRUE(waitUntilOpen(metro->program().pid(), locked)) << metro->program().output();
    c.change(world);
    close(tool);

    EXPECT_EQ(metro->tapOutput(), c.shows);
    EXPECT_EQ(world.exists("customer/1234.txt"), c.card.has_value());
    EXPECT_EQ(world.card("1234"), c.card.value_or(""));
    EXPECT_EQ(world.get("Metro/Metrofile1.txt"), c.tripLog);
    if (c.keptFile != nullptr) {
      EXPECT_EQ(world.get(c.keptFile), c.kept);
    }
  }
}
