// Shows one of the provider's dialogs for a screenshot, in a language, through the same caller
// paths as the tests: prints the dialog's window rectangle ("x y width height") once it is up,
// keeps it up for the given milliseconds, then ends it as a user would and exits.
//
//   show_dialog.exe countdown|warning|token|key|message 2052|1028|1033 [milliseconds]
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "../dialog_scene.h"

int main(int argc, char** argv) {
  using namespace kq::wintest;
  const std::map<std::string, Dialog> kinds = {{"countdown", Dialog::kCountdown},
                                               {"warning", Dialog::kPinWarning},
                                               {"token", Dialog::kTokenChooser},
                                               {"message", Dialog::kTokenChooser},
                                               {"key", Dialog::kKeyChooser}};
  if (argc < 3 || !kinds.contains(argv[1])) {
    std::fprintf(stderr, "usage: show_dialog countdown|warning|token|key|message LANGUAGE [ms]\n");
    return 2;
  }
  const LanguageSetting language(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  DialogScene scene(kinds.at(argv[1]));
  BackgroundCall call = scene.Start();
  const HWND dialog = scene.Wait();
  HWND shown = dialog;
  if (dialog != nullptr && std::string(argv[1]) == "message") {  // OK without a row: its box
    SelectListRow(GetDlgItem(dialog, 1001), std::nullopt);
    ClickButton(dialog, IDOK);
    shown = WaitForDialog(kMessageBoxText);
  }
  if (shown == nullptr) {
    std::fprintf(stderr, "show_dialog: no dialog\n");
    return 1;
  }
  Sleep(300);
  RECT area{};
  GetWindowRect(shown, &area);
  std::printf("%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left,
              area.bottom - area.top);
  std::fflush(stdout);
  Sleep(argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 3000);
  if (shown != dialog) {
    ClickButton(shown, IDOK);
    WaitUntilGone(shown);
  }
  scene.Dismiss(dialog);
  call.Finish();
  return 0;
}
