#include "world_tool/statement_command.h"

#include <fcntl.h>

#include <variant>

#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/statement_table.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "common/process/world_programs.h"

namespace fs = std::filesystem;

namespace {

// An SVG file shows what it is in its first bytes.
constexpr size_t kHeadBytes = 512;

int refuse(const std::string& line) {
  errorWrite(std::string(invokedName()) + ": " + line + "\n");
  return kExitRefused;
}

// The settlement's directories: Settlement/ by custom, and any directory at
// the root where a settlement keeps its archive.
std::set<std::string> settlementDirsOf(const fs::path& world) {
  std::set<std::string> dirs = {kSettlementDir};
  for (const fs::path& archive : archivesOf(world)) {
    dirs.insert(archive.parent_path().filename().string());
  }
  return dirs;
}

// Why the chart may not go to `target`; nullopt when it may.
std::optional<std::string> chartRefusal(const fs::path& world, const fs::path& target) {
  const std::string shown = target.string();
  const fs::path name = target.filename();
  if (name.empty() || name == "." || name == "..") return shown + " names no file";
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code error;
  const fs::path dir = fs::canonical(parent, error);
  if (error || !fs::is_directory(dir, error)) {
    return "the chart cannot be written to " + shown + ": " + parent.string() + " is no directory";
  }
  const fs::path physical = dir / name;
  if (worksIn(physical.native(), world.native())) {
    if (auto place = programsPlaceOf(physical.lexically_relative(world), settlementDirsOf(world))) {
      return shown + " is " + *place + ": the chart goes elsewhere";
    }
  }
  const fs::file_status status = fs::symlink_status(physical, error);
  switch (status.type()) {
    case fs::file_type::not_found:
      return std::nullopt;
    case fs::file_type::regular:
      break;
    case fs::file_type::symlink:
      return shown + " is a symbolic link: the chart goes over no link";
    case fs::file_type::directory:
      return shown + " is a directory";
    default:
      return shown + " is not a regular file";
  }
  const Result<FileDescriptor> file = openRegular(physical.string(), O_RDONLY);
  if (const Problem* problem = file.problem())
    return problem->within(shown + " cannot be read: ").text();
  const Result<std::string> head = readUpTo(file->get(), 0, kHeadBytes);
  if (!head) return head.problem()->within(shown + " cannot be read: ").text();
  if (!looksLikeSvg(*head)) return shown + " exists and is no SVG chart: it is left as it is";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> programsPlaceOf(const fs::path& relative,
                                           const std::set<std::string>& settlementDirs) {
  auto step = relative.begin();
  if (step == relative.end()) return "the world's root";
  const std::string first = step->string();
  if (std::next(step) == relative.end()) {
    for (const std::string_view file : {kStatementName, kSettlementStateName}) {
      if (first == file) return "the settlement's " + std::string(file);
      if (isTemporaryNameFor(first, file)) return "a temporary file of " + std::string(file);
    }
    if (first == fs::path(kSettlementLockPath).filename()) return "the settlement's lock file";
  }
  if (isProgramsDir(first)) return "in " + first + "/, a directory of the world's programs";
  if (settlementDirs.count(first)) return "in " + first + "/, the settlement's directory";
  return std::nullopt;
}

int showStatement(const fs::path& world, const fs::path& named, bool allCycles,
                  const std::string& svg) {
  const std::string shown = (named / kStatementName).string();
  const Result<std::string> text = readRegularFile((world / kStatementName).string());
  if (const Problem* problem = text.problem()) {
    if (problem->is(Problem::Kind::kMissing)) {
      return refuse(shown + " does not exist yet: the settlement writes it at its first cycle");
    }
    return refuse(problem->within(shown + " cannot be read: ").text());
  }
  const std::optional<StatementCycles> statement = readStatementCycles(*text);
  if (!statement) return refuse(shown + " does not begin with the statement's header");
  if (!svg.empty()) {
    if (statement->cycles.empty()) {
      return refuse(shown + " holds no cycle yet: there is nothing to draw, no chart was written");
    }
    if (const std::optional<std::string> refusal = chartRefusal(world, svg)) {
      return refuse("no chart was written: " + *refusal);
    }
    if (const Result<void> drawn = replaceFile(svg, statementChart(statement->cycles, shown));
        !drawn) {
      return refuse(drawn.problem()->within("the chart cannot be written to " + svg + ": ").text());
    }
  }
  if (statement->cycles.empty()) {
    consoleWrite("== " + shown + ": no cycle settled yet\n");
    return kExitDone;
  }
  std::string shownText = "== " + shown +
                          " (shares: what each operator is owed; totals run over the cycles)\n" +
                          statementTable(*statement, allCycles);
  if (!svg.empty()) shownText += "== chart written to " + svg + ": open it in a browser\n";
  consoleWrite(shownText);
  return kExitDone;
}
