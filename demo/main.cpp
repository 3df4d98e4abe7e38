// demo: a scripted day of the whole system in under a minute, in a world
// laid out in a fresh temporary directory and removed at the end
// (demo/demo_day.h says what it shows; scripts/demo runs it). Exit status
// 0 when the day was played and reconciled, 1 when a program did not start
// or answer, no result came or the audit found a difference, 2 for a
// command line it cannot take.

#include <filesystem>
#include <string>
#include <vector>

#include "common/files/file_handle.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "demo/demo_day.h"
#include "demo/demo_script.h"
#include "driving/built_programs.h"
#include "world_tool/world_commands.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLauncher = "scripts/demo";

int refuse(const std::string& line) {
  errorWrite(std::string(invokedName()) + ": " + line + "\n");
  return kExitRefused;
}

}  // namespace

int main(int argc, char** argv) {
  ignoreFailedWriteSignals();
  const bool launched = argc > 0 && argv[0] == kLauncher;
  const ProgramUsage usage{launched ? kLauncher : "demo", "",
                           "plays a scripted day of the whole system in a temporary world", 0};
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, usage, arguments)) return *status;
  const fs::path programs = builtProgramsFolder();
  if (const Result<void> built = checkProgramsBuilt(programs, kDemoPrograms); !built) {
    return refuse(built.problem()->text());
  }
  catchStopSignals();
  const Result<fs::path> made = makeTemporaryDirectory("demo-");
  if (!made) return refuse("cannot make a temporary world");
  const fs::path world = *made;
  int status = layoutWorld(world, kDemoCards, "   ");
  if (status == kExitDone) status = playDemo(world, programs);
  std::error_code error;
  fs::remove_all(world, error);
  return status;
}
