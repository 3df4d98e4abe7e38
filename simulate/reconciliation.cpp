#include "simulate/reconciliation.h"

#include "audit/world_audit.h"
#include "simulate/statement_reading.h"

namespace {

std::string amounts(const OperatorAmounts& a) {
  return "BUS " + std::to_string(a[kBusOperator]) + ", METRO " + std::to_string(a[kMetroOperator]);
}

}  // namespace

void compareFigures(DayReport& report) {
  std::vector<std::string>& differences = report.differences;
  if (report.tapsAnswered != report.tapsPlanned) {
    differences.push_back(std::to_string(report.tapsPlanned - report.tapsAnswered) + " of " +
                          std::to_string(report.tapsPlanned) + " planned taps were not answered");
  }
  if (!report.auditRun) return;
  for (const std::string& difference : report.auditDifferences) {
    differences.push_back("the audit: " + difference);
  }
  if (report.statementFees != report.auditCharged) {
    differences.push_back("the statement settles " + amounts(report.statementFees) +
                          " but the cards paid " + amounts(report.auditCharged));
  }
  if (report.feesCharged != report.auditCharged) {
    differences.push_back("the taps' records come to " + amounts(report.feesCharged) +
                          " but the cards' histories to " + amounts(report.auditCharged));
  }
  if (report.auditWaiting != OperatorAmounts{0, 0}) {
    differences.push_back(amounts(report.auditWaiting) + " still wait to be settled");
  }
}

void reconcileDay(const std::filesystem::path& world, DayReport& report) {
  StatementRead read = readStatement(world);
  report.statement = std::move(read.lines);
  if (read.problem) report.differences.push_back(read.problem->text());
  for (const StatementLine& line : report.statement) {
    for (size_t op = 0; op < 2; ++op) {
      report.statementFees[op] += line.fees[op];
      report.settled[op] += line.shares[op];
    }
  }
  const WorldAudit audit = auditWorld(world);
  report.auditRun = true;
  report.auditDifferences = audit.differences;
  report.auditCharged = {audit.charged.bus, audit.charged.metro};
  report.auditWaiting = {audit.waiting.bus, audit.waiting.metro};
  if (audit.charged.other != 0) {
    report.auditDifferences.push_back(std::to_string(audit.charged.other) +
                                      " charged to neither operator");
  }
  compareFigures(report);
}
