// `kqtool repair --media-id ID [--dry-run] [--scan-to ID]`: finds what interrupted changes left
// in the store on a key and repairs it (src/store/store_repair.h). kqtool links the store and
// device layers for this rather than calling a provider export: the provider's export table is
// fixed, and a help-desk tool needs no new entry point in every bank's installation. The key is
// reached by the same device library and PIN entry as the provider's, and held (its lock) from
// the survey to the last repair.
#include <cstdio>

#include "command.h"
#include "device/login.h"
#include "device/readers.h"
#include "store/store_repair.h"

namespace kq::cli {

namespace {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

JsonObject FindingJson(const store::RepairFinding& finding) {
  JsonObject object;
  object.Set("finding", store::FindingName(finding.kind))
      .Set("file_id", Hex(finding.fileId))
      .Set("where", Hex(finding.where))
      .Set("place", finding.place)
      .Set("action", finding.reportOnly ? "report-only" : store::RepairName(finding.kind));
  return object;
}

JsonList ActionsJson(const store::RepairSurvey& survey) {
  JsonList actions;
  for (const store::RepairFinding& finding : survey.findings) {
    if (!finding.reportOnly) {
      JsonObject action = FindingJson(finding);
      action.Set("ok", finding.done).Set("status", Hex(finding.status));
      actions.emplace_back(std::move(action));
    }
  }
  return actions;
}

size_t Repairable(const store::RepairSurvey& survey) {
  size_t count = 0;
  for (const store::RepairFinding& finding : survey.findings) {
    count += finding.reportOnly ? 0 : 1;
  }
  return count;
}

std::string Repair(Context& /*context*/, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  if (mediaId == nullptr) {
    return "repair needs --media-id ID";
  }
  uint64_t scanTo = 0;
  std::string error;
  if (!NumberOption(args, "scan-to", 0xFFFE, scanTo, error)) {
    return error;
  }
  DeviceSession session;
  if (OpenReaderBySerial(*mediaId, session) != FindReaderResult::kFound) {
    report.AddProblem("no attached key has the media id " + *mediaId);
    return {};
  }
  store::RepairSurvey survey;
  const uint32_t surveyed = store::SurveyStore(session, static_cast<uint32_t>(scanTo), survey);
  report.AddToolCall("SurveyStore", surveyed);
  if (surveyed != 0) {
    return {};
  }
  JsonList findings;
  for (const store::RepairFinding& finding : survey.findings) {
    findings.emplace_back(FindingJson(finding));
  }
  report.outputs()
      .Set("scan_bound", Hex(survey.scanBound))
      .Set("files_found", static_cast<uint64_t>(survey.files.size()))
      .Set("findings", std::move(findings));
  if (args.Has("dry-run") || Repairable(survey) == 0) {
    report.outputs().Set("actions", JsonList{});
    return {};
  }
  // Changing files needs the PIN; the login keeps the key's lock while it asks.
  std::string readerName = session.readerName();
  const LoginResult login =
      Login(session, readerName, LoginMode::kIfNotLoggedIn, ReaderNameCase::kAsGiven);
  if (login.outcome != LoginOutcome::kSuccess) {
    report.AddProblem(login.outcome == LoginOutcome::kCancelled
                          ? "the PIN login was cancelled: nothing was repaired"
                          : "the PIN login failed: nothing was repaired");
    return {};
  }
  report.AddToolCall("RepairStore", store::RepairStore(session, survey));
  report.outputs().Set("actions", ActionsJson(survey));
  store::RepairSurvey after;
  report.AddToolCall("SurveyStore", store::SurveyStore(session, survey.scanBound, after));
  report.outputs().Set("left_to_repair", static_cast<uint64_t>(Repairable(after)));
  return {};
}

constexpr OptionSpec kRepair[] = {{"media-id"}, {"dry-run", false}, {"scan-to"}};

constexpr CommandSpec kCommands[] = {
    {"repair", "--media-id ID [--dry-run] [--scan-to ID]",
     "finds and repairs what interrupted changes left in the key's store (JSON: findings, "
     "actions)",
     kRepair, Repair, false},
};

}  // namespace

std::span<const CommandSpec> RepairCommands() {
  return kCommands;
}

}  // namespace kq::cli
