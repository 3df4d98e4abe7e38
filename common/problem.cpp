#include "common/problem.h"

#include <string.h>

Problem Problem::fromErrno(int error) {
  // Thread-safe and the same in every locale, unlike strerror.
  const char* description = strerrordesc_np(error);
  return Problem(description != nullptr ? description : "error " + std::to_string(error));
}

Problem Problem::fromErrno(std::string_view before, int error, std::string_view after) {
  std::string text(before);
  text += fromErrno(error).text();
  text += after;
  return Problem(std::move(text));
}
