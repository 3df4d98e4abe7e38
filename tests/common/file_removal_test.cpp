// Removing below a world's root: a tree goes entry by entry, links are
// unlinked and never followed, and what stands in the way is said with its
// kind.
#include "common/files/file_removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "support/world.h"

namespace fs = std::filesystem;

namespace {

// Writes `content` at `relative` below `root`, making the directories on
// the way.
void plant(const fs::path& root, const std::string& relative, const std::string& content) {
  fs::create_directories((root / relative).parent_path());
  std::ofstream(root / relative, std::ios::binary) << content;
}

// Every path below `root` with its content.
std::map<std::string, std::string> contentsBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    files[entry.path().string()] = entry.is_regular_file() ? readFile(entry.path()) : "";
  }
  return files;
}

}  // namespace

TEST(RemoveBelow, RemovesTheTreeUnlinksLinksAndNeverRemovesThroughOne) {
  struct Case {
    const char* what;
    std::function<void(const World& world, const World& outside)> plant;
    std::string relative;
    std::optional<Problem::Kind> kind;  // nullopt: done
    std::string says;                   // the problem's text
    std::function<void(const World& world)> after;
  };
  const std::string longName(300, 'x');
  const auto gone = [](const std::string& path) {
    return
        [path](const World& w) { EXPECT_FALSE(fs::exists(fs::symlink_status(w.root() / path))); };
  };
  const std::vector<Case> cases = {
      {"a tree, its sibling kept",
       [](const World& w, const World&) {
         plant(w.root(), "Settlement/archive/busfile.txt.1", "a\n");
         plant(w.root(), "Settlement/archive/deeper/Metrofile2.txt.3", "b\n");
         plant(w.root(), "Settlement/kept.txt", "c\n");
       },
       "Settlement/archive", std::nullopt, "",
       [](const World& w) {
         EXPECT_FALSE(w.exists("Settlement/archive"));
         EXPECT_EQ(w.get("Settlement/kept.txt"), "c\n");
       }},
      {"a name never there", [](const World&, const World&) {}, "Settlement/archive", std::nullopt,
       "", gone("Settlement/archive")},
      {"a directory on the way never there", [](const World&, const World&) {}, "nowhere/archive",
       std::nullopt, "", gone("nowhere")},
      {"a link at the name, to a directory outside",
       [](const World& w, const World& o) {
         plant(o.root(), "kept/file.txt", "outside\n");
         fs::create_directory_symlink(o.root() / "kept", w.root() / "Settlement/archive");
       },
       "Settlement/archive", std::nullopt, "", gone("Settlement/archive")},
      {"a link inside the tree, to a file outside",
       [](const World& w, const World& o) {
         plant(o.root(), "kept/file.txt", "outside\n");
         plant(w.root(), "Settlement/archive/busfile.txt.1", "a\n");
         fs::create_symlink(o.root() / "kept/file.txt", w.root() / "Settlement/archive/link");
       },
       "Settlement/archive", std::nullopt, "", gone("Settlement/archive")},
      {"a link on the way",
       [](const World& w, const World& o) {
         plant(o.root(), "kept/archive/file.txt", "outside\n");
         fs::remove(w.root() / "Settlement");
         fs::create_directory_symlink(o.root() / "kept", w.root() / "Settlement");
       },
       "Settlement/archive", Problem::Kind::kNotRegular,
       "Settlement is a symbolic link or no directory: nothing is removed through it",
       [](const World& w) { EXPECT_TRUE(fs::is_symlink(w.root() / "Settlement")); }},
      {"a file on the way", [](const World& w, const World&) { plant(w.root(), "plain", "a\n"); },
       "plain/archive", Problem::Kind::kNotRegular,
       "plain is a symbolic link or no directory: nothing is removed through it",
       [](const World& w) { EXPECT_EQ(w.get("plain"), "a\n"); }},
      {"a directory on the way the system will not enter", [](const World&, const World&) {},
       longName + "/archive", Problem::Kind::kIo,
       "cannot enter " + longName + ": File name too long", [](const World&) {}},
      {"a name the system will not look at", [](const World&, const World&) {},
       "Settlement/" + longName, Problem::Kind::kIo,
       "cannot remove Settlement/" + longName + ": File name too long", [](const World&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    World outside;
    c.plant(world, outside);
    const auto outsideBefore = contentsBelow(outside.root());
    const Result<void> removed = removeBelow(world.root(), c.relative);
    ASSERT_EQ(removed.ok(), !c.kind.has_value()) << removed.problem()->text();
    if (c.kind) {
      EXPECT_EQ(removed.problem()->kind(), *c.kind);
      EXPECT_EQ(removed.problem()->text(), c.says);
    }
    c.after(world);
    // Nothing outside the world is ever removed.
    EXPECT_EQ(contentsBelow(outside.root()), outsideBefore);
  }
}

TEST(RemoveBelow, ARootThatCannotBeOpenedIsSaid) {
  World world;
  const Result<void> removed = removeBelow(world.root() / "missing", "Settlement/archive");
  ASSERT_FALSE(removed.ok());
  EXPECT_EQ(removed.problem()->kind(), Problem::Kind::kMissing);
  EXPECT_EQ(removed.problem()->text(),
            "cannot open " + (world.root() / "missing").string() + ": No such file or directory");
}
