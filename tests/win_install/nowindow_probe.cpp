// A Windows program for the check without a display (nowindow_check.sh):
//   genkey CONTAINER  makes the keyset and its signature pair through advapi32's CryptoAPI, as a
//                     bank's client does, and prints CryptGenKey's result and last error.
#include <cstdio>
#include <cwchar>

#include "win/support/win_crypt.h"

int wmain(int argc, wchar_t** argv) {
  using namespace kq::wintest;
  if (argc == 3 && std::wcscmp(argv[1], L"genkey") == 0) {
    CryptContext provider;
    if (!CryptAcquireContextW(provider.out(), argv[2], kProviderName, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET)) {
      std::printf("CryptAcquireContextW: 0x%08lX\n", GetLastError());
      return 1;
    }
    CryptKey pair;
    const BOOL made = CryptGenKey(provider.get(), AT_SIGNATURE, 0, pair.out());
    std::printf("CryptGenKey: %s 0x%08lX\n", made ? "TRUE" : "FALSE", made ? 0UL : GetLastError());
    return 0;
  }
  std::printf("usage: nowindow_probe genkey CONTAINER\n");
  return 2;
}
