// Whether the card file about to be appended to is the one the tap was
// decided from.
#include <gtest/gtest.h>

#include "terminal/record_writer.h"

TEST(CardCheck, OnlyTheFileAsReadIsAppendedToAndOnlyItsOwnOpenFailureIsReported) {
  const FileSnapshot read{1, 100, 64, {5, 7}};
  const auto with = [&](auto change) {
    FileSnapshot other = read;
    change(other);
    return other;
  };
  const FileSnapshot other = with([](FileSnapshot& f) { f.inode = 101; });
  const FileSnapshot cut = with([](FileSnapshot& f) { f.size = 0; });
  const FileSnapshot rewritten = with([](FileSnapshot& f) { f.modified.tv_nsec = 8; });
  const struct {
    const char* what;
    std::optional<FileSnapshot> opened;
    std::optional<FileSnapshot> named;
    CardCheck check;
  } cases[] = {
      {"as read", read, read, CardCheck::AsRead},
      {"renamed over", other, other, CardCheck::Changed},
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
