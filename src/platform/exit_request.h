#pragma once
// The exit request "KQ_ORV_EXITALLUKEYDC": another program asks every open confirmation wait to
// end as cancelled.
// POSIX: while a wait is open it binds a Unix datagram socket wait-<pid>-<n>.sock in the wait
// directory (KQCSP_RUN_DIR, else $XDG_RUNTIME_DIR/kqcsp, else /tmp/kqcsp-<uid>) and removes it
// when it ends; the datagram "KQ_ORV_EXITALLUKEYDC" sent there is the request.
// Win32: the registered window message of that name, broadcast to every top-level window; a
// wait without a window watches the named event "Local\KQ_ORV_EXITALLUKEYDC" of the session,
// which the sender holds signalled for 300 ms (three ticks of a wait).

#include <cstdint>
#include <string>

namespace kq::platform {

inline constexpr char kExitRequestName[] = "KQ_ORV_EXITALLUKEYDC";

// Listens for exit requests for as long as the object lives (one per open wait).
class ExitRequestListener {
 public:
  ExitRequestListener();
  ExitRequestListener(const ExitRequestListener&) = delete;
  ExitRequestListener& operator=(const ExitRequestListener&) = delete;
  ~ExitRequestListener();

  // Waits up to `milliseconds` (sleeps that long when nothing can arrive); true as soon as an
  // exit request has arrived.
  bool Wait(uint32_t milliseconds);

  // Where requests are received (the socket's path on POSIX); empty when not listening.
  [[nodiscard]] const std::string& address() const { return address_; }

 private:
  intptr_t socket_ = -1;  // the socket (POSIX) or the event (Win32)
  std::string address_;
};

// The directory of the wait sockets (POSIX); empty on Windows.
std::string WaitDirectory();

// Sends the exit request to every open wait of this user; returns how many waits it reached
// (on Windows: 1 when the broadcast was posted).
int SendExitRequestToAllWaits();

}  // namespace kq::platform
