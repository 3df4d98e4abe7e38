// Programs that refuse to start: a metro station the settlement never
// collects, a program away from its place in a world (a settlement in a
// directory the world gives another program), a second process for a role
// that is taken, from any network namespace or user. Each says why in one
// line and touches no file of the world: status 2 for a place that is no
// world, 1 for a role taken (the process holding it runs on).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "settlement_support.h"
#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

// Every path in the world with its size: what a refused program must leave.
std::set<std::pair<std::string, uintmax_t>> snapshot(const World& world) {
  std::set<std::pair<std::string, uintmax_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator(world.root())) {
    files.insert({entry.path().string(), entry.is_regular_file() ? entry.file_size() : 0});
  }
  return files;
}

// A process of a user who can only read the world, taking what such a user
// can take of a role: a read lock and an flock on its lock file, and the
// abstract socket name the programs bind for the role (common/process/role_lock.h).
// It holds them from construction until it is destroyed.
class Squatter {
 public:
  Squatter(const World& world, const std::string& lockFile, const std::string& role) {
    struct stat root;
    if (stat(world.root().c_str(), &root) != 0) return;
    const std::string name =
        "fares " + std::to_string(root.st_dev) + ":" + std::to_string(root.st_ino) + " " + role;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path + 1, name.data(), name.size());
    const socklen_t length = offsetof(sockaddr_un, sun_path) + 1 + name.size();
    const std::string path = (world.root() / lockFile).string();
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) squat(path.c_str(), address, length, ready[1]);
    close(ready[1]);
    char byte;
    squats_ = pid_ > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
  }
  ~Squatter() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool squats() const { return squats_; }

 private:
  // In the child: plain system calls only.
  [[noreturn]] static void squat(const char* path, const sockaddr_un& address, socklen_t length,
                                 int ready) {
    const uid_t nobody = 65534;
    if (syscall(SYS_setgroups, 0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) {
      _exit(1);
    }
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    const int file = open(path, O_RDONLY);
    const int name = socket(AF_UNIX, SOCK_STREAM, 0);
    if (file < 0 || fcntl(file, F_OFD_SETLK, &lock) != 0 || flock(file, LOCK_EX) != 0 ||
        bind(name, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        listen(name, 1) != 0 || write(ready, "x", 1) != 1) {
      _exit(1);
    }
    for (;;) pause();
  }

  pid_t pid_ = -1;
  bool squats_ = false;
};

}  // namespace

TEST(StartRefusal, StationsPlacesAndMissingDirectoriesAreRefusedTouchingNothing) {
  World world;
  world.setClock("201412050940\n");
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  fs::create_directory(world.root() / "elsewhere");
  struct Case {
    const char* program;
    std::vector<std::string> args;
    const char* dir;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"metro_terminal", {}, "Metro", "identifier를 입력해야 합니다.\n"},
      {"metro_terminal", {"5"}, "Metro", "one of 0, 1, 2, 3, 4"},
      {"metro_terminal", {"-3"}, "Metro", "one of 0, 1, 2, 3, 4"},
      {"metro_terminal", {"x"}, "Metro", "one of 0, 1, 2, 3, 4"},
      {"metro_terminal", {"2abc"}, "Metro", "one of 0, 1, 2, 3, 4"},
      {"metro_terminal", {"0"}, "Bus", "not a directory named Metro"},
      {"bus_terminal", {}, "Metro", "not a directory named Bus"},
      {"bus_terminal", {}, "elsewhere", "not a directory named Bus"},
      {"settlement_fast", {}, "", "../Bus is missing"},
      // Beside Bus and Metro, but in a directory another program works in.
      {"settlement_fast", {}, "Bus", "not in Bus, Metro, customer or time"},
      {"settlement", {}, "Metro", "not in Bus, Metro, customer or time"},
      {"settlement_fast", {}, "customer", "not in Bus, Metro, customer or time"},
      {"settlement_fast", {}, "time", "not in Bus, Metro, customer or time"},
  };
  const auto before = snapshot(world);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " in " + c.dir);
    Program refused(programPath(c.program), c.args, world.dir(c.dir));
    EXPECT_EQ(refused.waitExit(10s), 2);
    ASSERT_TRUE(refused.waitOutputEnd(10s));
    const std::string output = refused.output();
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_EQ(output.find('\n'), output.size() - 1) << output;  // one line
  }
  // A terminal in its directory, but without customer/ beside it.
  fs::rename(world.root() / "customer", world.root() / "elsewhere" / "customer");
  const auto withoutCustomer = snapshot(world);
  Program bus(programPath("bus_terminal"), {}, world.dir("Bus"));
  EXPECT_EQ(bus.waitExit(10s), 2);
  ASSERT_TRUE(bus.waitOutputEnd(10s));
  EXPECT_NE(bus.output().find("../customer is missing"), std::string::npos) << bus.output();
  EXPECT_EQ(snapshot(world), withoutCustomer);
  fs::rename(world.root() / "elsewhere" / "customer", world.root() / "customer");
  EXPECT_EQ(snapshot(world), before);
}

