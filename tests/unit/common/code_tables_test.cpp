// Every status code written in the sources has a name and meaning in a code table, so kqtool and
// the tests can print it: a code that appears only as a literal is a code nobody can look up.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "common/codes.h"

namespace kq {
namespace {

bool InSomeTable(uint32_t code) {
  for (const CodeFamily family : {CodeFamily::kCryptoApi, CodeFamily::kDevice,
                                  CodeFamily::kPinEntry, CodeFamily::kStore, CodeFamily::kTool}) {
    if (FindCode(family, code) != nullptr) {
      return true;
    }
  }
  return false;
}

TEST(CodeTables, EveryCryptoApiSmartCardAndStoreCodeInTheSourcesIsInATable) {
  // NTE_ and SEC_ codes (0x8009xxxx), SCARD_ codes (0x8010xxxx) and the store's (0xF00Fxxxx).
  const std::regex literal("0x(8009|8010|F00F)[0-9A-F]{4}\\b", std::regex::icase);
  int filesRead = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(KQ_TEST_SOURCE_DIR "/src")) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
      continue;
    }
    ++filesRead;
    std::ifstream in(entry.path());
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) {
      const uint32_t code = static_cast<uint32_t>(std::stoul(it->str(), nullptr, 16));
      EXPECT_TRUE(InSomeTable(code)) << it->str() << " in " << entry.path().string();
    }
  }
  EXPECT_GT(filesRead, 100);
}

}  // namespace
}  // namespace kq
