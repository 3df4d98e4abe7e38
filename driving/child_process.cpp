#include "driving/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace {

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
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

void ChildProcess::signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

Result<ChildProcess> ChildProcess::start(const std::string& path,
                                         const std::vector<std::string>& args,
                                         const std::string& directory) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return Problem::fromErrno("cannot make a pipe: ", errno);
  if (pipe2(out, O_CLOEXEC) != 0) {
    const int error = errno;
    close(in[0]);
    close(in[1]);
    return Problem::fromErrno("cannot make a pipe: ", error);
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    const int error = errno;
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    return Problem::fromErrno("cannot make a pipe: ", error);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> store{path};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : store) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  for (int fd : {in[0], out[1], err[1]}) close(fd);
  if (failed != 0) {
    for (int fd : {in[1], out[0], err[0]}) close(fd);
    return Problem::fromErrno("cannot start " + path + ": ", failed);
  }
  for (int fd : {in[1], out[0], err[0]}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  ChildProcess started;
  started.pid_ = pid;
  started.input_ = in[1];
  started.output_ = out[0];
  started.errors_ = err[0];
  return started;
}

std::optional<Reaped> reapOne() {
  int status = 0;
  pid_t pid;
  do {
    pid = waitpid(-1, &status, WNOHANG);
  } while (pid < 0 && errno == EINTR);
  if (pid <= 0) return std::nullopt;
  const int code = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  return Reaped{pid, code};
}
