// The programs of a world that run now: every terminal and settlement whose
// working directory lies in one of the world's directories, however it was
// started (in a tmux window or by hand). A program is found by its working
// directory's physical path (/proc/PID/cwd), held against the world's
// physical path, so a world named through a link is found running all the
// same.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct RunningProgram {
  pid_t pid = 0;
  std::string name;  // "settlement_fast"
  bool operator==(const RunningProgram&) const = default;
};

// Whether a process of this name is one of the world's programs.
bool isWorldProgramName(std::string_view name);

// Whether a process working in `workingDir` works in the world at `root`
// (both physical paths): in a directory below it.
bool worksIn(std::string_view workingDir, std::string_view root);

// The world's programs running now, by process id.
std::vector<RunningProgram> programsOf(const std::filesystem::path& physicalRoot);

// "settlement_fast (process 123), bus_terminal (process 124)".
std::string describePrograms(const std::vector<RunningProgram>& programs);

// Asks every program of the world to end (SIGTERM), kills those still
// running after `grace` (SIGKILL), and waits up to `grace` again; the
// programs still running then.
std::vector<RunningProgram> endPrograms(const std::filesystem::path& physicalRoot,
                                        std::chrono::milliseconds grace);
