// Another program's request that every open confirmation wait end: the registered message
// "KQ_ORV_EXITALLUKEYDC" posted to every top-level window. Exit status 0 when it was posted.
#include <windows.h>

int main() {
  const UINT message = RegisterWindowMessageW(L"KQ_ORV_EXITALLUKEYDC");
  return message != 0 && PostMessageW(HWND_BROADCAST, message, 0, 0) != FALSE ? 0 : 1;
}
