// A program of the world run as a child of the driver, its standard input,
// output and error on pipes the driver holds without blocking. The child
// starts with the default action for every signal and an empty signal
// mask, whatever the driver ignores or blocks, and inherits no other
// descriptor of the driver's. It is asked to end (SIGTERM) the moment the
// driver is gone, however the driver ended, so a driver killed outright
// leaves no program of its world running.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/problem.h"

// What a child is sent when its driver is gone.
inline constexpr int kOrphanSignal = SIGTERM;

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `path` with `args` in `directory`: the child, or why not.
  static Result<ChildProcess> start(const std::string& path, const std::vector<std::string>& args,
                                    const std::string& directory);

  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }
  int input() const { return input_; }
  int output() const { return output_; }
  int errors() const { return errors_; }

  // What a program prints: its output or its errors.
  enum class Stream { kOutput, kErrors };
  // One read of `stream` into `buffer`, never waiting: the bytes read, and
  // whether more may come now (an interrupted read has none and more). At
  // the stream's end it is closed (the child's reaping follows) and there
  // is no more; there is none either when nothing waits now.
  struct Read {
    std::string_view bytes;
    bool more = false;
  };
  Read read(Stream stream, std::span<char> buffer);

  // Writes as much of `bytes` to the child's input as its pipe takes now:
  // how many it took. All of them when the child can read no more (a dead
  // console: what it was sent is no one's now); none when its input is
  // closed.
  size_t write(std::string_view bytes);

  // Ends the child's input: a terminal then finishes and exits.
  void closeInput();
  void closeOutput();
  void closeErrors();
  void signal(int signal) const;

  // Called once the child has been reaped: it owns no process any more.
  void reaped() { pid_ = -1; }

 private:
  void closeAll();

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
};

// Reaps one child that has ended, without waiting: its pid and exit
// status (128 + the signal for a child killed by one); nullopt when none
// has ended.
struct Reaped {
  pid_t pid = -1;
  int status = 0;
};
std::optional<Reaped> reapOne();
