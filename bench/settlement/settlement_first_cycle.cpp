// Times whole processes on one world, pair by pair: how long a settlement
// program takes to print its first blocks after it starts, less its
// collection periods, and how long a floor program takes to print its block
// and end; with each one's peak resident memory and its block.
//
//   settlement_first_cycle [--rounds N] [--blocks B] WORLD PROGRAM...
//
// PROGRAM is LABEL:cycle:PATH for a settlement program (run in WORLD/Settlement
// until it has printed B blocks, then stopped with SIGTERM; its one-second
// period is taken off once per block) or LABEL:floor:PATH[:ARG] for a program
// run as PATH WORLD [ARG] to its end. A PROGRAM ending in @DIR runs on the world
// DIR instead of WORLD. Before every run the world is put back
// as it was: the statement, its state and the ledger removed, archived hand-over files
// moved back beside their logs. Each round runs every PROGRAM once, in the
// order given; the figures are medians over the rounds, and each PROGRAM's
// ratio to the first is the median of the rounds' ratios.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kPeriodMs = 1000;
constexpr int kBlockLines = 3;

struct Contender {
  std::string label;
  bool floor = false;
  std::string path;
  std::string argument;
  fs::path world;  // empty: WORLD
};

struct Run {
  double ms = 0;
  double peakMiB = 0;
  std::string firstBlock;
  bool ok = false;
};

void resetWorld(const fs::path& world) {
  std::error_code ignored;
  fs::remove(world / "statement.csv", ignored);
  fs::remove(world / "settlement.state", ignored);
  fs::remove(world / "settlement.ledger", ignored);
  const fs::path archive = world / "Settlement" / "archive";
  if (!fs::is_directory(archive)) return;
  for (const auto& entry : fs::directory_iterator(archive)) {
    const std::string name = entry.path().filename().string();
    const char* dir = name.rfind("busfile", 0) == 0 ? "Bus" : "Metro";
    fs::rename(entry.path(), world / dir / name);
  }
}

double peakOf(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

Run runOnce(const Contender& contender, const fs::path& world, int blocks) {
  Run run;
  int out[2];
  if (pipe(out) != 0) return run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (contender.floor) {
      const std::string worldText = world.string();
      if (contender.argument.empty()) {
        execl(contender.path.c_str(), contender.path.c_str(), worldText.c_str(), nullptr);
      } else {
        execl(contender.path.c_str(), contender.path.c_str(), worldText.c_str(),
              contender.argument.c_str(), nullptr);
      }
    } else if (chdir((world / "Settlement").c_str()) == 0) {
      execl(contender.path.c_str(), contender.path.c_str(), nullptr);
    }
    _exit(127);
  }
  close(out[1]);
  std::string output;
  int lines = 0;
  const int wanted = contender.floor ? -1 : blocks * kBlockLines;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
    lines = static_cast<int>(std::count(output.begin(), output.end(), '\n'));
    if (wanted > 0 && lines >= wanted) break;
  }
  const auto printed = std::chrono::steady_clock::now();
  int status = 0;
  if (contender.floor) {
    struct rusage usage;
    wait4(pid, &status, 0, &usage);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && lines >= kBlockLines;
  } else {
    run.peakMiB = peakOf(pid);
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    run.ms =
        std::chrono::duration<double, std::milli>(printed - start).count() - kPeriodMs * blocks;
    run.ok = lines >= wanted;
  }
  close(out[0]);
  size_t end = 0;
  for (int i = 0; i < kBlockLines && end != std::string::npos; ++i) {
    end = output.find('\n', end == 0 ? 0 : end + 1);
  }
  run.firstBlock = output.substr(0, end == std::string::npos ? output.size() : end + 1);
  return run;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

bool parseContender(std::string text, Contender& contender) {
  const size_t at = text.rfind('@');
  if (at != std::string::npos) {
    contender.world = fs::absolute(text.substr(at + 1));
    text.resize(at);
  }
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return false;
  contender.label = text.substr(0, first);
  const std::string kind = text.substr(first + 1, second - first - 1);
  std::string rest = text.substr(second + 1);
  contender.floor = kind == "floor";
  if (!contender.floor && kind != "cycle") return false;
  const size_t argument = contender.floor ? rest.find(':') : std::string::npos;
  if (argument != std::string::npos) {
    contender.argument = rest.substr(argument + 1);
    rest.resize(argument);
  }
  contender.path = fs::absolute(rest).string();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  int blocks = 1;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") {
      rounds = std::max(1, atoi(argv[i + 1]));
    } else if (option == "--blocks") {
      blocks = std::max(1, atoi(argv[i + 1]));
    } else {
      break;
    }
  }
  if (argc - i < 2) {
    fprintf(stderr,
            "usage: settlement_first_cycle [--rounds N] [--blocks B] WORLD "
            "LABEL:cycle:PATH|LABEL:floor:PATH[:ARG]...\n");
    return 2;
  }
  const fs::path world = fs::absolute(argv[i++]);
  std::vector<Contender> contenders;
  for (; i < argc; ++i) {
    Contender contender;
    if (!parseContender(argv[i], contender)) {
      fprintf(stderr, "settlement_first_cycle: not a PROGRAM: %s\n", argv[i]);
      return 2;
    }
    contenders.push_back(contender);
  }
  std::vector<std::vector<Run>> runs(contenders.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t s = 0; s < contenders.size(); ++s) {
      const fs::path& where = contenders[s].world.empty() ? world : contenders[s].world;
      resetWorld(where);
      runs[s].push_back(runOnce(contenders[s], where, blocks));
      if (!runs[s].back().ok)
        fprintf(stderr, "%s: run %d failed\n", contenders[s].label.c_str(), round);
    }
  }
  resetWorld(world);
  for (const Contender& contender : contenders) {
    if (!contender.world.empty()) resetWorld(contender.world);
  }
  printf("%-12s %10s %10s %10s %10s %12s\n", "program", "median ms", "min ms", "max ms", "peak MiB",
         "ratio to 1st");
  bool same = true;
  for (size_t s = 0; s < contenders.size(); ++s) {
    std::vector<double> ms, peaks, ratios;
    for (size_t r = 0; r < runs[s].size(); ++r) {
      ms.push_back(runs[s][r].ms);
      peaks.push_back(runs[s][r].peakMiB);
      ratios.push_back(runs[s][r].ms / runs[0][r].ms);
      same =
          same && (!contenders[s].world.empty() || runs[s][r].firstBlock == runs[0][0].firstBlock);
    }
    printf("%-12s %10.1f %10.1f %10.1f %10.1f %12.2f\n", contenders[s].label.c_str(), median(ms),
           *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
           median(peaks), median(ratios));
  }
  printf("first blocks on WORLD %s\n%s", same ? "identical" : "DIFFER",
         runs[0][0].firstBlock.c_str());
  if (!same) {
    for (size_t s = 0; s < contenders.size(); ++s) {
      printf("-- %s\n%s", contenders[s].label.c_str(), runs[s][0].firstBlock.c_str());
    }
  }
  return same ? 0 : 1;
}
