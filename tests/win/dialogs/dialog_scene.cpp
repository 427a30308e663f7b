#include "dialog_scene.h"

#include "platform/win32/dialog_resources.h"

namespace kq::wintest {

DialogScene::DialogScene(Dialog dialog) : dialog_(dialog) {
  keys_.SetPinAnswers("12345678");
  if (dialog == Dialog::kTokenChooser) {
    keys_.AddKey({.serial = "731000000001", .label = "Alice"});
    key_ = keys_.AddKey({.serial = "731000000002", .label = "Bob"});
    return;
  }
  const std::vector<test::SceneKeyPair> full = {
      {1, 1, "sm2-a"}, {2, 0, "sm2-b"}, {3, 1, "rsa1024-a"}, {4, 1, "sm2-a"}, {5, 0, "sm2-b"}};
  key_ = keys_.AddKey(dialog == Dialog::kKeyChooser ? test::SceneKey{.keyPairs = full}
                                                    : test::SceneKey{.button = "manual"});
  CryptAcquireContextW(provider_.out(), L"dialogs", kProviderName, PROV_RSA_FULL, CRYPT_NEWKEYSET);
}

BackgroundCall DialogScene::Start() {
  if (dialog_ == Dialog::kPinWarning) {
    return VerifyPin();
  }
  if (dialog_ != Dialog::kTokenChooser) {
    return GenerateKey(dialog_ == Dialog::kKeyChooser ? 2048 : 1024);
  }
  return BackgroundCall([this] {
    return CryptAcquireContextW(provider_.out(), L"chosen", kProviderName, PROV_RSA_FULL,
                                CRYPT_NEWKEYSET);
  });
}

BackgroundCall DialogScene::GenerateKey(DWORD bits) {
  return BackgroundCall([this, bits] {
    CryptKey generated;
    return CryptGenKey(provider_.get(), AT_SIGNATURE, bits << 16, generated.out());
  });
}

// The PIN verification of CryptSetProvParam after a wrong PIN (five tries left) needs the key's
// "OK"; the soft PIN entry would wait for the button too, so only the verification runs so.
BackgroundCall DialogScene::VerifyPin() {
  keys_.SetPinState(key_, 5, false);
  return BackgroundCall([this] {
    static const BYTE pin[] = "12345678";
    return CryptSetProvParam(provider_.get(), PP_SIGNATURE_PIN, pin, 0);
  });
}

HWND DialogScene::Wait() const {
  return WaitForDialog(dialog_ == Dialog::kCountdown    ? KQ_IDC_WAIT_SECONDS
                       : dialog_ == Dialog::kPinWarning ? KQ_IDC_WARNING_TEXT
                                                        : KQ_IDC_CHOOSER_LIST);
}

void DialogScene::Dismiss(HWND dialog) {
  if (dialog_ == Dialog::kCountdown || dialog_ == Dialog::kPinWarning) {
    keys_.Press(key_, dialog_ == Dialog::kPinWarning);
  } else {
    ClickButton(dialog, IDCANCEL);
  }
}

}  // namespace kq::wintest
