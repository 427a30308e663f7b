#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace kq::platform {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// The text as UTF-16LE with a byte-order mark, as regedit writes version 5 files.
std::vector<uint8_t> Utf16LeWithMark(std::u16string_view text) {
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  for (const char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

uint32_t DwordOf(const RegistryFileValue* value) {
  EXPECT_NE(value, nullptr);
  if (value == nullptr || value->data.size() != 4) {
    return 0xDEADBEEF;
  }
  return uint32_t{value->data[0]} | (uint32_t{value->data[1]} << 8) |
         (uint32_t{value->data[2]} << 16) | (uint32_t{value->data[3]} << 24);
}

constexpr std::u16string_view kSettings =
    u"Windows Registry Editor Version 5.00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\r\n"
    u"\"LanguageID\"=dword:00000804\r\n"
    u"\"IsUseSecDesk\"=dword:1\r\n"
    u"; a comment\r\n"
    u"\"Image Path\"=\"C:\\\\Windows\\\\kqcsp.dll \\\"x\\\" \u6587\"\r\n"
    u"\"Signature\"=hex:01,02,\\\r\n"
    u"  0a,FF\r\n"
    u"@=\"default\"\r\n"
    u"\r\n"
    u"[HKEY_CURRENT_USER\\Software\\KQVN\\Orvenia]\r\n"
    u"\"LanguageID\"=dword:00000409\r\n";

TEST(RegistryFile, ReadsUtf16FileWithCrLfAndEveryValueKind) {
  const RegistryFile file = RegistryFile::Parse(Utf16LeWithMark(kSettings));
  EXPECT_EQ(DwordOf(file.FindValue(u"Software\\KQVN\\Orvenia", u"LanguageID")), 0x804u);
  EXPECT_EQ(DwordOf(file.FindValue(u"software\\kqvn\\ORVENIA", u"isusesecdesk")), 1u);

  const RegistryFileValue* path = file.FindValue(u"Software\\KQVN\\Orvenia", u"Image Path");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->type, kRegSz);
  // Escapes undone; UTF-16LE with the terminating NUL, as Windows stores strings.
  const std::u16string expected = u"C:\\Windows\\kqcsp.dll \"x\" \u6587";
  ASSERT_EQ(path->data.size(), (expected.size() + 1) * 2);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(path->data[2 * i] | (path->data[2 * i + 1] << 8), expected[i]);
  }
  EXPECT_EQ(path->data.back(), 0);

  const RegistryFileValue* signature = file.FindValue(u"Software\\KQVN\\Orvenia", u"Signature");
  ASSERT_NE(signature, nullptr);
  EXPECT_EQ(signature->type, kRegBinary);
  EXPECT_EQ(signature->data, (std::vector<uint8_t>{0x01, 0x02, 0x0A, 0xFF}));
  EXPECT_NE(file.FindValue(u"Software\\KQVN\\Orvenia", u""), nullptr);

  // Only HKEY_LOCAL_MACHINE is read: the current user's key does not count.
  EXPECT_EQ(file.keys().size(), 1u);
}

TEST(RegistryFile, ReadsUtf8WithAndWithoutMarkAndLfOnly) {
  const std::string text =
      "REGEDIT4\n[HKLM\\Software\\A]\n\"V\"=dword:FFFFFFFF\n\"T\"=hex(2):41,00,00,00\n";
  for (const std::string& variant : {text, std::string("\xEF\xBB\xBF") + text}) {
    const RegistryFile file = RegistryFile::Parse(Bytes(variant));
    EXPECT_EQ(DwordOf(file.FindValue(u"Software\\A", u"V")), 0xFFFFFFFFu);
    const RegistryFileValue* typed = file.FindValue(u"Software\\A", u"T");
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->type, kRegExpandSz);
  }
}

