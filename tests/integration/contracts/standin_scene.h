#pragma once
// One run of the contract probe against the stand-in device: a temporary folder that holds the
// UI log, the wait directory, the notification socket (bound here, as a tool window would listen)
// and the stand-in's call log, and the environment that points the child at all of them. The
// child's user interface is English (no registry file, the C locale).

#include <string>
#include <vector>

#include "child_process.h"
#include "support/openssl_command.h"

namespace kq::contract {

class StandInScene {
 public:
  StandInScene();
  StandInScene(const StandInScene&) = delete;
  StandInScene& operator=(const StandInScene&) = delete;
  ~StandInScene();

  // Changes for the child's environment; the scene's own entries may be overridden.
  EnvironmentChanges& env() { return env_; }

  // The probe's command line, driving the provider library at `provider` (default: this build's).
  [[nodiscard]] std::vector<std::string> ProbeCommand(const std::vector<std::string>& args,
                                                      const std::string& provider = {}) const;
  // Runs the probe with the stand-in first on the library search path.
  ChildResult Probe(const std::vector<std::string>& args, const std::string& provider = {}) const;

  [[nodiscard]] std::vector<std::string> UiLog() const;  // lines, "\n" removed
  [[nodiscard]] std::string UiLogText() const;           // the raw bytes
  [[nodiscard]] std::vector<std::string> Calls() const;  // the stand-in's call log
  // Every datagram received so far, as sent.
  std::vector<std::string> Datagrams();
  [[nodiscard]] std::string waitDirectory() const;
  [[nodiscard]] std::string uiLogPath() const;

 private:
  test::TempDirectory dir_;
  int socket_ = -1;
  EnvironmentChanges env_;
};

// The provider library of this build.
std::string ProviderPath();

}  // namespace kq::contract
