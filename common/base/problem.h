// A failure: its kind, which a caller branches on (a file that is missing, a
// lock someone else holds, a disk that is full), and the text the user
// reads, a clause ("cannot write statement.csv: No space left on device")
// that the caller places in its own line. A function that can fail returns a
// Result: the value it was asked for or the Problem that kept it from it
// (Result<void>: done, or the Problem).
//
// What an errno value says is worded here and nowhere else, so that every
// program names an error the same way, and it is sorted into a kind here
// too, so that no caller looks at errno once a Problem is made.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

class Problem {
 public:
  // What callers tell apart; everything else is kIo (a file the system
  // would not open, read or write) or kOther.
  enum class Kind {
    kOther,
    kIo,
    kMissing,     // no such file or directory (ENOENT)
    kExists,      // the name is taken (EEXIST)
    kBusy,        // held by someone else: a lock, a socket (EWOULDBLOCK, EADDRINUSE)
    kNoSpace,     // a full disk or a file-size limit (ENOSPC, EDQUOT, EFBIG)
    kNotRegular,  // a link, a directory, a FIFO or a file with a second name
    kMalformed,   // the content is not in the form the program writes
  };

  // What stood at a file's name when an open refused it
  // (common/files/file_handle.h): a symbolic link, something that is no
  // regular file (a directory, a FIFO, a device), a regular file with a
  // second name, or a file this user may not open as asked. kNone for every
  // other problem.
  enum class Found { kNone, kLink, kNoFile, kSecondName, kForbidden };

  explicit Problem(std::string text, Kind kind = Kind::kOther, Found found = Found::kNone)
      : text_(std::move(text)), kind_(kind), found_(found) {}

  // The system's description of `error` ("No such file or directory"), or
  // "error 1234" for a number the system has no description for; its kind
  // is kindOf(error).
  static Problem fromErrno(int error);
  // `before`, the description of `error`, then `after`:
  // fromErrno("cannot read x (", ENOENT, ")").
  static Problem fromErrno(std::string_view before, int error, std::string_view after = {});

  static Kind kindOf(int error);

  // The same kind (and what was found), the text placed between `before`
  // and `after`:
  // Problem::fromErrno(ENOSPC).within("cannot write x: ").
  Problem within(std::string_view before, std::string_view after = {}) const;

  const std::string& text() const { return text_; }
  Kind kind() const { return kind_; }
  bool is(Kind kind) const { return kind_ == kind; }
  Found found() const { return found_; }
  // The same problem, saying what was found at the file's name.
  Problem finding(Found found) const { return Problem(text_, kind_, found); }

 private:
  std::string text_;
  Kind kind_;
  Found found_;
};

// The value of a call that worked, or the Problem of one that did not.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : held_(std::in_place_index<0>, std::move(value)) {}
  Result(Problem problem) : held_(std::in_place_index<1>, std::move(problem)) {}

  bool ok() const { return held_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok().
  T& value() { return std::get<0>(held_); }
  const T& value() const { return std::get<0>(held_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The problem, or nullptr when ok().
  const Problem* problem() const { return std::get_if<1>(&held_); }

  // The value as an optional, for a caller that asks only whether there is
  // one.
  std::optional<T> asOptional() const& { return ok() ? std::optional<T>(value()) : std::nullopt; }

  // The value, or `other` when not ok() (as std::optional's value_or).
  T value_or(T other) const& { return ok() ? value() : std::move(other); }
  T value_or(T other) && { return ok() ? std::move(value()) : std::move(other); }

 private:
  std::variant<T, Problem> held_;
};

// Done, or the Problem that kept it from being done.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Problem problem) : problem_(std::move(problem)) {}

  bool ok() const { return !problem_; }
  explicit operator bool() const { return ok(); }
  const Problem* problem() const { return problem_ ? &*problem_ : nullptr; }

 private:
  std::optional<Problem> problem_;
};
