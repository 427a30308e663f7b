// The Win32 backends of the platform ports that only a Windows system exercises: the registry
// port against the real HKLM (as the deployment wrote it), the entropy of BCryptGenRandom, the
// machine-wide lock folder, the confirmation dialogs' picture and the crypt32 certificate port
// with a Chinese subject. The program runs in a Chinese locale (ANSI code page 936), as the bank's
// machines do. (The exact last errors of the CryptoAPI suite prove the last-error port.)
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/certificate.h"
#include "platform/entropy.h"
#include "platform/file_lock.h"
#include "platform/registry.h"
#include "platform/win32/animated_picture.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

using platform::RegistryStatus;
using platform::RegistryView;

constexpr std::u16string_view kProductKey = u"SOFTWARE\\KQVN\\Orvenia";
constexpr std::u16string_view kProviderKey =
    u"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";

// The product key is read in the 64-bit view by either architecture; the provider's key in the
// program's own view, where its advapi32 looks (the 32-bit view for a 32-bit program).
TEST(RegistryPort, ReadsTheDeployedKeysInTheirViews) {
  uint32_t language = 0;
  ASSERT_EQ(platform::QueryRegistryDword(u"software\\kqvn\\ORVENIA", u"languageid",
                                         RegistryView::k64Bit, language),
            RegistryStatus::kOk);
  EXPECT_EQ(language, 2052u);

  // "Image Path": the size protocol of RegQueryValueExW, then the UTF-16 text with its NUL.
  uint8_t small[4] = {};
  size_t size = 0;
  uint32_t type = 0;
  ASSERT_EQ(platform::QueryRegistryValue(kProviderKey, u"Image Path", RegistryView::kDefault, small,
                                         size, type),
            RegistryStatus::kMoreData);
  EXPECT_EQ(type, platform::kRegSz);
  std::u16string path(size / 2, u'\0');
  ASSERT_EQ(platform::QueryRegistryValue(kProviderKey, u"Image Path", RegistryView::kDefault,
                                         {reinterpret_cast<uint8_t*>(path.data()), path.size() * 2},
                                         size, type),
            RegistryStatus::kOk);
  EXPECT_EQ(path, std::u16string(u"C:\\windows\\system32\\kqcsp.dll") + u'\0');

  EXPECT_EQ(
      platform::QueryRegistryDword(kProductKey, u"NoSuchValue", RegistryView::k64Bit, language),
      RegistryStatus::kValueMissing);
  EXPECT_EQ(platform::QueryRegistryDword(u"SOFTWARE\\KQVN\\Nowhere", u"LanguageID",
                                         RegistryView::k64Bit, language),
            RegistryStatus::kKeyMissing);
}

TEST(EntropyPort, BCryptGenRandomFillsEveryByteAfresh) {
  uint8_t bytes[2][32] = {};
  ASSERT_TRUE(platform::OsEntropy(bytes[0], 32));
  ASSERT_TRUE(platform::OsEntropy(bytes[1], 32));
  // Equal halves, or zeros at the end, from a working generator: one chance in 2^256.
  EXPECT_NE(std::memcmp(bytes[0], bytes[1], 32), 0);
  EXPECT_NE(std::memcmp(bytes[1], Bytes(32).data(), 32), 0);
}

// A picture that fails to decode or draw leaves the confirmation dialogs without it and says
// nothing, so only its pixels show it works: a one-pixel red GIF, decoded and drawn.
TEST(AnimatedPicture, DecodesAStillGifAndPaintsItIntoTheControl) {
  static constexpr uint8_t kRedPixel[] = {
      'G', 'I', 'F', '8', '9', 'a',  1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0,    0, 0x21, 0xF9, 4,
      0,   0,   0,   0,   0,   0x2C, 0, 0, 0, 0, 1,    0, 1, 0,    0, 2, 2, 0x44, 1, 0,    0x3B};
  HWND control = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  platform::AnimatedPicture picture;
  ASSERT_TRUE(picture.Attach(control));
  ASSERT_TRUE(picture.LoadFromMemory(kRedPixel));
  ASSERT_TRUE(picture.Draw());
  // The window reaches the screen asynchronously: read it until red, for at most two seconds.
  COLORREF seen = CLR_INVALID;
  for (int poll = 0; poll < 100 && seen != RGB(255, 0, 0); ++poll) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      DispatchMessageW(&message);
    }
    HDC screen = GetDC(control);
    seen = GetPixel(screen, 0, 0);
    ReleaseDC(control, screen);
    Sleep(20);
  }
  EXPECT_EQ(seen, RGB(255, 0, 0));
  DestroyWindow(control);
}