// A second process for a taken role is refused, the first ones serve on,
// and the role is free again once its holder has gone. The role is the
// process's, not the lock file's: with the file removed or its process id
// overwritten, a second process is still refused and names the holder.
TEST(StartRefusal, ASecondProcessIsRefusedWhateverBecomesOfTheLockFileUntilTheHolderEnds) {
  World world;
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  auto first = TapSession::metro(world, 2, "201412050940");
  auto settlement = startSettlement(world);
  ASSERT_TRUE(settlement->waitFor(resultBlock(0, 0), 10s)) << settlement->output();
  world.setClock("201412050940\n");
  fs::create_directory(world.root() / "elsewhere");

  for (const auto& [program, args, dir] :
       std::vector<std::tuple<const char*, std::vector<std::string>, const char*>>{
           {"metro_terminal", {"2"}, "Metro"},
           {"settlement", {}, "Settlement"},
           {"settlement_fast", {}, "elsewhere"}}) {
    SCOPED_TRACE(std::string(program) + " in " + dir);
    // The settlement settles every second: it holds still while the world
    // is compared, so that any change is the refused process's.
    settlement->sendSignal(SIGSTOP);
    const auto before = snapshot(world);
    Program second(programPath(program), args, world.dir(dir));
    EXPECT_EQ(second.waitExit(10s), 1);
    ASSERT_TRUE(second.waitOutputEnd(10s));
    const pid_t holder =
        std::string(program) == "metro_terminal" ? first->program().pid() : settlement->pid();
    EXPECT_NE(second.output().find("held by process " + std::to_string(holder)), std::string::npos)
        << second.output();
    EXPECT_EQ(snapshot(world), before);
    settlement->sendSignal(SIGCONT);
  }
  // The first ones serve on.
  EXPECT_EQ(first->tap("1234 IN"), metroCharged(1050, 7900));
  const size_t mark = settlement->outputSize();
  EXPECT_TRUE(settlement->waitFor(resultBlock(0, 1050), 10s, mark)) << settlement->output();

  // The lock files removed or overwritten.
  struct Case {
    const char* lockFile;
    const char* replacement;  // null: removed
    const char* program;
    std::vector<std::string> args;
    const char* dir;
    pid_t holder;
  };
  for (const Case& c : std::vector<Case>{
           {"settlement.lock", nullptr, "settlement_fast", {}, "Settlement", settlement->pid()},
           {"settlement.lock", "1\n", "settlement", {}, "elsewhere", settlement->pid()},
           {"Metro/Metrofile2.txt.lock",
            nullptr,
            "metro_terminal",
            {"2"},
            "Metro",
            first->program().pid()}}) {
    SCOPED_TRACE(std::string(c.lockFile) + " " + (c.replacement ? "replaced" : "removed"));
    fs::remove(world.root() / c.lockFile);
    if (c.replacement != nullptr) world.put(c.lockFile, c.replacement);
    Program second(programPath(c.program), c.args, world.dir(c.dir));
    EXPECT_EQ(second.waitExit(10s), 1);
    ASSERT_TRUE(second.waitOutputEnd(10s));
    EXPECT_NE(second.output().find("held by process " + std::to_string(c.holder)),
              std::string::npos)
        << second.output();
  }

  // A role is free again once its holder is gone, however it went.
  first->program().sendSignal(SIGKILL);
  settlement->sendSignal(SIGKILL);
  ASSERT_TRUE(first->program().waitExit(10s));
  ASSERT_TRUE(settlement->waitExit(10s));
  auto next = TapSession::metro(world, 2, "201412050948");
  EXPECT_EQ(next->tap("1234 OUT"), metroCharged(0, 7900));
  auto nextSettlement = startSettlement(world);
  EXPECT_TRUE(nextSettlement->waitFor(resultBlock(0, 1050), 10s)) << nextSettlement->output();
}

// File locks are seen from every network namespace and by every user: a
// second settlement is refused from another namespace, and as a user who
// can only read the world; such a user, squatting all it can of the role
// before any holder runs, keeps no settlement from starting; a lock file
// removed lets no second one in from another namespace.
TEST(StartRefusal, ARoleIsHeldAgainstOtherNetworkNamespacesAndUsers) {
  const std::string unshare = "/usr/bin/unshare";
  if (!runningAsRoot()) GTEST_SKIP() << "running as another user needs root";
  World world;
  fs::permissions(world.root(), fs::perms(0755));  // readable by all, writable by root
  {
    Program probe(unshare, {"--net", "--", "/bin/true"}, world.dir("Settlement"));
    if (probe.waitExit(10s) != 0 || !probe.waitOutputEnd(10s)) {
      GTEST_SKIP() << "no network namespace can be made here: " << probe.output();
    }
  }
  // The lock file as an earlier release left it, readable by anyone.
  world.put("settlement.lock", "1\n");
  fs::permissions(world.root() / "settlement.lock", fs::perms(0644));
  const Squatter squatter(world, "settlement.lock", "settlement");
  ASSERT_TRUE(squatter.squats());
  auto settlement = startSettlement(world);
  ASSERT_TRUE(settlement->waitFor(resultBlock(0, 0), 10s)) << settlement->output();

  struct Case {
    const char* how;
    std::string path;
    std::vector<std::string> args;
    ProgramOptions options;
    std::string says;
    bool lockFileRemoved = false;
  };
  const std::string held = "held by process " + std::to_string(settlement->pid());
  for (const Case& c : std::vector<Case>{
           {"in another network namespace",
            unshare,
            {"--net", "--", programPath("settlement_fast")},
            {},
            "settlement: the settlement of this world is " + held},
           {"as a reader",
            programPath("settlement_fast"),
            {},
            unprivilegedUser(),
            "settlement: the settlement of this world is not available: ../settlement.lock: "},
           {"in another network namespace, the lock file removed",
            unshare,
            {"--net", "--", programPath("settlement_fast")},
            {},
            "settlement: the settlement of this world is " + held,
            true}}) {
    SCOPED_TRACE(c.how);
    if (c.lockFileRemoved) fs::remove(world.root() / "settlement.lock");
    Program second(c.path, c.args, world.dir("Settlement"), c.options);
    EXPECT_EQ(second.waitExit(10s), 1);
    ASSERT_TRUE(second.waitOutputEnd(10s));
    EXPECT_EQ(second.output().find(c.says), 0u) << second.output();
  }
}
