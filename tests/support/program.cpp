#include "support/program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

std::string programPath(const std::string& name) {
  return std::string(PROGRAM_DIR) + "/" + name;
}

std::string scriptPath(const std::string& name) {
  return std::string(SOURCE_DIR) + "/scripts/" + name;
}

std::vector<pid_t> processesIn(const std::string& dir) {
  std::vector<pid_t> found;
  std::error_code error;
  const std::filesystem::path root = std::filesystem::weakly_canonical(dir, error);
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code gone;
    const std::filesystem::path cwd = std::filesystem::read_symlink(entry.path() / "cwd", gone);
    const std::string at = cwd.string();
    if (gone || at.rfind(root.string(), 0) != 0) continue;
    if (at.size() > root.string().size() && at[root.string().size()] != '/') continue;
    found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

bool runningAsRoot() {
  return geteuid() == 0;
}

ProgramOptions unprivilegedUser() {
  ProgramOptions options;
  if (runningAsRoot()) {
    options.user = 65534;
    options.group = 65534;
  }
  return options;
}

namespace {

// In the child, before exec: only plain system calls (the parent may have
// other threads, whose locks the child inherits held). False on failure.
bool applyOptions(const ProgramOptions& options) {
  if (options.outputFile) {
    const int fd =
        open(options.outputFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0 || dup2(fd, STDERR_FILENO) < 0) return false;
  }
  if (options.fileSizeLimit) {
    const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  }
  if (options.group) {
    if (syscall(SYS_setgroups, 0, nullptr) != 0) return false;
    if (syscall(SYS_setresgid, *options.group, *options.group, *options.group) != 0) return false;
  }
  if (options.user) {
    if (syscall(SYS_setresuid, *options.user, *options.user, *options.user) != 0) return false;
  }
  return true;
}

}  // namespace

Program::Program(const std::string& path, const std::vector<std::string>& args,
                 const std::string& workingDirectory, const ProgramOptions& options) {
  // A test that closes a program's input must not die of SIGPIPE itself.
  signal(SIGPIPE, SIG_IGN);
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<std::string> argvStore{path};
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  // Built before the fork: the child may only make plain system calls.
  std::vector<std::string> envStore = options.environment;
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    if (!applyOptions(options)) _exit(125);
    if (chdir(workingDirectory.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  outputFd_ = out[0];
  collector_ = std::thread(&Program::collect, this);
}

Program::~Program() {
  if (!status_) {
    sendSignal(SIGKILL);
    waitExit(10s);
  }
  closeInput();
  resumeOutput();
  if (collector_.joinable()) collector_.join();
  if (outputFd_ >= 0) close(outputFd_);
}

void Program::collect() {
  char buffer[4096];
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (paused_) {
        collectorPaused_ = true;
        grew_.notify_all();
        grew_.wait(lock, [&] { return !paused_; });
        collectorPaused_ = false;
      }
    }
    // Polled with a timeout, so a pause is taken up even when nothing comes.
    pollfd ready{outputFd_, POLLIN, 0};
    const int polled = poll(&ready, 1, 10);
    if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
    const ssize_t n = read(outputFd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::lock_guard<std::mutex> lock(mutex_);
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\0' && fillerToDrop_ > 0) {
        --fillerToDrop_;
      } else {
        output_ += buffer[i];
      }
    }
    grew_.notify_all();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  outputEnded_ = true;
  grew_.notify_all();
}

void Program::stallOutput() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    paused_ = true;
    grew_.wait(lock, [&] { return collectorPaused_ || outputEnded_; });
  }
  // A second writer on the same pipe, without blocking: writes of up to a
  // page go in whole or not at all, so halving the size fills every byte.
  const std::string self = "/proc/self/fd/" + std::to_string(outputFd_);
  const int filler = open(self.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (filler < 0) throw std::runtime_error("cannot open the output pipe for writing");
  static const char zeros[4096] = {};
  size_t filled = 0;
  for (size_t chunk = sizeof zeros; chunk > 0; chunk /= 2) {
    while (::write(filler, zeros, chunk) == static_cast<ssize_t>(chunk)) filled += chunk;
  }
  close(filler);
  std::lock_guard<std::mutex> lock(mutex_);
  fillerToDrop_ += filled;
}

void Program::resumeOutput() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = false;
  grew_.notify_all();
}

bool Program::waitOutputEnd(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return grew_.wait_for(lock, timeout, [&] { return outputEnded_; });
}

void Program::write(std::string_view text) {
  while (!text.empty() && input_ >= 0) {
    const ssize_t n = ::write(input_, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

void Program::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::string Program::output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return output_;
}

size_t Program::outputSize() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return output_.size();
}

std::optional<size_t> Program::waitFor(std::string_view text, std::chrono::milliseconds timeout,
                                       size_t from) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::optional<size_t> found;
  grew_.wait_for(lock, timeout, [&] {
    if (from > output_.size()) return false;
    const size_t at = output_.find(text, from);
    if (at == std::string::npos) return false;
    found = at + text.size();
    return true;
  });
  return found;
}

std::optional<size_t> Program::waitForTimes(std::string_view text, size_t times,
                                            std::chrono::milliseconds timeout, size_t from) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::optional<size_t> found;
  grew_.wait_for(lock, timeout, [&] {
    size_t at = from;
    for (size_t seen = 0; seen < times; ++seen) {
      if (at > output_.size()) return false;
      const size_t next = output_.find(text, at);
      if (next == std::string::npos) return false;
      at = next + text.size();
    }
    found = at;
    return true;
  });
  return found;
}

size_t Program::count(std::string_view text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (size_t at = output_.find(text); at != std::string::npos;
       at = output_.find(text, at + text.size())) {
    ++n;
  }
  return n;
}

std::optional<int> Program::waitExit(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int raw = 0;
    const pid_t done = waitpid(pid_, &raw, WNOHANG);
    if (done == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(10ms);
  }
}

void Program::sendSignal(int signal) {
  if (!status_ && pid_ > 0) kill(pid_, signal);
}
