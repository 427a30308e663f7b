// Round trips to the key, operation by operation: each run makes a soft key that answers every
// device call after 10 ms, as a real key's USB exchange takes several milliseconds, prepares what
// the operation needs and runs it through the built provider's exports. Reported per operation:
// the wall time (as the benchmark's time), the provider's device calls, the PIN-entry library's
// calls, and the provider's calls when every step reads the files it needs again.
//
//   build/bin/kq_bench --benchmark_filter=DeviceCalls

#include <benchmark/benchmark.h>

#include <string>

#include "support/device_call_workload.h"

namespace {

constexpr uint32_t kCallLatencyMs = 10;

void RunOperation(benchmark::State& state, const kq::test::BudgetedOperationInfo& info) {
  kq::test::OperationRun last;
  for (auto _ : state) {
    kq::test::SoftKeyScene scene;
    last = kq::test::RunBudgetedOperation(info.operation, scene, kCallLatencyMs);
    if (!last.ran) {
      state.SkipWithError(last.problem.c_str());
      return;
    }
    state.SetIterationTime(last.wallTime.count());
  }
  state.counters["calls"] = static_cast<double>(last.providerCalls());
  state.counters["design_calls"] = static_cast<double>(info.designCalls);
  state.counters["pin_entry_calls"] = static_cast<double>(last.pinEntryCalls);
  state.SetLabel(info.description);
}

const bool registered = [] {
  for (const kq::test::BudgetedOperationInfo& info : kq::test::BudgetedOperations()) {
    benchmark::RegisterBenchmark(("DeviceCalls/" + std::string(info.name)).c_str(),
                                 [&info](benchmark::State& state) { RunOperation(state, info); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
  }
  return true;
}();

}  // namespace
