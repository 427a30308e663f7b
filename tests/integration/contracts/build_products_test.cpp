// The build products as an outside suite finds them: file names and places, how the libraries
// and programs find their neighbours (DT_RUNPATH, never DT_RPATH, which would outrank
// LD_LIBRARY_PATH), and exactly which names each library exports.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "support/openssl_command.h"

namespace kq::contract {
namespace {

namespace fs = std::filesystem;

const fs::path kLibDir = KQ_TEST_LIB_DIR;
const fs::path kBinDir = KQ_TEST_BIN_DIR;

// The value of a dynamic-section entry ("RUNPATH", "RPATH", "SONAME"), or "" when absent.
std::string DynamicEntry(const fs::path& file, const std::string& tag) {
  const test::CommandResult out = test::RunCommand({"readelf", "-d", file.string()});
  EXPECT_EQ(out.exitCode, 0) << out.err;
  std::istringstream lines(out.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("(" + tag + ")") == std::string::npos) {
      continue;
    }
    const size_t open = line.find('[');
    const size_t close = line.rfind(']');
    if (open != std::string::npos && close != std::string::npos && close > open) {
      return line.substr(open + 1, close - open - 1);
    }
  }
  return {};
}

std::set<std::string> ExportedNames(const fs::path& file) {
  const test::CommandResult out = test::RunCommand({"nm", "-D", "--defined-only", file.string()});
  EXPECT_EQ(out.exitCode, 0) << out.err;
  std::set<std::string> names;
  std::istringstream lines(out.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string address;
    std::string kind;
    std::string name;
    if (fields >> address >> kind >> name) {
      names.insert(name.substr(0, name.find('@')));
    }
  }
  return names;
}

TEST(BuildProducts, LibrariesAndProgramsLieInTheAgreedPlaces) {
  EXPECT_EQ(kLibDir.filename(), "lib");
  EXPECT_EQ(kBinDir.filename(), "bin");
  EXPECT_EQ(kLibDir.parent_path(), kBinDir.parent_path());
  for (const char* name : {"libkqcsp.so", "libKQORV_Zantu.so", "libKQORVUI.so"}) {
    EXPECT_TRUE(fs::is_regular_file(kLibDir / name)) << name;
    EXPECT_EQ(DynamicEntry(kLibDir / name, "SONAME"), name);
  }
  EXPECT_TRUE(fs::is_regular_file(kBinDir / "kqsim"));
}

TEST(BuildProducts, NeighboursAreFoundThroughRunpathOnly) {
  for (const char* name : {"libkqcsp.so", "libKQORV_Zantu.so", "libKQORVUI.so"}) {
    EXPECT_EQ(DynamicEntry(kLibDir / name, "RUNPATH"), "$ORIGIN") << name;
    EXPECT_EQ(DynamicEntry(kLibDir / name, "RPATH"), "") << name;
  }
  for (const char* name : {"kqsim", "kqtool"}) {
    if (!fs::exists(kBinDir / name)) {
      continue;  // a program not built in this tree is checked where it is
    }
    EXPECT_EQ(DynamicEntry(kBinDir / name, "RUNPATH"), "$ORIGIN/../lib") << name;
    EXPECT_EQ(DynamicEntry(kBinDir / name, "RPATH"), "") << name;
  }
}

// Exactly the agreed names: 25 CryptoAPI entry points, 18 tool exports, the function table and
// the last-error pair; the device interface's 29 operations; the PIN entry's two.
TEST(BuildProducts, LibrariesExportExactlyTheAgreedNames) {
  const std::pair<const char*, std::string> libraries[] = {
      {"libkqcsp.so",
       "CPAcquireContext CPReleaseContext CPGenKey CPDeriveKey CPDestroyKey CPSetKeyParam "
       "CPGetKeyParam CPExportKey CPImportKey CPEncrypt CPDecrypt CPCreateHash CPHashData "
       "CPHashSessionKey CPDestroyHash CPSignHash CPVerifySignature CPGenRandom CPGetUserKey "
       "CPSetProvParam CPGetProvParam CPSetHashParam CPGetHashParam CPDuplicateKey "
       "CPDuplicateHash KQ_CheckDevice KQ_CheckWorkStatus KQ_CheckDriver KQ_CheckCSP "
       "KQ_GetListNum KQ_GetMediaID KQ_GetDeviceSN KQ_GetCSPName KQ_CSPName KQ_InitCard "
       "KQ_ChangePIN KQ_CreatePKCS10 KQ_WritePKCS7 KQ_GetAllCertDN KQ_DeleteTempKeyOrCert "
       "KQ_GetSignature KQ_GetPubKeySignValue KQ_GetIDValue GetFunctionList GetLastError "
       "SetLastError"},
      {"libKQORV_Zantu.so",
       "ZANT_EnumDev ZANT_OpenDev ZANT_CloseDev ZANT_GetRandom ZANT_VerifyPIN ZANT_ChangePIN "
       "ZANT_InitDev ZANT_GenerateRSAKey ZANT_DeleteRSAKey ZANT_GetKeyInfo ZANT_ReadRSAPub "
       "ZANT_RSAPublicDec ZANT_RSAPrivateSign ZANT_RSAPrivateSignEx ZANT_CreateFile "
       "ZANT_GetFileLen ZANT_ReadFile ZANT_WriteFile ZANT_DeleteFile ZANT_GetDevInfo "
       "ZANT_GetPINInfo ZANT_GetDevNum ZANT_GetDevSer ZANT_GetDevState ZANT_GetData "
       "ZANT_GetPubSigVal ZANT_ReadBirCert ZANT_CleanPinStatus ZANT_SetLanguage"},
      {"libKQORVUI.so", "UI_LoginA UI_ChangePinA"}};
  const size_t counts[] = {25 + 18 + 3, 29, 2};
  for (size_t i = 0; i < std::size(libraries); ++i) {
    std::istringstream words(libraries[i].second);
    const std::set<std::string> expected{std::istream_iterator<std::string>(words), {}};
    EXPECT_EQ(expected.size(), counts[i]);
    EXPECT_EQ(ExportedNames(kLibDir / libraries[i].first), expected) << libraries[i].first;
  }
}

}  // namespace
}  // namespace kq::contract
