// `kqtool demo`: the whole system at work on a soft key in a temporary directory, one readable
// line per step, and nothing left behind.
#include <chrono>
#include <cstdio>

#include "command.h"
#include "demo_steps.h"
#include "text_list.h"
#include "wait_monitor.h"

namespace kq::cli {

namespace {

const char* ResultWord(StepOutcome::Result result) {
  switch (result) {
    case StepOutcome::Result::kPassed:
      return "passed";
    case StepOutcome::Result::kFailed:
      return "failed";
    case StepOutcome::Result::kSkipped:
      return "skipped";
  }
  return "failed";
}

std::string Demo(Context& context, const Arguments& args, Report& report) {
  const auto start = std::chrono::steady_clock::now();
  // In JSON mode the lines go to standard error, so standard output holds only the JSON.
  std::FILE* out = context.json ? stderr : stdout;
  std::string error;
  std::optional<DemoScene> scene = DemoScene::Create(error);
  if (!scene) {
    report.AddProblem(error);
    return {};
  }
  scene->SetEnvironment("KQSIM_ROOT", scene->File("keys"));
  scene->SetEnvironment("KQCSP_RUN_DIR", scene->File("run"));
  scene->SetEnvironment("KQSIM_PIN", "12345678");
  scene->SetEnvironment("KQCSP_UI_LOG", scene->File("ui.log"));
  std::fprintf(out, "kqtool demo: the whole system on a soft key, in %s\n",
               scene->root().string().c_str());

  DemoState state;
  state.scene = &*scene;
  state.programPath = context.programPath;
  state.libraryOption = context.libraryOption;
  JsonList steps;
  int number = 0;
  int failed = 0;
  int skipped = 0;
  {
    // The countdowns of the key's button waits show between the step lines.
    WaitMonitor monitor(out, 8);
    for (const auto group : {DemoSetupSteps(), DemoSigningSteps()}) {
      for (const DemoStep& step : group) {
        ++number;
        const StepOutcome outcome = step.run(state);
        monitor.Flush();
        failed += outcome.result == StepOutcome::Result::kFailed ? 1 : 0;
        skipped += outcome.result == StepOutcome::Result::kSkipped ? 1 : 0;
        std::fprintf(out, "%3d. %-7s %s: %s\n", number, ResultWord(outcome.result),
                     std::string(step.title).c_str(), outcome.detail.c_str());
        std::fflush(out);
        JsonObject entry;
        entry.Set("number", number).Set("title", std::string(step.title));
        entry.Set("result", ResultWord(outcome.result)).Set("detail", outcome.detail);
        steps.emplace_back(std::move(entry));
      }
    }
  }
  // The libraries go before the files they may still hold open; the registration and the CA's
  // key set go before the clean-up is judged.
  state.cryptoApi.reset();
  state.tool.reset();
  ++number;
  const std::string root = scene->root().string();
  std::vector<std::string> leftovers;
  if (state.ca && !state.ca->Discard()) {
    leftovers.push_back("could not remove the CA: " + state.ca->reason());
  }
  if (state.registration && !state.registration->Restore()) {
    leftovers.push_back("could not restore the registry: " + state.registration->detail());
  }
  if (!scene->Remove()) {
    leftovers.push_back("could not remove " + root);
  }
  const bool clean = leftovers.empty();
  failed += clean ? 0 : 1;
  const std::string detail =
      clean ? "removed " + root + "; the environment is as it was" : JoinList(leftovers, "; ");
  std::fprintf(out, "%3d. %-7s clean up: %s\n", number, clean ? "passed" : "failed",
               detail.c_str());
  JsonObject cleanup;
  cleanup.Set("number", number).Set("title", "clean up");
  cleanup.Set("result", clean ? "passed" : "failed").Set("detail", clean ? root : detail);
  steps.emplace_back(std::move(cleanup));

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (failed == 0 && skipped == 0) {
    std::fprintf(out, "kqtool demo: all %d steps passed in %.1f s\n", number, seconds);
  } else {
    std::fprintf(out, "kqtool demo: %d of %d steps failed, %d skipped (%.1f s)\n", failed, number,
                 skipped, seconds);
  }
  report.set_ok(failed == 0 && skipped == 0);
  if (context.json) {
    report.outputs().Set("steps", std::move(steps));
    report.outputs().Set("seconds", static_cast<int64_t>(seconds * 1000) / 1000);
  }
  (void)args;
  return {};
}

constexpr OptionSpec kNone[] = {{"", false}};

constexpr CommandSpec kCommands[] = {
    {"demo", "",
     "the whole system on a soft key: enrolment, certificates, signatures by both paths",
     std::span(kNone, 0), Demo, false},
};

}  // namespace

std::span<const CommandSpec> DemoCommands() {
  return kCommands;
}

}  // namespace kq::cli
