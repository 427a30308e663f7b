#pragma once
// What a PIN-login test watches, in one object: soft keys of its own, the UI log (message boxes),
// the notification socket (refresh-PIN broadcasts), an empty registry (no secure desktop) and the
// catalogue in English. Header-only: it needs the catalogue and the provider's login, which only
// programs that link those layers have.

#include <string>
#include <vector>

#include "provider/device_access.h"
#include "support/notify_listener.h"
#include "support/softkey_scene.h"
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"

namespace kq::test {

class LoginWatch {
 public:
  LoginWatch() {
    savedLanguage_ = ui::CatalogueLanguage();
    ui::SetCatalogueLanguage(ui::kLanguageEnglish);
  }
  LoginWatch(const LoginWatch&) = delete;
  LoginWatch& operator=(const LoginWatch&) = delete;
  ~LoginWatch() { ui::SetCatalogueLanguage(savedLanguage_); }

  // The message boxes shown so far, as "caption\ttext".
  [[nodiscard]] std::vector<std::string> MessageBoxes() const {
    std::vector<std::string> boxes;
    for (const std::string& line : ui.Lines()) {
      if (line.rfind("MSGBOX ", 0) == 0) {
        boxes.push_back(line.substr(7));
      }
    }
    return boxes;
  }

  // The wParams of the refresh-PIN broadcasts received so far (other notifications are dropped).
  [[nodiscard]] std::vector<uint64_t> RefreshPinBroadcasts() {
    for (const Notification& n : notifications.Drain()) {
      if (n.name == "KQ_ORV_TOOL_REFRESHPIN") {
        refreshPin_.push_back(n.wParam);
      }
    }
    return refreshPin_;
  }

  SoftKeyScene scene;
  UiLogCapture ui;
  NotifyListener notifications;
  TempRegistry registry;

 private:
  uint32_t savedLanguage_ = 0;
  std::vector<uint64_t> refreshPin_;
};

// The provider's login for a context on a reader name: its code, and the context it leaves.
struct ProviderLogin {
  explicit ProviderLogin(std::string readerName, bool silent = false) {
    context.readerName = std::move(readerName);
    context.silent = silent;
  }
  uint32_t Run(DeviceSession& session, LoginMode mode) {
    return provider::LoginForContext(context, session, mode);
  }
  provider::ProviderContext context{0};
};

inline constexpr char kWrongPinBox5[] = "Verify PIN\tVerify PIN fail,left 5 times";
inline constexpr char kLockedBox[] = "Verify PIN\tYour USBKey has been locked, please contact ORV!";
inline constexpr char kFailedBox[] = "Verify PIN\tVerify PIN fail, please check your operation!";

}  // namespace kq::test
