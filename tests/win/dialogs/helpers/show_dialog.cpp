// Shows one of the provider's dialogs for a screenshot, in a language, through the same caller
// paths as the tests: prints the dialog's window rectangle ("x y width height") once it is up,
// keeps it up for the given milliseconds, then ends it as a user would (the key's "C", Cancel,
// OK of a message box) and exits.
//
//   show_dialog.exe countdown|warning|token|key|message 2052|1028|1033 [milliseconds]
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../dialog_driver.h"
#include "support/softkey_scene.h"

namespace {

using kq::test::BackgroundCall;
using kq::test::kProviderName;

void PrintRectangle(HWND window) {
  RECT area{};
  GetWindowRect(window, &area);
  std::printf("%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left,
              area.bottom - area.top);
  std::fflush(stdout);
}

BOOL Generate(HCRYPTPROV provider, DWORD bits) {
  HCRYPTKEY key = 0;
  const BOOL done = CryptGenKey(provider, AT_SIGNATURE, bits << 16, &key);
  if (key != 0) {
    CryptDestroyKey(key);
  }
  return done;
}

int Show(const std::string& which, DWORD milliseconds) {
  kq::test::SoftKeyScene scene;
  scene.SetPinAnswers("12345678");
  HCRYPTPROV provider = 0;
  const bool chooser = which == "token" || which == "message";
  std::string key;
  if (chooser) {
    scene.AddKey({.serial = "731000000001", .label = "Alice"});
    scene.AddKey({.serial = "731000000002", .label = "Bob"});
  } else if (which == "key") {
    key = scene.AddKey({.keyPairs = {{1, 1, "rsa2048-a"},
                                     {2, 0, "rsa2048-b"},
                                     {3, 1, "rsa1024-a"},
                                     {4, 1, "sm2-a"},
                                     {5, 0, "rsa2048-b"}}});
  } else {
    key = scene.AddKey({.button = "manual"});
  }
  if (!chooser && !CryptAcquireContextW(&provider, L"screenshot", kProviderName, PROV_RSA_FULL,
                                        CRYPT_NEWKEYSET)) {
    std::fprintf(stderr, "show_dialog: no container: %08lx\n", GetLastError());
    return 1;
  }
  if (which == "warning") {
    scene.SetPinState(key, 5, false);
  }
  BackgroundCall call([&] {
    if (chooser) {
      return CryptAcquireContextW(&provider, L"screenshot", kProviderName, PROV_RSA_FULL,
                                  CRYPT_NEWKEYSET);
    }
    if (which == "warning") {
      static const BYTE pin[] = "12345678";
      return CryptSetProvParam(provider, PP_SIGNATURE_PIN, pin, 0);
    }
    return Generate(provider, which == "key" ? 2048 : 1024);
  });
  const int control = which == "countdown" ? 1002 : which == "warning" ? 2016 : 1001;
  HWND dialog = kq::test::WaitForDialog(control);
  if (dialog == nullptr) {
    std::fprintf(stderr, "show_dialog: no dialog\n");
    return 1;
  }
  HWND shown = dialog;
  if (which == "message") {
    kq::test::SelectListRow(GetDlgItem(dialog, 1001), std::nullopt);
    kq::test::ClickButton(dialog, IDOK);
    shown = kq::test::WaitForMessageBox();
  }
  Sleep(300);
  PrintRectangle(shown);
  Sleep(milliseconds);
  if (shown != dialog) {
    kq::test::ClickButton(shown, IDOK);
    kq::test::WaitUntilGone(shown);
  }
  if (which == "countdown" || which == "warning") {
    scene.Press(key, which == "warning");
  } else {
    kq::test::ClickButton(dialog, IDCANCEL);
  }
  call.Finish();
  if (provider != 0) {
    CryptReleaseContext(provider, 0);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: show_dialog countdown|warning|token|key|message LANGUAGE [ms]\n");
    return 2;
  }
  const kq::test::LanguageSetting language(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  const DWORD milliseconds =
      argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 3000;
  return Show(argv[1], milliseconds);
}
