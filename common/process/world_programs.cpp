#include "common/process/world_programs.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>

#include "common/base/sleep.h"
#include "common/base/text.h"
#include "common/files/file_handle.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kWorldPrograms = {"metro_terminal", "bus_terminal",
                                                            "settlement", "settlement_fast"};
constexpr int kPollMs = 100;

std::optional<pid_t> processId(std::string_view name) {
  if (name.size() > 9) return std::nullopt;
  return decimalNumber<pid_t>(name);
}

std::string firstLineOf(const fs::path& path) {
  const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return {};
  const Result<std::string> text = readUpTo(file.get(), 0, 64);
  if (!text) return {};
  return text->substr(0, text->find('\n'));
}

// Waits up to `wait` for the world to have no program running; the ones left.
std::vector<RunningProgram> leftAfter(const fs::path& root, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::vector<RunningProgram> left = programsOf(root);
  while (!left.empty() && std::chrono::steady_clock::now() < deadline) {
    Sleep(kPollMs);
    left = programsOf(root);
  }
  return left;
}

void signalAll(const std::vector<RunningProgram>& programs, int signal) {
  for (const RunningProgram& program : programs) kill(program.pid, signal);
}

}  // namespace

bool isWorldProgramName(std::string_view name) {
  return std::find(kWorldPrograms.begin(), kWorldPrograms.end(), name) != kWorldPrograms.end();
}

bool worksIn(std::string_view workingDir, std::string_view root) {
  if (root.ends_with('/')) root.remove_suffix(1);
  return workingDir.size() > root.size() + 1 && workingDir.starts_with(root) &&
         workingDir[root.size()] == '/';
}

std::vector<RunningProgram> programsOf(const fs::path& physicalRoot) {
  std::vector<RunningProgram> programs;
  for (const std::string& entry : namesIn("/proc")) {
    const std::optional<pid_t> pid = processId(entry);
    if (!pid) continue;
    const fs::path process = fs::path("/proc") / entry;
    std::string name = firstLineOf(process / "comm");
    if (!isWorldProgramName(name)) continue;
    char cwd[PATH_MAX];
    const ssize_t length = readlink((process / "cwd").c_str(), cwd, sizeof cwd);
    if (length <= 0 || static_cast<size_t>(length) == sizeof cwd) continue;
    if (worksIn(std::string_view(cwd, static_cast<size_t>(length)), physicalRoot.native())) {
      programs.push_back({*pid, std::move(name)});
    }
  }
  std::sort(programs.begin(), programs.end(),
            [](const RunningProgram& a, const RunningProgram& b) { return a.pid < b.pid; });
  return programs;
}

std::string describePrograms(const std::vector<RunningProgram>& programs) {
  std::string text;
  for (const RunningProgram& program : programs) {
    if (!text.empty()) text += ", ";
    text += program.name + " (process " + std::to_string(program.pid) + ")";
  }
  return text;
}

std::vector<RunningProgram> endPrograms(const fs::path& physicalRoot,
                                        std::chrono::milliseconds grace) {
  signalAll(programsOf(physicalRoot), SIGTERM);
  std::vector<RunningProgram> left = leftAfter(physicalRoot, grace);
  if (left.empty()) return left;
  signalAll(left, SIGKILL);
  return leftAfter(physicalRoot, grace);
}
