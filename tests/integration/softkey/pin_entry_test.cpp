// The soft PIN-entry library: answers from KQSIM_PIN, verification on its own handle, and the
// status table its callers map.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftPinEntryLibrary& Ui() {
  return SoftPinEntryLibrary::Instance();
}

UiLoginRequest Request(const std::string& reader) {
  UiLoginRequest request{};
  request.flags = 5;
  std::strncpy(request.readerName, reader.c_str(), sizeof request.readerName - 1);
  return request;
}

uint8_t Verified(const std::string& reader) {
  SoftKeyHandle key(reader);
  uint8_t info[4] = {};
  uint32_t length = sizeof info;
  EXPECT_EQ(SoftKeyLibrary::Instance().GetPINInfo(key.get(), info, &length, 1), dev::kOk);
  return info[1];
}

TEST(SoftPinEntry, AnswersAreTakenInOrderOnItsOwnHandleAndTheLastRepeats) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "ok:0"});
  UiLoginRequest request = Request(scene.ReaderName(name));
  scene.SetPinAnswers("cancel,00000000,11111111,unavailable,12345678");
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kCancelled);
  EXPECT_EQ(Ui().LoginA(&request), 0xD0106305u);
  // After a wrong PIN the library runs the key's button wait itself.
  EXPECT_EQ(Ui().LoginA(&request), 0xD0106304u);
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kUnavailable);
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kOk);
  EXPECT_EQ(Verified(scene.ReaderName(name)), 1);
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kOk) << "the last answer repeats";
  EXPECT_EQ(scene.OpenHandles(name), 0);
  EXPECT_EQ(scene.Calls(name, "ZANT_VerifyPIN"), 4);

  // A new value of the variable starts a new queue; change takes the old and the new answer.
  scene.SetPinAnswers("12345678,87654321");
  EXPECT_EQ(Ui().ChangePinA(&request), pinentry::kOk);
  EXPECT_EQ(scene.State(name).pin, "87654321");
  scene.SetPinAnswers("");
  if (isatty(0) == 0) {
    EXPECT_EQ(Ui().LoginA(&request), pinentry::kUnavailable) << "no answer and no terminal";
  }
  EXPECT_EQ(scene.OpenHandles(name), 0);
}

TEST(SoftPinEntry, LockedKeyWaitsEndedOnTheKeyAndBadReaders) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 2, .button = "cancel:0"});
  UiLoginRequest request = Request(scene.ReaderName(name));
  scene.SetPinAnswers("00000000,12345678");
  EXPECT_EQ(Ui().LoginA(&request), 0xD0106301u);
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kEndedOnKey1) << "C pressed on the key";
  scene.SetButton(name, "timeout:0");
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kEndedOnKey2);
  scene.SetButton(name, "fail:0");
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kEndedOnKey3);
  scene.SetPinState(name, 0, false);
  EXPECT_EQ(Ui().LoginA(&request), pinentry::kLocked);
  EXPECT_EQ(scene.OpenHandles(name), 0);

  std::memset(request.readerName, 'A', sizeof request.readerName);  // no NUL at all
  EXPECT_EQ(Ui().LoginA(&request), 0xD0100000u | dev::kSwNoSuchReader);
  UiLoginRequest other = Request("ORV ZANTULDCCID 7");
  EXPECT_EQ(Ui().LoginA(&other), 0xD0100000u | dev::kSwNoSuchReader);
  EXPECT_EQ(Ui().LoginA(nullptr), 0xD0100000u | dev::kSwWrongData);
}

}  // namespace
}  // namespace kq::test
