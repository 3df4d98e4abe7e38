// Whether the card file about to be appended to is the one the tap was
// decided from.
#include <gtest/gtest.h>

#include "terminal/record_writer.h"

TEST(CardCheck, OnlyTheFileAsReadIsAppendedToAndOnlyItsOwnOpenFailureIsReported) {
  const FileState read{{1, 100, 3, 0}, 64, {5, 7}};
  const auto with = [&](auto change) {
    FileState other = read;
    change(other);
    return other;
  };
  const FileState other = with([](FileState& f) { f.identity.inode = 101; });
  const FileState reborn = with([](FileState& f) { f.identity.born = 4; });
  const FileState cut = with([](FileState& f) { f.size = 0; });
  const FileState rewritten = with([](FileState& f) { f.modified.tv_nsec = 8; });
  const struct {
    const char* what;
    std::optional<FileState> opened;
    std::optional<FileState> named;
    CardCheck check;
  } cases[] = {
      {"as read", read, read, CardCheck::AsRead},
      {"renamed over", other, other, CardCheck::Changed},
      {"removed, and a new file on its inode", reborn, reborn, CardCheck::Changed},
      {"renamed over after the open", read, other, CardCheck::Changed},
      {"removed after the open", read, std::nullopt, CardCheck::Changed},
      {"cut", cut, cut, CardCheck::Changed},
      {"rewritten in place", rewritten, rewritten, CardCheck::Changed},
      {"not writable", std::nullopt, read, CardCheck::Unwritable},
      {"not writable, and another file", std::nullopt, other, CardCheck::Changed},
      {"removed", std::nullopt, std::nullopt, CardCheck::Changed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(checkCard(read, c.opened, c.named), c.check) << c.what;
  }
}
