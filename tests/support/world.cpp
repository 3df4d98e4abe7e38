#include "support/world.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

World::World() {
  std::string pattern = (std::filesystem::temp_directory_path() / "fares-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  for (const char* name : {"time", "customer", "Metro", "Bus", "Settlement"}) {
    std::filesystem::create_directory(root_ / name);
  }
}

World::~World() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void World::put(const std::string& relative, const std::string& content) const {
  std::ofstream out(root_ / relative, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string World::get(const std::string& relative) const {
  return readFile(root_ / relative);
}

void World::openToAnyUser() const {
  namespace fs = std::filesystem;
  fs::permissions(root_, fs::perms::all);
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all : fs::perms(0666));
  }
}

bool World::exists(const std::string& relative) const {
  return std::filesystem::exists(root_ / relative);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
