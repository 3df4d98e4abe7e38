// The programs of a world run as children of a driver and kept running:
// each is started with its consoles on pipes, what is typed to it is sent
// as its input pipe takes it, its output is read as it comes (a terminal's
// into the answers between its prompts), and when it ends it is reaped and
// started again, unless the driver is finishing it. A program that ends by
// itself again and again before its first prompt is given up. Nothing here
// ever waits on one child: every pipe is read and written only when the
// event loop says it is ready.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "common/process/child_process.h"
#include "driving/console_reader.h"
#include "driving/event_loop.h"

struct ProgramLaunch {
  std::string name;  // "metro2", "settlement"
  std::string path;
  std::vector<std::string> args;
  std::string directory;
  bool terminal = true;  // its console is read for answers
};

// What the driver hears of its programs.
class ProgramListener {
 public:
  virtual ~ProgramListener() = default;
  // The next answer of terminal `p`, clock lines taken out.
  virtual void answered(int p, std::string_view answer) = 0;
  // Terminal `p` prompted for the first time since it was started.
  virtual void firstPrompt(int p) = 0;
  // Program `p` ended (`killed` when the driver killed it; `errors`: the
  // end of what it wrote to standard error) and is started again.
  virtual void ended(int p, int status, bool killed, const std::string& errors) = 0;
  // Program `p` could not be run; `why` says so. Nothing more of it comes.
  virtual void givenUp(int p, const std::string& why) = 0;
};

class ProgramSupervisor {
 public:
  ProgramSupervisor(EventLoop& loop, std::vector<ProgramLaunch> launches,
                    ProgramListener& listener);

  size_t size() const { return programs_.size(); }
  const std::string& name(int p) const { return programs_[index(p)].launch.name; }

  // Starts program `p`; false when it could not be (listener told why).
  bool start(int p);

  // Whether `tag` (from the event loop) is one of the programs' pipes; if
  // so, the pipe is read or written.
  bool onEvent(uint64_t tag);
  // Reaps every child that ended (after a SIGCHLD) and starts it again.
  void reap();

  // Text typed to program `p`, sent as its pipe takes it (flush()).
  std::string& input(int p) { return programs_[index(p)].input; }
  void flush(int p);

  // Kills `p` on purpose (SIGKILL); it is started again once reaped.
  void kill(int p);

  // Running, not killed, and (a terminal) has prompted and shown its clock.
  bool up(int p) const;
  bool running(int p) const { return programs_[index(p)].child.running(); }
  bool killed(int p) const { return programs_[index(p)].killed; }
  bool prompted(int p) const { return programs_[index(p)].reader.prompted(); }

  // Finishing: `p` is not started again when it ends. closeInput ends a
  // terminal's input; signal sends `signal`.
  void finish(int p);
  void closeInput(int p);
  void signal(int p, int signal);
  bool exited(int p) const { return programs_[index(p)].exited; }
  int exitStatus(int p) const { return programs_[index(p)].exitStatus; }

 private:
  struct Program {
    ProgramLaunch launch;
    ChildProcess child;
    ConsoleReader reader;
    std::string input;  // typed and not yet taken by the pipe
    bool waitingToWrite = false;
    bool killed = false;
    bool finishing = false;
    bool exited = false;
    int exitStatus = 0;
    int failedStarts = 0;
    std::string errorTail;
  };
  enum Stream : uint64_t { kOutput = 0, kErrors = 1, kInput = 2 };
  static size_t index(int p) { return static_cast<size_t>(p); }
  static uint64_t tagOf(int p, Stream stream) { return static_cast<uint64_t>(p) << 2 | stream; }

  // Whether more may come.
  bool read(int p, Stream stream);
  void drain(int p);
  void onEnded(int p, int status);
  void giveUp(int p, const std::string& why);

  EventLoop& loop_;
  ProgramListener& listener_;
  std::vector<Program> programs_;
  std::vector<char> buffer_;
};
