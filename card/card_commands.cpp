#include "card/card_commands.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "card/card_file.h"
#include "card/card_records.h"
#include "common/base/exit_status.h"
#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/files/file_system.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/card_history.h"
#include "common/formats/clock_file.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"

namespace fs = std::filesystem;

namespace {

int refuse(const std::string& line) {
  errorWrite(std::string(invokedName()) + ": " + line + "\n");
  return kExitRefused;
}

std::string withoutLineFeed(std::string_view text) {
  if (text.ends_with('\n')) text.remove_suffix(1);
  return std::string(text);
}

std::string historyRow(const CardEntry& entry) {
  if (entry.kind == CardEntryKind::kNoRecord) {
    return "line " + std::to_string(entry.line) + " holds no record\n";
  }
  std::string fee;
  std::string topUp;
  if (entry.kind == CardEntryKind::kCharge) fee = std::to_string(entry.amount);
  if (entry.kind == CardEntryKind::kOtherCredit) fee = std::to_string(-entry.amount);
  if (entry.kind == CardEntryKind::kTopUp) {
    topUp = (entry.amount >= 0 ? "+" : "") + std::to_string(entry.amount);
  }
  const RecordColumns& r = entry.columns;
  char row[512];
  snprintf(row, sizeof row, "%-17s %-10s %-10s %8s %8s %11d  ", readableTime(r.time).c_str(),
           std::string(r.transport).c_str(), std::string(r.direction).c_str(), fee.c_str(),
           topUp.c_str(), entry.balance);
  return row + withoutLineFeed(r.journeyId) + "\n";
}

// The clock file's text; nullopt when the world has none yet.
Result<std::optional<std::string>> readClock(const fs::path& world) {
  const fs::path path = world / kTimeDir / kClockFileName;
  Result<std::string> text = readClockFile(path.string());
  if (const Problem* problem = text.problem()) {
    if (problem->is(Problem::Kind::kMissing)) return std::optional<std::string>();
    return problem->within("the clock file " + path.string() + " cannot be read: ");
  }
  return std::optional<std::string>(std::move(*text));
}

}  // namespace

int listCards(const fs::path& world) {
  const std::vector<std::string> cards = cardsOf(world);
  if (cards.empty()) {
    consoleWrite("no cards in " + (world / kCustomerDir).string() +
                 " (scripts/new-card provisions one)\n");
    return kExitDone;
  }
  int status = kExitDone;
  char row[256];
  snprintf(row, sizeof row, "%-16s %11s  %s\n", "card", "balance", "last record");
  consoleWrite(row);
  for (const std::string& card : cards) {
    const auto newest = readNewest(cardPath(world, card), LOCK_SH);
    if (const Problem* problem = newest.problem()) {
      snprintf(row, sizeof row, "%-16s %11s  ", card.c_str(), "-");
      consoleWrite(row + ("cannot be read: " + problem->text()) + "\n");
      status = kExitRefused;
      continue;
    }
    const Newest& last = newest.value();
    snprintf(row, sizeof row, "%-16s %11d  ", card.c_str(), last.balance);
    consoleWrite(row + last.text + "\n");
  }
  return status;
}

int showCard(const fs::path& world, std::string_view card) {
  const std::string name(card);
  if (!isValidCardNumber(card)) return refuse("invalid card number '" + name + "'");
  const fs::path path = cardPath(world, card);
  const Result<FileDescriptor> held = lockCard(path, O_RDONLY, LOCK_SH);
  if (const Problem* problem = held.problem()) {
    return refuse("cannot show card " + name + ": " + problem->text());
  }
  // What the file holds now; later appends are for the next look.
  const Result<CardTail> tail = readTail(held->get());
  sys::flock(held->get(), LOCK_UN);
  if (!tail) return refuse(tail.problem()->within("cannot show card " + name + ": ").text());
  const auto last = lastRecord(*tail);
  if (last) {
    consoleWrite("card " + name + ": balance " + std::to_string(recordAmount(last->amount)) + "\n");
  } else {
    consoleWrite("card " + name + ": no balance: " + last.problem()->text() +
                 ", so the terminals refuse it\n");
  }
  char header[256];
  snprintf(header, sizeof header, "%-17s %-10s %-10s %8s %8s %11s  %s\n", "time", "transport",
           "direction", "fee", "top-up", "balance", "journey");
  consoleWrite(header);
  CardHistory history;
  const Result<void> read = forEachCardLine(
      held->get(), [&](std::string_view line) { consoleWrite(historyRow(history.next(line))); },
      static_cast<size_t>(tail->size));
  if (!read) {
    return refuse(
        read.problem()->within("card " + name + " could not be read to its end: ").text());
  }
  return kExitDone;
}

