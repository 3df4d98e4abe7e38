#include "common/process/signals.h"

sigset_t signalSet(std::initializer_list<int> numbers) {
  sigset_t set;
  sigemptyset(&set);
  for (const int number : numbers) sigaddset(&set, number);
  return set;
}

void blockSignals(const sigset_t& signals) {
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int awaitSignal(const sigset_t& signals) {
  int number = 0;
  while (sigwait(&signals, &number) != 0) {
  }
  return number;
}

std::optional<int> takeWaitingSignal(const sigset_t& signals) {
  const timespec now{};
  const int number = sigtimedwait(&signals, nullptr, &now);
  if (number > 0) return number;
  return std::nullopt;
}

void restoreDefaultActions(std::initializer_list<int> numbers) {
  for (const int number : numbers) signal(number, SIG_DFL);
}

void catchSignals(std::initializer_list<int> numbers, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const int number : numbers) sigaction(number, &action, nullptr);
}
