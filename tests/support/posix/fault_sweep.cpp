#include "support/fault_sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
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

bool FailedAsPlanned(const FaultRun& run, RiddenOut riddenOut, uint32_t success) {
  return run.code != success || std::ranges::find(riddenOut, run.operation, [](const char* name) {
                                  return std::string_view(name);
                                }) != riddenOut.end();
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
  // The calls of one run on the key, and those that name no key (the reader listing).
  const auto callsOf = [&](const std::function<uint32_t()>& run, uint32_t& code) {
    const sim::Counters rootBefore = scene.RootCounters();
    code = run();
    sim::Counters calls = scene.Counters(key);
    for (const auto& [operation, count] : scene.RootCounters()) {
      const auto before = rootBefore.find(operation);
      calls[operation] = count - (before == rootBefore.end() ? 0 : before->second);
    }
    return calls;
  };
  uint32_t cleanCode = 0;
  const sim::Counters calls = callsOf(flow, cleanCode);
  EXPECT_EQ(cleanCode, 0u) << "the flow without faults";

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
        run.status = failure;
        char plan[96];
        std::snprintf(plan, sizeof plan, "%s:%lld:0x%X", run.operation.c_str(),
                      static_cast<long long>(n), failure);
        run.plan = plan;
        scene.SetProcessFaults(run.plan);
        const sim::Counters made = callsOf(flow, run.code);
        scene.SetProcessFaults("");
        // The planted call was made: without it the run proves nothing.
        const auto reached = made.find(operation);
        EXPECT_GE(reached == made.end() ? 0 : reached->second, n)
            << run.plan << ": the flow never made the planted call";
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
