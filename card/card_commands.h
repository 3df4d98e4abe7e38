// The card tool's commands on a world (the directory that holds customer/):
// list the cards with their balances, show one card's history, top a card
// up, provision one, and rebase every card to one record holding its balance once the
// world's trips are gone.
//
// A card file is only ever opened as a regular file, never through a link,
// and held by its flock while it is read or written, the lock the terminals
// take for a tap: a top-up waits for a tap in hand and a tap for a top-up.
// Before it writes, the tool checks that the card's name still stands for
// the file it locked (a card replaced meanwhile is opened again). A top-up
// is appended with one write, and cut back off if it did not reach the file
// whole, so the card holds all of it or nothing.
//
// Each command prints to standard output and returns the exit status:
// kExitDone, or kExitRefused (one line on standard error, starting with the
// name the tool was run by, says why; nothing was changed).
#pragma once

#include <filesystem>
#include <string_view>

#include "card/card_records.h"
#include "common/base/problem.h"

int listCards(const std::filesystem::path& world);
int showCard(const std::filesystem::path& world, std::string_view card);
int topUpCard(const std::filesystem::path& world, std::string_view card, std::string_view amount);

// Provisions card `card` with `balance` (a whole number from 0 to
// 2147483647): its file holds its first record alone, written to a fresh
// file and renamed into place. An existing card is refused unless `force`,
// which replaces its whole history. The line saying so comes after
// `indent`.
int provisionCard(const std::filesystem::path& world, std::string_view card,
                  std::string_view balance, bool force, std::string_view indent = {});

// The top-up itself, as topUpCard makes it but printing nothing: the
// record appended, or why nothing was (in the words topUpCard prints).
Result<TopUp> topUpQuietly(const std::filesystem::path& world, std::string_view card, int amount);

// Refused while the world holds trip logs, hand-over files, notes of taps,
// archives, a statement or its state: a card rebased while its charges are
// still logged would fail the audit. Every card is read before any is
// rebased, so an unreadable card changes nothing. Each card rebased is a
// line, after `indent`.
int rebaseCards(const std::filesystem::path& world, std::string_view indent = {});

// Done when the balance of every card of the world can be read; otherwise
// the first card whose balance cannot, and why.
Result<void> checkCardsReadable(const std::filesystem::path& world);
