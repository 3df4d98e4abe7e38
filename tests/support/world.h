// A temporary directory tree laid out the way the programs run: the sibling
// directories time, customer, Metro, Bus and Settlement under one parent.
// Removed with everything in it when the World goes out of scope.
#pragma once

#include <filesystem>
#include <string>

class World {
 public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::string dir(const std::string& name) const { return (root_ / name).string(); }

  // Writes `content` to root/relative, replacing the file.
  void put(const std::string& relative, const std::string& content) const;
  // The bytes of root/relative; empty when it does not exist.
  std::string get(const std::string& relative) const;
  bool exists(const std::string& relative) const;

  // The clock file, as the settlement program writes it: "201412050008\n".
  void setClock(const std::string& line) const { put("time/time.txt", line); }
  // A card file in customer/.
  void putCard(const std::string& card, const std::string& records) const {
    put("customer/" + card + ".txt", records);
  }
  std::string card(const std::string& card) const { return get("customer/" + card + ".txt"); }

  // Opens the tree and everything in it to every user (directories 0777,
  // files 0666), so a program run as another user can work in it.
  void openToAnyUser() const;

 private:
  std::filesystem::path root_;
};

// Runs the test in one of a world's directories, as a program would run
// there ("Metro", say, so that "../customer" is the world's); the directory
// before is restored when it goes out of scope.
class RunningIn {
 public:
  RunningIn(const World& world, const std::string& dir) : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(world.root() / dir);
  }
  ~RunningIn() { std::filesystem::current_path(before_); }
  RunningIn(const RunningIn&) = delete;
  RunningIn& operator=(const RunningIn&) = delete;

 private:
  std::filesystem::path before_;
};

// Whole contents of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
