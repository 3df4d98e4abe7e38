#include "common/base/problem.h"

#include <errno.h>
#include <string.h>

Problem Problem::fromErrno(int error) {
  // Thread-safe and the same in every locale, unlike strerror.
  const char* description = strerrordesc_np(error);
  return Problem(description != nullptr ? description : "error " + std::to_string(error),
                 kindOf(error));
}

Problem Problem::fromErrno(std::string_view before, int error, std::string_view after) {
  std::string text(before);
  text += fromErrno(error).text();
  text += after;
  return Problem(std::move(text), kindOf(error));
}

Problem Problem::within(std::string_view before, std::string_view after) const {
  std::string text(before);
  text += text_;
  text += after;
  return Problem(std::move(text), kind_, found_);
}

Problem::Kind Problem::kindOf(int error) {
  switch (error) {
    case ENOENT:
      return Kind::kMissing;
    case EEXIST:
      return Kind::kExists;
    case EWOULDBLOCK:
    case EBUSY:
    case EADDRINUSE:
      return Kind::kBusy;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return Kind::kNoSpace;
    case ELOOP:
    case EMLINK:
    case ENOTDIR:
    case EISDIR:
      return Kind::kNotRegular;
    default:
      return Kind::kIo;
  }
}
