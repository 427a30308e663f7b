#include "support/fault_sweep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace kq::test {

bool IsAccepted(std::span<const AcceptedInconsistency> accepted, const FaultRun& run) {
  for (const AcceptedInconsistency& known : accepted) {
    if (run.operation == known.operation && run.problems.find(known.problem) != std::string::npos) {
      return true;
    }
  }
  return false;
}

bool RepairedToConsistent(SoftKeyScene& scene, const std::string& key) {
  const CommandResult repair = RunCommand(
      {std::string(KQ_TEST_BIN_DIR) + "/kqtool", "repair", "--media-id", scene.MediaId(key)});
  const CommandResult check = scene.RunKqsim({"check", key});
  EXPECT_EQ(repair.exitCode, 0) << repair.out << repair.err;
  EXPECT_EQ(check.exitCode, 0) << repair.out << check.out;
  return repair.exitCode == 0 && check.exitCode == 0;
}

size_t SweepFaults(SoftKeyScene& scene, const std::string& key,
                   const std::function<uint32_t()>& flow,
                   const std::function<void(const FaultRun&)>& judge,
                   std::span<const uint32_t> failures) {
  const std::filesystem::path directory = scene.root() / key;
  const std::filesystem::path saved = scene.root() / ".sweep-saved";
  scene.ClearCounters(key);
  std::filesystem::remove_all(saved);
  std::filesystem::copy(directory, saved, std::filesystem::copy_options::recursive);
  const auto restore = [&] {
    std::filesystem::remove_all(directory);
    std::filesystem::copy(saved, directory, std::filesystem::copy_options::recursive);
  };
  const sim::Counters rootBefore = scene.RootCounters();
  EXPECT_EQ(flow(), 0u) << "the flow without faults";
  // The calls on the key, and those that name no key (the reader listing).
  sim::Counters calls = scene.Counters(key);
  for (const auto& [operation, count] : scene.RootCounters()) {
    const auto before = rootBefore.find(operation);
    calls[operation] = count - (before == rootBefore.end() ? 0 : before->second);
  }

  size_t runs = 0;
  for (const auto& [operation, count] : calls) {
    if (!operation.starts_with("ZANT_")) {
      continue;
    }
    for (int64_t n = 1; n <= count; ++n) {
      for (const uint32_t failure : failures) {
        restore();
        FaultRun run;
        run.operation = operation.substr(5);
        char plan[96];
        std::snprintf(plan, sizeof plan, "%s:%lld:0x%X", run.operation.c_str(),
                      static_cast<long long>(n), failure);
        run.plan = plan;
        scene.SetProcessFaults(run.plan);
        run.code = flow();
        scene.SetProcessFaults("");
        const CommandResult check = scene.RunKqsim({"check", key});
        run.consistent = check.exitCode == 0;
        run.problems = check.out;
        judge(run);
        ++runs;
      }
    }
  }
  restore();
  std::filesystem::remove_all(saved);
  return runs;
}

}  // namespace kq::test
