#include "common/process/console.h"

#include <signal.h>
#include <stdio_ext.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void writeWhole(FILE* stream, std::string_view text) {
  flockfile(stream);
  fwrite(text.data(), 1, text.size(), stream);
  if (fflush(stream) != 0) {
    // What could not be written is dropped, not carried into the next write.
    __fpurge(stream);
    clearerr(stream);
  }
  funlockfile(stream);
}

}  // namespace

void consoleWrite(std::string_view text) {
  writeWhole(stdout, text);
}

void errorWrite(std::string_view text) {
  writeWhole(stderr, text);
}

void consolePrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  consoleWrite(text);
}

void ignoreFileSizeSignal() {
  signal(SIGXFSZ, SIG_IGN);
}

void ignoreFailedWriteSignals() {
  signal(SIGPIPE, SIG_IGN);
  ignoreFileSizeSignal();
}
