#include "common/process/process_calls.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

Rusage usageOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  Rusage r;
  r.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6;
  r.systemSeconds = static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6;
  r.peakKib = usage.ru_maxrss;
  return r;
}

bool isTerminal(int fd) {
  return isatty(fd) == 1;
}

timespec timeOfDay() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

std::tm localTimeNow() {
  const std::time_t now = timeOfDay().tv_sec;
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::tm universalTimeNow() {
  const std::time_t now = timeOfDay().tv_sec;
  std::tm utc{};
  gmtime_r(&now, &utc);
  return utc;
}

void endProcessNow(int status) {
  for (;;) syscall(SYS_exit_group, status);
}
