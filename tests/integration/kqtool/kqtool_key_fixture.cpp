#include "kqtool_key_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "json_reader.h"

namespace kq::test {

void KqtoolWithKey::SetUp() {
  const std::string registry = dir_.File("registry.reg");
  std::ofstream(registry) << "REGEDIT4\n\n"
                          << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\"
                             "Provider\\KQCSP For ORV v2.0]\n"
                          << "\"Image Path\"=\"" << KQ_TEST_LIB_DIR << "/libkqcsp.so\"\n"
                          << "\"Type\"=dword:00000001\n\"Signature\"=hex:00\n\n"
                          << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\n"
                          << "\"LanguageID\"=dword:00000409\n";
  const std::pair<const char*, std::string> variables[] = {
      {"KQSIM_ROOT", dir_.File("keys")},
      {"KQCSP_RUN_DIR", dir_.File("run")},
      {"KQCSP_UI_LOG", dir_.File("ui.log")},
      {"KQCSP_REGISTRY", registry},
      {"KQSIM_PIN", "12345678"},
  };
  for (const auto& [name, value] : variables) {
    env_.push_back(std::make_unique<ScopedEnv>(name, value));
  }
  const ProgramRun created = RunCommand({KqsimPath(), "create"});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  keyName_ = created.out.substr(0, created.out.find('\n'));
  const ProgramRun ids = RunKqtool({"--json", "media-ids"});
  const Json json = ParseJson(ids.out);
  const Json& list = json["calls"].at(0)["outputs"]["media_ids"];
  ASSERT_EQ(list.size(), 1u) << ids.out;
  mediaId_ = list[0].get<std::string>();
}

int KqtoolWithKey::OpenHandles() const {
  const ProgramRun counters = RunCommand({KqsimPath(), "counters", keyName_});
  std::istringstream lines(counters.out);
  std::string name;
  long long value = 0;
  while (lines >> name >> value) {
    if (name == "handles_open") {
      return static_cast<int>(value);
    }
  }
  return -1;
}

}  // namespace kq::test
