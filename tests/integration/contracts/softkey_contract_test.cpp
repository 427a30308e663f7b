// What the soft key promises to anyone who drives it: keys made with the kqsim command, the
// device and PIN-entry libraries loaded from the build by path.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/pinentry.h"
#include "device/zant.h"
#include "support/openssl_command.h"
#include "support/scoped_env.h"

namespace kq::contract {
namespace {

const std::string kKqsim = std::string(KQ_TEST_BIN_DIR) + "/kqsim";

template <typename Function>
Function Resolve(void* library, const char* name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

// A soft-key root of the test's own, named by KQSIM_ROOT while the object lives.
class SoftKeyRoot {
 public:
  SoftKeyRoot() : env_("KQSIM_ROOT", dir_.path().string()) {}

  void Create(const std::vector<std::string>& options) {
    std::vector<std::string> argv = {kKqsim, "--root", dir_.path().string(), "create"};
    argv.insert(argv.end(), options.begin(), options.end());
    const test::CommandResult made = test::RunCommand(argv);
    ASSERT_EQ(made.exitCode, 0) << made.err;
  }
  void Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {kKqsim, "--root", dir_.path().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const test::CommandResult done = test::RunCommand(argv);
    ASSERT_EQ(done.exitCode, 0) << done.err;
  }

 private:
  test::TempDirectory dir_;
  test::ScopedEnv env_;
};

class SoftKeyContract : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = dlopen((std::string(KQ_TEST_LIB_DIR) + "/libKQORV_Zantu.so").c_str(), RTLD_NOW);
    pinEntry_ = dlopen((std::string(KQ_TEST_LIB_DIR) + "/libKQORVUI.so").c_str(), RTLD_NOW);
    ASSERT_NE(device_, nullptr) << dlerror();
    ASSERT_NE(pinEntry_, nullptr) << dlerror();
    EnumDev = Resolve<decltype(&ZANT_EnumDev)>(device_, "ZANT_EnumDev");
    OpenDev = Resolve<decltype(&ZANT_OpenDev)>(device_, "ZANT_OpenDev");
    CloseDev = Resolve<decltype(&ZANT_CloseDev)>(device_, "ZANT_CloseDev");
    GetDevSer = Resolve<decltype(&ZANT_GetDevSer)>(device_, "ZANT_GetDevSer");
    VerifyPIN = Resolve<decltype(&ZANT_VerifyPIN)>(device_, "ZANT_VerifyPIN");
    GetDevState = Resolve<decltype(&ZANT_GetDevState)>(device_, "ZANT_GetDevState");
    GetData = Resolve<decltype(&ZANT_GetData)>(device_, "ZANT_GetData");
    LoginA = Resolve<decltype(&UI_LoginA)>(pinEntry_, "UI_LoginA");
  }
  void TearDown() override {
    if (pinEntry_ != nullptr) {
      dlclose(pinEntry_);
    }
    if (device_ != nullptr) {
      dlclose(device_);
    }
  }

  std::string Readers() {
    uint32_t length = 0xFFFF;
    EXPECT_EQ(EnumDev(nullptr, &length, 0), 0u);
    std::string buffer(length, '?');
    if (length != 0) {
      EXPECT_EQ(EnumDev(buffer.data(), &length, 0), 0u);
    }
    return buffer.substr(0, length);
  }

  uint32_t Login(const char* reader) {
    UiLoginRequest request{};
    request.flags = 5;
    std::strncpy(request.readerName, reader, sizeof request.readerName - 1);
    return LoginA(&request);
  }

