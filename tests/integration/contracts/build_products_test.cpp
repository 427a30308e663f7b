// The contracts an outside suite relies on: the build products' file names and places, how the
// libraries and programs find their neighbours (DT_RUNPATH, never DT_RPATH, which would outrank
// LD_LIBRARY_PATH), exactly which names each library exports, and, checked as the program
// compiles, the C interfaces other parties build against: the device library's operations and the
// PIN-entry block exactly as published, and the provider's exported last-error pair.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>

#include "device/pinentry.h"
#include "device/zant.h"
#include "kqcsp.h"
#include "support/run_command.h"

namespace kq::contract {

using H = void*;
using U = uint32_t;
template <typename Declared, typename Published>
constexpr bool kSame = std::is_same_v<Declared, Published>;

static_assert(kSame<ZANT_HANDLE, void*>);
static_assert(kSame<decltype(&ZANT_EnumDev), U (*)(char*, U*, U)>);
static_assert(kSame<decltype(&ZANT_OpenDev), U (*)(H*, const char*, U)>);
static_assert(kSame<decltype(&ZANT_CloseDev), U (*)(H, U)>);
static_assert(kSame<decltype(&ZANT_GetRandom), U (*)(H, uint8_t*, U)>);
static_assert(kSame<decltype(&ZANT_VerifyPIN), U (*)(H, const char*, U)>);
static_assert(kSame<decltype(&ZANT_ChangePIN), U (*)(H, const char*, U, const char*, U, U)>);
static_assert(kSame<decltype(&ZANT_InitDev), U (*)(H, const uint8_t*, uintptr_t)>);
static_assert(kSame<decltype(&ZANT_GenerateRSAKey), U (*)(H, U, const char*, U, U)>);
static_assert(kSame<decltype(&ZANT_DeleteRSAKey), U (*)(H, U, U)>);
static_assert(kSame<decltype(&ZANT_GetKeyInfo), U (*)(H, U, U*, U*)>);
static_assert(kSame<decltype(&ZANT_ReadRSAPub), U (*)(H, U, U*, uint8_t*, U*, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_RSAPublicDec), U (*)(H, U, const uint8_t*, U, uint8_t*, U*)>);
static_assert(
    kSame<decltype(&ZANT_RSAPrivateSign), U (*)(H, U, U, const uint8_t*, U, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_RSAPrivateSignEx), decltype(&ZANT_RSAPrivateSign)>);
static_assert(kSame<decltype(&ZANT_CreateFile), U (*)(H, U*, U, U)>);
static_assert(kSame<decltype(&ZANT_GetFileLen), U (*)(H, U, U*)>);
static_assert(kSame<decltype(&ZANT_ReadFile), U (*)(H, U, U, U, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_WriteFile), U (*)(H, U, U, const uint8_t*, U, U*, U)>);
static_assert(kSame<decltype(&ZANT_DeleteFile), U (*)(H, U)>);
static_assert(kSame<decltype(&ZANT_GetDevInfo), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetPINInfo), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetDevNum), U (*)(U*)>);
static_assert(kSame<decltype(&ZANT_GetDevSer), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetDevState), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetData), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetPubSigVal), U (*)(H, U, const void*, uint8_t*, U*)>);
static_assert(kSame<decltype(&ZANT_ReadBirCert), U (*)(H, uint8_t*, U*)>);
static_assert(kSame<decltype(&ZANT_CleanPinStatus), U (*)(H)>);
static_assert(kSame<decltype(&ZANT_SetLanguage), U (*)(H, U)>);

static_assert(kSame<decltype(&UI_LoginA), U (*)(UiLoginRequest*)>);
static_assert(kSame<decltype(&UI_ChangePinA), U (*)(UiLoginRequest*)>);
static_assert(sizeof(void*) != 8 || sizeof(UiLoginRequest) == 272);
static_assert(offsetof(UiLoginRequest, parentWindow) == 0);
static_assert(offsetof(UiLoginRequest, flags) == sizeof(void*));
static_assert(offsetof(UiLoginRequest, readerName) == sizeof(void*) + 4);
static_assert(sizeof(UiLoginRequest::readerName) == 260);
static_assert(kSame<decltype(UiLoginRequest::flags), uint32_t>);

static_assert(kSame<decltype(&GetLastError), uint32_t (*)()>);
static_assert(kSame<decltype(&SetLastError), void (*)(uint32_t)>);

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
    const size_t open = line.find('[');
    if (line.find("(" + tag + ")") != std::string::npos && open != std::string::npos) {
      return line.substr(open + 1, line.rfind(']') - open - 1);
    }
  }
  return {};
}

std::set<std::string> ExportedNames(const fs::path& file) {
  const test::CommandResult out =
      test::RunCommand({"nm", "-D", "--defined-only", "--format=just-symbols", file.string()});
  EXPECT_EQ(out.exitCode, 0) << out.err;
  std::istringstream words(out.out);
  std::set<std::string> names;
  for (std::string name; words >> name;) {
    names.insert(name.substr(0, name.find('@')));
  }
  return names;
}

TEST(BuildProducts, LibrariesAndProgramsLieInTheAgreedPlacesAndFindTheirNeighbours) {
  EXPECT_EQ(kLibDir.filename(), "lib");
  EXPECT_EQ(kBinDir.filename(), "bin");
  EXPECT_EQ(kLibDir.parent_path(), kBinDir.parent_path());
  for (const char* name : {"libkqcsp.so", "libkqpkcs11.so", "libKQORV_Zantu.so", "libKQORVUI.so"}) {
    EXPECT_TRUE(fs::is_regular_file(kLibDir / name)) << name;
    EXPECT_EQ(DynamicEntry(kLibDir / name, "SONAME"), name);
    EXPECT_EQ(DynamicEntry(kLibDir / name, "RUNPATH"), "$ORIGIN") << name;
    EXPECT_EQ(DynamicEntry(kLibDir / name, "RPATH"), "") << name;
  }
  for (const char* name : {"kqsim", "kqtool"}) {
    ASSERT_TRUE(fs::is_regular_file(kBinDir / name)) << name << " is missing from the build";
    EXPECT_EQ(DynamicEntry(kBinDir / name, "RUNPATH"), "$ORIGIN/../lib") << name;
    EXPECT_EQ(DynamicEntry(kBinDir / name, "RPATH"), "") << name;
  }
}

// Exactly the agreed names: 25 CryptoAPI entry points, 18 tool exports, the function table and
// the last-error pair (46); the device interface's 29 operations; the PIN entry's two.
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
      {"libKQORVUI.so", "UI_LoginA UI_ChangePinA"},
      {"libkqpkcs11.so", "C_GetFunctionList"}};
  for (size_t i = 0; i < std::size(libraries); ++i) {
    std::istringstream words(libraries[i].second);
    const std::set<std::string> expected{std::istream_iterator<std::string>(words), {}};
    EXPECT_EQ(ExportedNames(kLibDir / libraries[i].first), expected) << libraries[i].first;
  }
}

}  // namespace
}  // namespace kq::contract