TEST(RegistryFile, LaterValuesReplaceEarlierOnesAndDeletionsRemoveThem) {
  const RegistryFile file =
      RegistryFile::Parse(Bytes("[HKLM\\K]\n\"A\"=dword:1\n\"a\"=dword:2\n\"B\"=dword:3\n\"B\"=-\n"
                                "[-HKLM\\K]\n\"C\"=dword:4\n[HKLM\\K]\n\"D\"=dword:5\n"));
  EXPECT_EQ(DwordOf(file.FindValue(u"K", u"A")), 2u);
  EXPECT_EQ(file.FindValue(u"K", u"B"), nullptr);
  EXPECT_EQ(file.FindValue(u"K", u"C"), nullptr);  // under a deleted key
  EXPECT_EQ(DwordOf(file.FindValue(u"K", u"D")), 5u);

  // The parents of an imported key exist; siblings do not.
  const RegistryFile imported =
      RegistryFile::Parse(Bytes("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B C]\n"));
  EXPECT_TRUE(imported.KeyExists(u"software\\a\\b c"));
  EXPECT_TRUE(imported.KeyExists(u"\\Software\\A\\"));
  EXPECT_FALSE(imported.KeyExists(u"Software\\A\\B"));
  EXPECT_FALSE(imported.KeyExists(u"Software\\Z"));
  EXPECT_EQ(imported.FindValue(u"Software\\A", u"Type"), nullptr);
}

TEST(RegistryFile, SkipsMalformedLinesAndKeepsTheRest) {
  const RegistryFile file =
      RegistryFile::Parse(Bytes("\"Orphan\"=dword:1\n"  // before any section
                                "[HKLM\\K]\n"
                                "\"TooLong\"=dword:123456789\n"  // nine digits
                                "\"NotHex\"=dword:12g4\n"
                                "\"Empty\"=dword:\n"
                                "\"Open\"=\"no end\n"
                                "\"Junk\"=\"x\" trailing\n"
                                "\"Bytes\"=hex:1,2,300\n"
                                "\"NoEquals\" dword:1\n"
                                "\"Unclosed=dword:1\n"
                                "\"Type\"=hex(zz):00\n"
                                "[HKLM\\Unclosed\n"
                                "\"Lost\"=dword:6\n"  // after a malformed section: no key
                                "[]\n"
                                "[HKLM\\K]\n"
                                "\"Good\"=dword:7\n"));
  EXPECT_EQ(file.keys().size(), 1u);
  ASSERT_EQ(file.keys()[0].values.size(), 1u);
  EXPECT_EQ(DwordOf(file.FindValue(u"K", u"Good")), 7u);
}

// Every truncated prefix of valid files, and hostile bytes, are parsed from an exactly sized heap
// buffer, so an over-read is caught by AddressSanitizer; a prefix never yields a value the full
// file lacks.
TEST(RegistryFile, TruncatedAndHostileInputsNeverReadPastTheBuffer) {
  std::vector<uint8_t> noise(4096);
  uint32_t state = 12345;
  for (uint8_t& b : noise) {
    state = state * 1103515245u + 12345u;
    b = static_cast<uint8_t>(state >> 16);
  }
  const std::vector<std::vector<uint8_t>> inputs{
      Utf16LeWithMark(kSettings),
      Bytes(
          "\xEF\xBB\xBFREGEDIT4\n[HKLM\\A]\n\"x\"=hex:01,\\\n02\n\"y\"=\"a\\\\\\\"b\"\n@=dword:1"),
      noise,
      {0xFF, 0xFE, 0x00, 0xD8, 0x5B, 0x00},  // lone surrogate
      Bytes(std::string(3000, '[')),
      Bytes("[HKLM\\K]\n\"v\"=hex:" + std::string(5000, '\\') + "\n")};
  for (const std::vector<uint8_t>& input : inputs) {
    const RegistryFile full = RegistryFile::Parse(input);
    for (size_t n = input.size() > 1000 ? input.size() : 0; n <= input.size(); ++n) {
      const std::unique_ptr<uint8_t[]> exact(new uint8_t[n]);
      std::copy_n(input.begin(), n, exact.get());
      const RegistryFile part = RegistryFile::Parse(std::span<const uint8_t>(exact.get(), n));
      for (const RegistryFileKey& key : part.keys()) {
        EXPECT_TRUE(full.KeyExists(key.path));
        for (const RegistryFileValue& value : key.values) {
          EXPECT_NE(full.FindValue(key.path, value.name), nullptr);
        }
      }
    }
  }
}

}  // namespace
}  // namespace kq::platform
