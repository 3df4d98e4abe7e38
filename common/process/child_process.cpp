#include "common/process/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/base/exit_status.h"

extern char** environ;

namespace {

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// What the child needs between fork and exec, made before the fork: the
// child only makes system calls.
struct ChildSetup {
  pid_t parent = -1;
  int input = -1;
  int output = -1;
  int errors = -1;
  int report = -1;  // where an exec that failed writes its errno
  const char* directory = nullptr;
  const char* path = nullptr;
  char** argv = nullptr;
};

// `from` as descriptor `to`, kept across exec.
bool moveTo(int from, int to) {
  if (from == to) return fcntl(to, F_SETFD, 0) == 0;
  return dup2(from, to) == to;
}

[[noreturn]] void becomeProgram(const ChildSetup& setup) {
  int error = 0;
  // The driver may have ended between the fork and the request: then no
  // signal would ever come.
  if (prctl(PR_SET_PDEATHSIG, kOrphanSignal) != 0 || getppid() != setup.parent) {
    error = ESRCH;
  } else if (!moveTo(setup.input, STDIN_FILENO) || !moveTo(setup.output, STDOUT_FILENO) ||
             !moveTo(setup.errors, STDERR_FILENO) || chdir(setup.directory) != 0) {
    error = errno;
  } else {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s) sigaction(s, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(setup.path, setup.argv, environ);
    error = errno;
  }
  while (write(setup.report, &error, sizeof error) < 0 && errno == EINTR) {
  }
  _exit(127);
}

// The errno an exec that failed reported; 0 once the exec succeeded (the
// report pipe closed with it).
int execError(int report) {
  int error = 0;
  ssize_t n;
  do {
    n = read(report, &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
  closeAll();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
  *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    closeAll();
    pid_ = std::exchange(other.pid_, -1);
    input_ = std::exchange(other.input_, -1);
    output_ = std::exchange(other.output_, -1);
    errors_ = std::exchange(other.errors_, -1);
  }
  return *this;
}

void ChildProcess::closeAll() {
  closeInput();
  closeOutput();
  closeErrors();
}

void ChildProcess::closeInput() {
  closeFd(input_);
}
void ChildProcess::closeOutput() {
  closeFd(output_);
}
void ChildProcess::closeErrors() {
  closeFd(errors_);
}

ChildProcess::Read ChildProcess::read(Stream stream, std::span<char> buffer) {
  const int fd = stream == Stream::kOutput ? output_ : errors_;
  if (fd < 0) return {};
  const ssize_t n = ::read(fd, buffer.data(), buffer.size());
  if (n < 0 && errno == EINTR) return {{}, true};
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {};
  if (n <= 0) {
    stream == Stream::kOutput ? closeOutput() : closeErrors();
    return {};
  }
  return {std::string_view(buffer.data(), static_cast<size_t>(n)), true};
}

size_t ChildProcess::write(std::string_view bytes) {
  size_t written = 0;
  while (input_ >= 0 && written < bytes.size()) {
    const ssize_t n = ::write(input_, bytes.data() + written, bytes.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    written = bytes.size();
  }
  return written;
}

void ChildProcess::signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

Result<ChildProcess> ChildProcess::start(const std::string& path,
                                         const std::vector<std::string>& args,
                                         const std::string& directory) {
  // Input, output, errors and the exec report: [read end, write end] each.
  int pipes[4][2];
  for (int made = 0; made < 4; ++made) {
    if (pipe2(pipes[made], O_CLOEXEC) != 0) {
      const int error = errno;
      for (int p = 0; p < made; ++p) {
        close(pipes[p][0]);
        close(pipes[p][1]);
      }
      return Problem::fromErrno("cannot make a pipe: ", error);
    }
  }
  std::vector<std::string> store{path};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : store) argv.push_back(word.data());
  argv.push_back(nullptr);
  ChildSetup setup;
  setup.parent = getpid();
  setup.input = pipes[0][0];
  setup.output = pipes[1][1];
  setup.errors = pipes[2][1];
  setup.report = pipes[3][1];
  setup.directory = directory.c_str();
  setup.path = path.c_str();
  setup.argv = argv.data();

  const pid_t pid = fork();
  if (pid == 0) becomeProgram(setup);
  const int forkError = errno;
  for (const int fd : {pipes[0][0], pipes[1][1], pipes[2][1], pipes[3][1]}) close(fd);
  const int error = pid < 0 ? forkError : execError(pipes[3][0]);
  close(pipes[3][0]);
  if (error != 0) {
    for (const int fd : {pipes[0][1], pipes[1][0], pipes[2][0]}) close(fd);
    if (pid > 0) {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    return Problem::fromErrno("cannot start " + path + ": ", error);
  }
  for (const int fd : {pipes[0][1], pipes[1][0], pipes[2][0]}) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  ChildProcess started;
  started.pid_ = pid;
  started.input_ = pipes[0][1];
  started.output_ = pipes[1][0];
  started.errors_ = pipes[2][0];
  return started;
}

std::optional<Reaped> reapOne() {
  int status = 0;
  pid_t pid;
  do {
    pid = waitpid(-1, &status, WNOHANG);
  } while (pid < 0 && errno == EINTR);
  if (pid <= 0) return std::nullopt;
  const int code = WIFSIGNALED(status) ? exitStatusOfSignal(WTERMSIG(status)) : WEXITSTATUS(status);
  return Reaped{pid, code};
}