  void* device_ = nullptr;
  void* pinEntry_ = nullptr;
  decltype(&ZANT_EnumDev) EnumDev = nullptr;
  decltype(&ZANT_OpenDev) OpenDev = nullptr;
  decltype(&ZANT_CloseDev) CloseDev = nullptr;
  decltype(&ZANT_GetDevSer) GetDevSer = nullptr;
  decltype(&ZANT_VerifyPIN) VerifyPIN = nullptr;
  decltype(&ZANT_GetDevState) GetDevState = nullptr;
  decltype(&ZANT_GetData) GetData = nullptr;
  decltype(&UI_LoginA) LoginA = nullptr;
};

TEST_F(SoftKeyContract, ReadersAreNumberedFromZeroAndNoKeyHasLengthZero) {
  SoftKeyRoot root;
  EXPECT_EQ(Readers(), "");
  root.Create({"--serial", "7301AAAABBBB0001"});
  root.Create({"--serial", "7201CCCCDDDD0002"});
  EXPECT_EQ(Readers(), std::string("ORV ZANTULDCCID 0\0ORV ZANTULDCCID 1\0\0", 37));
}

TEST_F(SoftKeyContract, IdentityBeginsWithTheSerialsMediaId) {
  SoftKeyRoot root;
  root.Create({"--serial", "7301AAAABBBB0001"});
  ZANT_HANDLE handle = nullptr;
  ASSERT_EQ(OpenDev(&handle, "ORV ZANTULDCCID 0", 0), 0u);
  uint8_t serial[16] = {};
  uint8_t identity[16] = {};
  uint32_t length = sizeof serial;
  ASSERT_EQ(GetDevSer(handle, serial, &length, 0), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 16), "7301AAAABBBB0001");
  length = sizeof identity;
  ASSERT_EQ(GetDevSer(handle, identity, &length, 6), 0u);
  EXPECT_EQ(std::memcmp(serial, identity, 12), 0);
  // A buffer shorter than 16 bytes receives the leading bytes of either value.
  for (const uint32_t kind : {0u, 6u}) {
    uint8_t shortBuffer[8] = {};
    length = sizeof shortBuffer;
    EXPECT_EQ(GetDevSer(handle, shortBuffer, &length, kind), 0u) << kind;
    EXPECT_EQ(std::memcmp(shortBuffer, serial, sizeof shortBuffer), 0) << kind;
  }
  EXPECT_EQ(CloseDev(handle, 0), 0u);
}

TEST_F(SoftKeyContract, PinVerificationAfterWrongTriesWaitsWithExactly0x6100) {
  SoftKeyRoot root;
  root.Create({"--serial", "7301AAAABBBB0001", "--pin", "12345678", "--button", "ok:2"});
  root.Run({"pin", "0", "--tries-left", "4"});
  ZANT_HANDLE handle = nullptr;
  ASSERT_EQ(OpenDev(&handle, "ORV ZANTULDCCID 0", 0), 0u);
  EXPECT_EQ(VerifyPIN(handle, "12345678", 8), 0x6100u);
  uint8_t state[32] = {};
  uint32_t length = sizeof state;
  ASSERT_EQ(GetDevState(handle, state, &length, 4), 0u);
  EXPECT_EQ(state[0], 1);  // waiting, with the tenths of a second left in bytes 1 and 2
  EXPECT_GT((state[1] << 8) | state[2], 0);
  for (int polls = 0; polls < 100 && state[0] == 1; ++polls) {
    length = sizeof state;
    ASSERT_EQ(GetDevState(handle, state, &length, 4), 0u);
  }
  EXPECT_EQ(state[0], 2);
  uint8_t data[32] = {};
  length = sizeof data;
  EXPECT_EQ(GetData(handle, data, &length, 0), 0u);
  EXPECT_EQ(CloseDev(handle, 0), 0u);
}

TEST_F(SoftKeyContract, PinAnswersAreTakenInOrderAndTheLastRepeats) {
  SoftKeyRoot root;
  root.Create({"--serial", "7301AAAABBBB0001", "--pin", "12345678", "--button", "ok:1"});
  test::ScopedEnv answers("KQSIM_PIN", "11111111,cancel,unavailable,12345678");
  EXPECT_EQ(Login("ORV ZANTULDCCID 0"), 0xD0106305u);  // wrong: five tries left
  EXPECT_EQ(Login("ORV ZANTULDCCID 0"), 0xD0100101u);  // cancelled
  EXPECT_EQ(Login("ORV ZANTULDCCID 0"), 0xD0100100u);  // unavailable
  EXPECT_EQ(Login("ORV ZANTULDCCID 0"), 0u);           // confirmed on the key after the wrong try
  EXPECT_EQ(Login("ORV ZANTULDCCID 0"), 0u);           // the last answer repeats
}

}  // namespace
}  // namespace kq::contract
