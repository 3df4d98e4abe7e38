#include "driving/program_supervisor.h"

#include "common/process/event_calls.h"

namespace {

// A program that ends by itself this often before its first prompt is
// given up.
constexpr int kMostFailedStarts = 5;
constexpr size_t kTailBytes = 2048;
constexpr size_t kReadChunk = 1 << 16;
// A terminal's input pipe holds this much, so that a tick's taps go in a
// write or two.
constexpr int kInputPipeBytes = 1 << 20;

void keepTail(std::string& tail, std::string_view more) {
  tail += more;
  if (tail.size() > kTailBytes) tail.erase(0, tail.size() - kTailBytes);
}

}  // namespace

ProgramSupervisor::ProgramSupervisor(EventLoop& loop, std::vector<ProgramLaunch> launches,
                                     ProgramListener& listener)
    : loop_(loop), listener_(listener), buffer_(kReadChunk) {
  programs_.resize(launches.size());
  for (size_t p = 0; p < launches.size(); ++p) programs_[p].launch = std::move(launches[p]);
}

bool ProgramSupervisor::start(int p) {
  Program& program = programs_[index(p)];
  Result<ChildProcess> started =
      ChildProcess::start(program.launch.path, program.launch.args, program.launch.directory);
  if (const Problem* problem = started.problem()) {
    giveUp(p, program.launch.name + " could not be started: " + problem->text());
    return false;
  }
  program.child = std::move(*started);
  program.reader = ConsoleReader();
  program.input.clear();
  program.waitingToWrite = false;
  program.killed = false;
  if (program.launch.terminal) widenPipe(program.child.input(), kInputPipeBytes);
  loop_.watch(program.child.output(), tagOf(p, kOutput));
  loop_.watch(program.child.errors(), tagOf(p, kErrors));
  return true;
}

bool ProgramSupervisor::onEvent(uint64_t tag) {
  const int p = static_cast<int>(tag >> 2);
  if (p < 0 || index(p) >= programs_.size()) return false;
  const Stream stream = static_cast<Stream>(tag & 3);
  if (stream == kInput) {
    flush(p);
  } else {
    read(p, stream);
  }
  return true;
}

void ProgramSupervisor::flush(int p) {
  Program& program = programs_[index(p)];
  const int fd = program.child.input();
  // A dead console takes everything: what it was sent is checked once it
  // runs again.
  program.input.erase(0, program.child.write(program.input));
  const bool wants = !program.input.empty() && fd >= 0;
  if (wants != program.waitingToWrite) {
    if (wants) {
      loop_.watch(fd, tagOf(p, kInput), true);
    } else {
      loop_.unwatch(fd);
    }
    program.waitingToWrite = wants;
  }
}

bool ProgramSupervisor::read(int p, Stream stream) {
  Program& program = programs_[index(p)];
  // One read per wake: the other programs get their turn.
  const ChildProcess::Read got = program.child.read(
      stream == kOutput ? ChildProcess::Stream::kOutput : ChildProcess::Stream::kErrors, buffer_);
  if (got.bytes.empty()) return got.more;
  const std::string_view bytes = got.bytes;
  if (stream == kErrors) {
    keepTail(program.errorTail, bytes);
    return true;
  }
  if (!program.launch.terminal) return true;
  const bool wasPrompted = program.reader.prompted();
  program.reader.take(bytes);
  std::string_view answer;
  while (program.reader.next(answer)) listener_.answered(p, answer);
  if (!wasPrompted && program.reader.prompted()) {
    program.failedStarts = 0;
    listener_.firstPrompt(p);
  }
  return true;
}

void ProgramSupervisor::drain(int p) {
  while (read(p, kOutput)) {
  }
  while (read(p, kErrors)) {
  }
}

void ProgramSupervisor::reap() {
  while (const std::optional<Reaped> reaped = reapOne()) {
    for (size_t p = 0; p < programs_.size(); ++p) {
      if (programs_[p].child.pid() == reaped->pid) {
        onEnded(static_cast<int>(p), reaped->status);
        break;
      }
    }
  }
}

void ProgramSupervisor::onEnded(int p, int status) {
  Program& program = programs_[index(p)];
  drain(p);
  if (program.waitingToWrite) loop_.unwatch(program.child.input());
  program.child.reaped();
  program.child = ChildProcess();
  program.input.clear();
  program.waitingToWrite = false;
  if (program.finishing) {
    program.exited = true;
    program.exitStatus = status;
    return;
  }
  const bool killed = program.killed;
  if (!killed) ++program.failedStarts;
  if (program.failedStarts >= kMostFailedStarts) {
    giveUp(p, program.launch.name + " would not run (status " + std::to_string(status) + ")" +
                  (program.errorTail.empty() ? "" : ": " + program.errorTail));
    return;
  }
  listener_.ended(p, status, killed, program.errorTail);
  program.errorTail.clear();
  start(p);
}

void ProgramSupervisor::giveUp(int p, const std::string& why) {
  listener_.givenUp(p, why);
}

void ProgramSupervisor::kill(int p) {
  Program& program = programs_[index(p)];
  program.child.signal(SIGKILL);
  program.killed = true;
}

bool ProgramSupervisor::up(int p) const {
  const Program& program = programs_[index(p)];
  if (!program.child.running() || program.killed) return false;
  return !program.launch.terminal || (program.reader.prompted() && program.reader.sawClock());
}

void ProgramSupervisor::finish(int p) {
  Program& program = programs_[index(p)];
  program.finishing = true;
  program.exited = !program.child.running();
}

void ProgramSupervisor::closeInput(int p) {
  Program& program = programs_[index(p)];
  if (program.waitingToWrite) loop_.unwatch(program.child.input());
  program.waitingToWrite = false;
  program.input.clear();
  program.child.closeInput();
}

void ProgramSupervisor::signal(int p, int signal) {
  programs_[index(p)].child.signal(signal);
}
