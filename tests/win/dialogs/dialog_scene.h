#pragma once
// Soft keys made for one test that bring up each of the provider's dialogs through the CryptoAPI
// calls a bank's program makes. The tests and show_dialog share them. One scene at a time: each
// points the soft keys' root at its own.
#include <string>

#include "support/softkey_scene.h"
#include "win/support/dialog_driver.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {

enum class Dialog { kCountdown, kPinWarning, kTokenChooser, kKeyChooser };

class DialogScene {
 public:
  // Countdown and warning: a key whose button waits for the test. Token chooser: two keys, Alice
  // and Bob. Key chooser: a key whose five slots are taken (SM2 pairs, RSA 1024 in the third).
  // But for the token chooser, a container is opened on the key.
  explicit DialogScene(Dialog dialog);

  // The dialog's operation on a thread of its own: a key generation (countdown, key chooser), a
  // PIN verification after a wrong PIN (warning) or a new container (token chooser).
  BackgroundCall Start();
  BackgroundCall GenerateKey(DWORD bits);
  BackgroundCall VerifyPin();
  // The dialog once it is shown, found by a control of its own; null when none appears.
  [[nodiscard]] HWND Wait() const;
  // Ends the dialog: the key's "C" for the countdown, its "OK" for the warning, else Cancel.
  void Dismiss(HWND dialog);

  test::SoftKeyScene& keys() { return keys_; }
  [[nodiscard]] const std::string& key() const { return key_; }
  [[nodiscard]] HCRYPTPROV provider() const { return provider_.get(); }

 private:
  Dialog dialog_;
  test::SoftKeyScene keys_;
  std::string key_;  // the token chooser's: Bob's
  CryptContext provider_;
};

}  // namespace kq::wintest
