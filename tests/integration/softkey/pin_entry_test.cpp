// The soft PIN-entry library: answers from KQSIM_PIN in order on its own handle, its own button
// waits, and the statuses the product's login maps.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

TEST(SoftPinEntry, AnswersInOrderWaitsOnTheKeyAndClosesItsHandle) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 6, .button = "ok:0"});
  UiLoginRequest request{};
  request.flags = 5;
  std::strncpy(request.readerName, scene.ReaderName(name).c_str(), sizeof request.readerName - 1);
  const auto login = [&request] { return SoftPinEntryLibrary::Instance().LoginA(&request); };
  scene.SetPinAnswers("cancel,00000000,11111111,unavailable,12345678");
  EXPECT_EQ(login(), pinentry::kCancelled);
  EXPECT_EQ(login(), 0xD0106305u);
  EXPECT_EQ(login(), 0xD0106304u) << "after a wrong PIN the library runs the button wait";
  EXPECT_EQ(login(), pinentry::kUnavailable);
  EXPECT_EQ(login(), pinentry::kOk);
  EXPECT_TRUE(scene.State(name).pinVerified);
  EXPECT_EQ(login(), pinentry::kOk) << "the last answer repeats";
  EXPECT_EQ(scene.Calls(name, "ZANT_VerifyPIN"), 4);

  // A wait that ends on the key: C, a timeout, a failure; then the lock.
  scene.SetPinAnswers("00000000,12345678");
  EXPECT_EQ(login(), 0xD0106305u);
  const std::pair<const char*, uint32_t> ends[] = {{"cancel:0", pinentry::kEndedOnKey1},
                                                   {"timeout:0", pinentry::kEndedOnKey2},
                                                   {"fail:0", pinentry::kEndedOnKey3}};
  for (const auto& [policy, status] : ends) {
    scene.SetButton(name, policy);
    EXPECT_EQ(login(), status) << policy;
  }
  scene.SetPinState(name, 0, false);
  EXPECT_EQ(login(), pinentry::kLocked);
  EXPECT_EQ(scene.OpenHandles(name), 0);
  std::strcpy(request.readerName, "ORV ZANTULDCCID 7");
  EXPECT_EQ(login(), 0xD0100000u | dev::kSwNoSuchReader);
}

}  // namespace
}  // namespace kq::test
