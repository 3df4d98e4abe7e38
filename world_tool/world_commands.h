// What the world tool does to a world as a whole: lays it out, finds and
// ends its programs, and forgets its trips. Each takes the world's physical
// path (common/files/world_files.h, worldAt) and acts on nothing outside it, never
// through a link; it prints what it does and returns the exit status
// (kExitDone, kExitRefused with one line on standard error, kExitUsage for
// a path that is no world).
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// A card a world is laid out with, and its balance.
struct FirstCard {
  std::string_view card;
  std::string_view balance;
};

// The cards a new world starts with.
inline constexpr std::array<FirstCard, 4> kFirstCards = {
    {{"1234", "10000"}, {"5678", "3000"}, {"4321", "700"}, {"9999", "500"}}};

// Lays out a world in `dir`, a missing or empty directory or a world
// already (whatever else it holds beside), and provisions `cards`, those
// it lacks, a line each after `indent`. Anything else is refused.
int layoutWorld(const std::filesystem::path& dir, std::span<const FirstCard> cards = kFirstCards,
                std::string_view indent = {});

// One line naming the world's running programs; nothing when none runs.
int showPrograms(const std::filesystem::path& world);

// Ends every program of the world: asked with SIGTERM, killed after 3
// seconds. Refused when one will not end.
int stopWorld(const std::filesystem::path& world);

// Forgets the trips of a stopped world and keeps its cards: refused while
// a program of it runs or a card cannot be read (nothing changed), and when
// one of its programs' directories is a link; otherwise removes every trip
// file (common/files/world_files.h) and rebases every card to one record holding
// its balance. `named` is the world as the user named it, for the command
// that stops it.
int resetTrips(const std::filesystem::path& world, const std::string& named);
