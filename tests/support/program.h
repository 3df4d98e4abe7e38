// Runs one of the system's programs as a child process for a test: its
// working directory and arguments are chosen, its standard input is a pipe
// the test writes to, and its standard output and error are collected by a
// background thread so the test can wait for a text with a timeout.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// The processes (their ids) running with a working directory in `dir` or
// below it, as a world's programs do; a process that has ended and waits
// to be reaped is not running.
std::vector<pid_t> processesIn(const std::string& dir);

// Path of a program built by this project: programPath("metro_terminal").
std::string programPath(const std::string& name);
// Path of one of the project's scripts: scriptPath("new-card").
std::string scriptPath(const std::string& name);

// What the child is given between fork and exec, for fault tests.
struct ProgramOptions {
  // Runs the program as this user and group (no supplementary groups);
  // only a test running as root can ask for it.
  std::optional<uid_t> user;
  std::optional<gid_t> group;
  // RLIMIT_FSIZE: a write past this many bytes fails as on a full disk.
  std::optional<unsigned long> fileSizeLimit;
  // "NAME=value" entries added to the environment the program inherits.
  std::vector<std::string> environment;
  // Standard output and error go to this file (created or emptied) instead
  // of being collected: a file-size limit then applies to them.
  std::optional<std::string> outputFile;
};

// The user permission faults are tested as: nobody (65534) when the test
// runs as root, who would ignore permission bits; the test's own user
// otherwise.
ProgramOptions unprivilegedUser();
bool runningAsRoot();

class Program {
 public:
  Program(const std::string& path, const std::vector<std::string>& args,
          const std::string& workingDirectory, const ProgramOptions& options = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void write(std::string_view text);
  void closeInput();

  // Everything printed so far (standard output and error, interleaved).
  std::string output() const;
  size_t outputSize() const;

  // Waits until `text` appears in the output at or after byte `from`;
  // returns the position just past it, or nullopt on timeout.
  std::optional<size_t> waitFor(std::string_view text, std::chrono::milliseconds timeout,
                                size_t from = 0);
  // Waits until `text` has appeared `times` times at or after `from` (each
  // occurrence after the one before); returns the position just past the
  // last, or nullopt on timeout. One wait for several answers.
  std::optional<size_t> waitForTimes(std::string_view text, size_t times,
                                     std::chrono::milliseconds timeout, size_t from = 0);

  // Waits until the program's output has ended (it exited and everything it
  // printed has been collected); false on timeout.
  bool waitOutputEnd(std::chrono::milliseconds timeout);

  // Occurrences of `text` in the output.
  size_t count(std::string_view text) const;

  // Waits for the process to end; its exit status, or nullopt on timeout
  // (a signal death is reported as 128 + signal number).
  std::optional<int> waitExit(std::chrono::milliseconds timeout);

  // A console nobody reads: stallOutput stops collecting and fills the
  // output pipe (with NUL bytes, which the programs never print), so the
  // program's next write blocks; resumeOutput collects again and drops the
  // filler.
  void stallOutput();
  void resumeOutput();

  void sendSignal(int signal);
  pid_t pid() const { return pid_; }

 private:
  void collect();

  pid_t pid_ = -1;
  int input_ = -1;
  int outputFd_ = -1;
  std::optional<int> status_;
  std::thread collector_;
  mutable std::mutex mutex_;
  std::condition_variable grew_;
  std::string output_;
  bool outputEnded_ = false;
  bool paused_ = false;
  bool collectorPaused_ = false;
  size_t fillerToDrop_ = 0;
};
