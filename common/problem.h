// A failure the user must read about: the text that says what went wrong,
// as a clause ("cannot write statement.csv: No space left on device") that
// the caller places in its own line. A function that can fail returns
// std::optional<Problem> (nullopt: it did what it was asked) or carries one
// beside its result.
//
// What an errno value says is worded here and nowhere else, so that every
// program names an error the same way.
#pragma once

#include <string>
#include <string_view>

class Problem {
 public:
  explicit Problem(std::string text) : text_(std::move(text)) {}

  // The system's description of `error` ("No such file or directory"), or
  // "error 1234" for a number the system has no description for.
  static Problem fromErrno(int error);
  // `before`, the description of `error`, then `after`:
  // fromErrno("cannot read x (", ENOENT, ")").
  static Problem fromErrno(std::string_view before, int error, std::string_view after = {});

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};
