// The card tool on a world: what it lists, shows and appends, the top-ups it
// refuses with the card left as it was, a top-up made while a tap holds the
// card, and the audit after a top-up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "settlement_support.h"

namespace fs = std::filesystem;

namespace {

const std::string kHistory = "000000000000,NEW,OUT,10000,00\n201412050907,METRO,IN,8950,21\n";

// Holds card 1234's lock for a moment, as a terminal's tap does, and lets
// `tap` change the card meanwhile.
std::thread holdCard(const World& world, std::function<void()> tap) {
  const int fd = open((world.root() / "customer/1234.txt").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(flock(fd, LOCK_EX), 0);
  return std::thread([fd, tap] {
    std::this_thread::sleep_for(500ms);
    tap();
    close(fd);
  });
}

}  // namespace

TEST(CardTool, ListsShowsAndTopsUpUnderTheCardsLockAndRefusesWhatCannotBeCredited) {
  struct Case {
    const char* what;
    std::vector<std::string> args;  // the world's root is added last
    std::function<std::thread(const World&)> setup;
    int status;
    std::string says;
    std::string card;  // 1234.txt afterwards
  };
  const auto none = [](const World&) { return std::thread(); };
  const auto put = [](std::string card, std::string text) {
    return [card, text](const World& w) {
      w.putCard(card, text);
      return std::thread();
    };
  };
  const std::string topped = kHistory + "201412071236,TOPUP,IN,13950,21\n";
  const std::string refused = "nothing was written";
  const std::vector<Case> cases = {
      {"list",
       {"list"},
       none,
       0,
       "1234                    8950  2014-12-05 09:07 METRO IN\n",
       kHistory},
      {"show",
       {"show", "1234"},
       none,
       0,
       "card 1234: balance 8950\n"
       "time              transport  direction       fee   top-up     balance  journey\n"
       "-                 NEW        OUT                                10000  00\n"
       "2014-12-05 09:07  METRO      IN             1050                 8950  21\n",
       kHistory},
      {"top-up", {"top-up", "1234", "5000"}, none, 0, "balance 8950 -> 13950", topped},
      {"top-up before the world has a clock",
       {"top-up", "1234", "05000"},
       [](const World& w) {
         fs::remove(w.root() / "time/time.txt");
         return std::thread();
       },
       0,
       "",
       kHistory + "000000000000,TOPUP,IN,13950,21\n"},
      {"up to the largest balance",
       {"top-up", "1234", "2147474697"},
       none,
       0,
       "-> 2147483647",
       kHistory + "201412071236,TOPUP,IN,2147483647,21\n"},
      {"past the largest balance",
       {"top-up", "1234", "2147474698"},
       none,
       1,
       "past 2147483647",
       kHistory},
      {"amount 0", {"top-up", "1234", "0"}, none, 1, "from 1 to 2147483647", kHistory},
      {"negative amount", {"top-up", "1234", "-5"}, none, 1, "from 1 to 2147483647", kHistory},
      {"amount past 32 bits", {"top-up", "1234", "4294967296"}, none, 1, "from 1 to", kHistory},
      {"amount not a number", {"top-up", "1234", "12x"}, none, 1, "from 1 to", kHistory},
      {"no line feed at the end",
       {"top-up", "1234", "5"},
       put("1234", "000000000000,NEW,OUT,100,00"),
       1,
       "does not end with a line feed; " + refused,
       "000000000000,NEW,OUT,100,00"},
      {"last line holds no record",
       {"top-up", "1234", "5"},
       put("1234", kHistory + "garbage\n"),
       1,
       "holds no record; " + refused,
       kHistory + "garbage\n"},
      {"no such card", {"top-up", "4321", "5"}, none, 1, "no such card", kHistory},
      {"a card number that is a path",
       {"show", "../1234"},
       none,
       1,
       "invalid card number",
       kHistory},
      {"a hard link",
       {"top-up", "1234", "5"},
       [](const World& w) {
         fs::create_hard_link(w.root() / "customer/1234.txt", w.root() / "outside.txt");
         return std::thread();
       },
       1,
       "second name",
       kHistory},
      {"a symbolic link",
       {"top-up", "1234", "5"},
       [](const World& w) {
         w.put("outside.txt", kHistory);
         fs::remove(w.root() / "customer/1234.txt");
         fs::create_symlink(w.root() / "outside.txt", w.root() / "customer/1234.txt");
         return std::thread();
       },
       1,
       "symbolic link",
       kHistory},
      {"a tap holds the card and appends",
       {"top-up", "1234", "5000"},
       [](const World& w) {
         return holdCard(
             w, [&w] { w.putCard("1234", kHistory + "201412050915,METRO,OUT,8750,22\n"); });
       },
       0,
       "balance 8750 -> 13750",
       kHistory + "201412050915,METRO,OUT,8750,22\n201412071236,TOPUP,IN,13750,22\n"},
      {"the card is replaced while the tool waits",
       {"top-up", "1234", "5000"},
       [](const World& w) {
         return holdCard(w, [&w] {
           w.put("customer/new.tmp", "000000000000,NEW,OUT,20000,00\n");
           fs::rename(w.root() / "customer/new.tmp", w.root() / "customer/1234.txt");
         });
       },
       0,
       "balance 20000 -> 25000",
       "000000000000,NEW,OUT,20000,00\n201412071236,TOPUP,IN,25000,00\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    world.setClock("202612071236\n");
    world.putCard("1234", kHistory);
    std::thread holder = c.setup(world);
    std::vector<std::string> args = c.args;
    args.push_back(world.root().string());
    Program card(programPath("card"), args, world.root().string());
    EXPECT_EQ(card.waitExit(20s), c.status);
    ASSERT_TRUE(card.waitOutputEnd(10s));
    if (holder.joinable()) holder.join();
    EXPECT_NE(card.output().find(c.says), std::string::npos) << card.output();
    EXPECT_EQ(world.card("1234"), c.card);
    EXPECT_FALSE(world.exists("customer/4321.txt"));
    if (world.exists("outside.txt")) {
      EXPECT_EQ(world.get("outside.txt"), kHistory);
    }
  }
}

TEST(CardTool, TopUpsAreCreditsTheAuditCountsPerCard) {
  World world;
  world.setClock("202612071236\n");
  world.putCard("1234", kHistory);
  world.putCard("5678", "000000000000,NEW,OUT,3000,00\n");
  world.put("Metro/Metrofile2.txt", "201412050907,METRO,IN,1050,21\n");
  for (const auto& [card, amount] : {std::pair{"1234", "5000"}, {"1234", "50"}, {"5678", "700"}}) {
    Program topUp(scriptPath("card"), {"top-up", card, amount, world.root().string()}, ".");
    EXPECT_EQ(topUp.waitExit(10s), 0);
  }
  auto audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(10s), 0) << audit->output();
  EXPECT_NE(audit->output().find("card 1234 was topped up 5050 (2 top-ups)\n"
                                 "card 5678 was topped up 700 (1 top-up)\n"),
            std::string::npos)
      << audit->output();

  // A credit by hand that is no top-up is named by its card and line.
  world.putCard("5678", world.card("5678") + "201412071300,METRO,OUT,4000,00\n");
  audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(10s), 1);
  EXPECT_NE(audit->output().find(
                "300 credited to card 5678 on line 3 is neither a provisioning nor a top-up\n"),
            std::string::npos)
      << audit->output();
}
