#include "softkey/fault_plan.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

#include "softkey/atomic_file.h"
#include "softkey/root_lock.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {
std::string FullOperationName(std::string_view name) {
  if (name.substr(0, 5) == "ZANT_") {
    return std::string(name);
  }
  return "ZANT_" + std::string(name);
}
}  // namespace

std::optional<std::vector<FaultEntry>> ParseFaultPlan(std::string_view text) {
  std::vector<FaultEntry> plan;
  for (const std::string_view field : SplitFields(text, ",\n")) {
    const std::vector<std::string_view> parts = SplitFields(field, ":");
    if (parts.size() != 3) {
      return std::nullopt;
    }
    FaultEntry entry;
    entry.operation = FullOperationName(parts[0]);
    std::string_view count = parts[1];
    if (!count.empty() && count.back() == '+') {
      entry.repeat = true;
      count.remove_suffix(1);
    }
    const std::optional<uint32_t> nth = ParseNumber(count);
    const std::optional<uint32_t> status = ParseNumber(parts[2]);
    if (!nth || *nth == 0 || !status || entry.operation.size() <= 5) {
      return std::nullopt;
    }
    entry.nth = *nth;
    entry.status = *status;
    plan.push_back(std::move(entry));
  }
  return plan;
}

std::string FormatFaultPlan(const std::vector<FaultEntry>& plan) {
  std::string text;
  for (const FaultEntry& entry : plan) {
    text.append(entry.operation)
        .append(":")
        .append(std::to_string(entry.nth))
        .append(entry.repeat ? "+" : "")
        .append(":")
        .append(FormatStatus(entry.status))
        .append("\n");
  }
  return text;
}

std::optional<uint32_t> CountCallAgainstPlan(std::vector<FaultEntry>& plan,
                                             std::string_view operation) {
  std::optional<uint32_t> fired;
  for (auto it = plan.begin(); it != plan.end();) {
    if (it->operation != operation) {
      ++it;
      continue;
    }
    if (it->nth > 1) {
      --it->nth;
      ++it;
      continue;
    }
    if (!fired) {
      fired = it->status;
    }
    if (it->repeat) {
      ++it;
    } else {
      it = plan.erase(it);
    }
  }
  return fired;
}

std::optional<uint32_t> TakeEnvironmentFault(std::string_view operation) {
  static std::mutex mutex;
  static std::string seenText;
  static std::vector<FaultEntry> plan;
  const char* value = std::getenv(kFaultPlanVariable);
  const std::string text = value != nullptr ? value : "";
  std::lock_guard<std::mutex> hold(mutex);
  if (text != seenText) {
    seenText = text;
    plan = ParseFaultPlan(text).value_or(std::vector<FaultEntry>{});
  }
  if (plan.empty()) {
    return std::nullopt;
  }
  return CountCallAgainstPlan(plan, operation);
}

std::vector<FaultEntry> ReadRootFaultPlan(const std::filesystem::path& root) {
  const std::optional<std::string> text = ReadFileText(root / kFaultPlanFileName);
  if (!text) {
    return {};
  }
  return ParseFaultPlan(*text).value_or(std::vector<FaultEntry>{});
}

bool WriteRootFaultPlan(const std::filesystem::path& root, const std::vector<FaultEntry>& plan) {
  if (plan.empty()) {
    return RemoveFile(root / kFaultPlanFileName);
  }
  return WriteTextAtomically(root / kFaultPlanFileName, FormatFaultPlan(plan));
}

std::optional<uint32_t> TakeRootFault(const std::filesystem::path& root,
                                      std::string_view operation) {
  std::error_code error;
  if (!std::filesystem::exists(root / kFaultPlanFileName, error)) {
    return std::nullopt;  // the usual case: no plan, no lock taken
  }
  const platform::FileLock lock = LockRoot(root);
  std::vector<FaultEntry> plan = ReadRootFaultPlan(root);
  const size_t before = plan.size();
  std::vector<FaultEntry> original = plan;
  const std::optional<uint32_t> fired = CountCallAgainstPlan(plan, operation);
  bool changed = plan.size() != before;
  for (size_t i = 0; !changed && i < plan.size(); ++i) {
    changed = plan[i].nth != original[i].nth;
  }
  if (changed) {
    (void)WriteRootFaultPlan(root, plan);
  }
  return fired;
}

}  // namespace kq::sim