// The key's lock file is the machine's: a process with other temporary folders (a plug-in at low
// integrity, another user, a service) finds the same one. While held, no other open locks it and
// no one deletes it (a file pending deletion cannot be opened, which would leave the next process
// unordered).
TEST(FileLockPort, TheLockFolderIsTheMachinesWhateverTheTemporaryFolder) {
  wchar_t programData[MAX_PATH] = {};
  ASSERT_NE(GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH), 0u);
  const std::filesystem::path folder = platform::SharedLockFolder();
  EXPECT_EQ(folder, std::filesystem::path(programData) / L"KQVN" / L"locks");
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    ASSERT_TRUE(SetEnvironmentVariableW(name, L"C:\\windows"));
  }
  EXPECT_EQ(platform::SharedLockFolder(), folder);

  const std::filesystem::path path = folder / L"kqcsp-port-test.lock";
  platform::FileLock held = platform::FileLock::Acquire(path);
  ASSERT_TRUE(held.locked());
  HANDLE other = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  OVERLAPPED where = {};
  EXPECT_FALSE(
      LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where));
  EXPECT_FALSE(DeleteFileW(path.c_str()));
  held.Release();
  EXPECT_TRUE(
      LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where));
  CloseHandle(other);
}

std::string SubjectText(const platform::Certificate& certificate) {
  const uint32_t size = certificate.SubjectText(nullptr, 0);
  std::string text(size, '\0');
  EXPECT_EQ(certificate.SubjectText(text.data(), size), size);
  text.resize(size == 0 ? 0 : size - 1);
  return text;
}

TEST(CertificatePort, AChineseSubjectInCodePage936AndTheSignatureChecks) {
  ASSERT_EQ(GetACP(), 936u) << "the program runs with LC_ALL=zh_CN.UTF-8";
  Crypt32Ca ca;
  ASSERT_TRUE(ca.ready());
  // The CA's own key, so that the certificate is signed by the key it carries. 李四, 营业部 (a
  // name, the business department): Wine quotes a value whose UTF-16 bytes include a blank (张 is
  // U+5F20), which Windows does not; these characters have none.
  const Bytes publicKey = PublicKeyInfo(ca.provider());
  Bytes der = ca.Issue(EncodeName(L"CN=\u674E\u56DB, OU=\u8425\u4E1A\u90E8, C=CN"), publicKey);
  ASSERT_FALSE(der.empty());
  const platform::Certificate certificate = platform::Certificate::Decode(der);
  ASSERT_TRUE(certificate.loaded());
  EXPECT_EQ(SubjectText(certificate), "CN=\xC0\xEE\xCB\xC4, OU=\xD3\xAA\xD2\xB5\xB2\xBF, C=CN");
  EXPECT_TRUE(certificate.IsSignedByOwnKey());
  // The public key bits are the RSA key the certificate was issued for.
  const CRYPT_BIT_BLOB& bits =
      reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKey.data())->PublicKey;
  EXPECT_TRUE(std::ranges::equal(certificate.PublicKeyBits(),
                                 std::span<const BYTE>(bits.pbData, bits.cbData)));

  EXPECT_FALSE(platform::Certificate::Decode({der.begin(), der.end() - 1}).loaded());
  EXPECT_FALSE(platform::Certificate::Decode({}).loaded());
  der.back() ^= 0x01;  // in the signature value, which ends the certificate
  EXPECT_FALSE(platform::Certificate::Decode(der).IsSignedByOwnKey());
}

}  // namespace
}  // namespace kq::wintest
