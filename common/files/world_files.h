// The files of a world as its tools see them: what makes a directory a
// world, which files are its cards, where its archives lie and which files
// hold its trips. Every tool takes these from here, so a card, a trip or an
// archive means the same to the card tool, the reset and the audit.
//
// Nothing here follows a link out of the world: a link at the world's root
// is never entered, and a link among the trip files is a trip file itself
// (removed as the link it is, never what it points to).
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/problem.h"
#include "common/files/world_layout.h"

// The world at `dir` by its physical path (every link on the way resolved),
// when `dir` holds each directory of `needs`; otherwise why it is no world
// ("world/customer is missing: world is no world").
Result<std::filesystem::path> worldAt(const std::filesystem::path& dir,
                                      std::span<const char* const> needs);

// The directories a world is laid out with, and those that make one: a
// directory holding customer/, Metro/ and Bus/ is a world.
inline constexpr std::array<const char*, 5> kWorldLayout = {kTimeDir, kCustomerDir, kMetroDir,
                                                            kBusDir, kSettlementDir};
inline constexpr std::array<const char*, 3> kWorldNeeds = {kCustomerDir, kMetroDir, kBusDir};
// What the card tool needs of a world: its cards.
inline constexpr std::array<const char*, 1> kCardWorldNeeds = {kCustomerDir};

// Whether `name`, at the world's root, is one of the directories the
// terminals and the clock work in: time, customer, Metro or Bus.
bool isProgramsDir(std::string_view name);

// The first of the programs' directories (time, customer, Metro, Bus) that
// is a symbolic link at the world's root `world`: a tool that changes the
// world refuses to change anything through it.
std::optional<std::string> linkedProgramDir(const std::filesystem::path& world);

// The card number a name in customer/ stands for ("1234.txt" is card
// 1234); nullopt for any other name, which no terminal ever opens.
std::optional<std::string> cardOfFileName(std::string_view name);
// The cards of the world, in order.
std::vector<std::string> cardsOf(const std::filesystem::path& world);
std::filesystem::path cardPath(const std::filesystem::path& world, std::string_view card);

// The archives the settlement moves its settled hand-over files into:
// archive/ in any directory at the world's root besides time, customer,
// Metro and Bus. Directories only, never through a link.
std::vector<std::filesystem::path> archivesOf(const std::filesystem::path& world);

// What holds the world's trips, by path from its root: every trip log, its
// hand-over files, the files beside it no program reads and the terminal's
// notes of taps (its role lock file is not a trip), each archive (or a link
// in its place), the statement and the settlement's state, and any
// temporary file a replacement of them left. In that order: logs first.
std::vector<std::string> tripFilesOf(const std::filesystem::path& world);