int topUpCard(const fs::path& world, std::string_view card, std::string_view amountText) {
  const std::string name(card);
  if (!isValidCardNumber(card)) return refuse("invalid card number '" + name + "'");
  const std::optional<int> amount = topUpAmount(amountText);
  if (!amount) {
    return refuse("cannot top up card " + name + ": the amount '" + std::string(amountText) +
                  "' is not a whole number from 1 to 2147483647");
  }
  const auto made = topUpQuietly(world, card, *amount);
  if (const Problem* problem = made.problem()) return refuse(problem->text());
  const TopUp& topUp = made.value();
  consoleWrite("card " + name + " topped up by " + std::to_string(*amount) + ": balance " +
               std::to_string(topUp.before) + " -> " + std::to_string(topUp.after) + "\n");
  return kExitDone;
}

Result<TopUp> topUpQuietly(const fs::path& world, std::string_view card, int amount) {
  const std::string name(card);
  if (!isValidCardNumber(card)) return Problem("invalid card number '" + name + "'");
  const auto clock = readClock(world);
  if (const Problem* problem = clock.problem()) return *problem;
  const std::optional<std::string> stamp = topUpStamp(clock.value());
  if (!stamp)
    return Problem("the clock file " + (world / kTimeDir / kClockFileName).string() +
                   " holds no clock");

  const Result<FileDescriptor> held = lockCard(cardPath(world, card), O_RDWR | O_APPEND, LOCK_EX);
  if (const Problem* problem = held.problem()) {
    return Problem("cannot top up card " + name + ": " + problem->text());
  }
  const Result<CardTail> tail = readTail(held->get());
  if (!tail) return tail.problem()->within("cannot top up card " + name + ": ");
  const auto decided = topUpRecord(tail->bytes, tail->wholeFile, amount, *stamp);
  if (const Problem* problem = decided.problem()) {
    return Problem("cannot top up card " + name + ": " + problem->text() + "; nothing was written");
  }
  const TopUp& topUp = decided.value();
  if (const Result<void> written = writeAll(held->get(), topUp.record); !written) {
    const std::string why = written.problem()->text();
    if (!cutFile(held->get(), tail->size)) {
      return Problem("card " + name + " may hold part of a top-up (" + why +
                     "); look at its last line");
    }
    return Problem("cannot top up card " + name + ": " + why + "; the card is unchanged");
  }
  return topUp;
}

int provisionCard(const fs::path& world, std::string_view card, std::string_view balanceText,
                  bool force, std::string_view indent) {
  const std::string name(card);
  if (!isValidCardNumber(card)) {
    return refuse("invalid card number '" + name + "' (1 to 64 of A-Z a-z 0-9 - _)");
  }
  const auto balance = provisioningBalance(balanceText);
  if (const Problem* problem = balance.problem()) return refuse(problem->text());
  const fs::path path = cardPath(world, card);
  std::error_code error;
  if (!force && fs::exists(fs::symlink_status(path, error))) {
    return refuse("card " + name + " already exists (" + path.string() +
                  "); use --force to replace it");
  }
  if (const Result<void> laid = replaceFile(path.string(), provisioningRecord(balance.value()));
      !laid) {
    return refuse(laid.problem()->within("card " + name + " cannot be provisioned: ").text());
  }
  consoleWrite(std::string(indent) + "card " + name + " provisioned with balance " +
               std::to_string(balance.value()) + ": " + path.string() + "\n");
  return kExitDone;
}

Result<void> checkCardsReadable(const fs::path& world) {
  for (const std::string& card : cardsOf(world)) {
    const auto newest = readNewest(cardPath(world, card), LOCK_SH);
    if (const Problem* problem = newest.problem()) {
      return Problem("card " + card + " cannot be read: " + problem->text());
    }
  }
  return {};
}

int rebaseCards(const fs::path& world, std::string_view indent) {
  const std::vector<std::string> trips = tripFilesOf(world);
  if (!trips.empty()) {
    return refuse("the world still holds trips (" + trips.front() +
                  (trips.size() > 1 ? " and " + std::to_string(trips.size() - 1) + " more" : "") +
                  "): scripts/world --reset-trips removes them, then rebases the cards");
  }
  if (const Result<void> readable = checkCardsReadable(world); !readable) {
    return refuse(readable.problem()->text() + "; no card was rebased");
  }
  for (const std::string& card : cardsOf(world)) {
    const fs::path path = cardPath(world, card);
    // Held until its file has been replaced: no tap or top-up in between.
    const Result<FileDescriptor> held = lockCard(path, O_RDONLY, LOCK_EX);
    const Result<Newest> newest = held ? newestOf(held->get()) : Result<Newest>(*held.problem());
    const Result<void> rebased =
        newest ? replaceFile(path.string(), provisioningRecord(newest->balance))
               : Result<void>(*newest.problem());
    if (!rebased) {
      return refuse("card " + card + " could not be rebased (" + rebased.problem()->text() +
                    "); the cards before it were");
    }
    consoleWrite(std::string(indent) + "card " + card + " rebased: balance " +
                 std::to_string(newest->balance) + "\n");
  }
  return kExitDone;
}
