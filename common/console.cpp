#include "common/console.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void consoleWrite(std::string_view text) {
  flockfile(stdout);
  fwrite(text.data(), 1, text.size(), stdout);
  fflush(stdout);
  funlockfile(stdout);
}

void errorWrite(std::string_view text) {
  flockfile(stderr);
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
  funlockfile(stderr);
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
