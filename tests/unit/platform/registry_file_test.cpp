#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/exact_buffer.h"

namespace kq::platform {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// UTF-16LE, with a byte-order mark as regedit writes version 5 files.
std::vector<uint8_t> Utf16Le(std::u16string_view text, bool mark) {
  std::vector<uint8_t> bytes;
  if (mark) {
    bytes = {0xFF, 0xFE};
  }
  for (const char16_t c : text) {
    bytes.insert(bytes.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
  }
  return bytes;
}

std::vector<uint8_t> Data(const RegistryFile& file, std::u16string_view path,
                          std::u16string_view name, uint32_t type = 0) {
  const RegistryFileValue* value = file.FindValue(path, name);
  if (value == nullptr || (type != 0 && value->type != type)) {
    return {0xEE};
  }
  return value->data;
}

const std::vector<uint8_t> kNone{0xEE};
std::vector<uint8_t> Dword(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

constexpr std::u16string_view kSettings =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\r\n"
    u"\"LanguageID\"=dword:00000804\r\n"
    u"\"IsUseSecDesk\"=dword:1\r\n"
    u"; a comment\r\n"
    u"\"Image Path\"=\"C:\\\\Windows\\\\kqcsp.dll \\\"x\\\" \u6587\"\r\n"
    u"\"Signature\"=hex:01,02,\\\r\n"
    u"  0a,FF\r\n"
    u"@=\"default\"\r\n\r\n"
    u"[HKEY_CURRENT_USER\\Software\\KQVN\\Orvenia]\r\n"
    u"\"LanguageID\"=dword:00000409\r\n";

TEST(RegistryFile, ReadsEveryValueKindInUtf16AndUtf8) {
  const RegistryFile file = RegistryFile::Parse(Utf16Le(kSettings, true));
  const std::u16string_view key = u"Software\\KQVN\\Orvenia";
  EXPECT_EQ(Data(file, key, u"LanguageID"), Dword(0x804));
  EXPECT_EQ(Data(file, u"software\\kqvn\\ORVENIA", u"isusesecdesk"), Dword(1));
  // Escapes undone; UTF-16LE with the terminating NUL, as Windows stores strings.
  EXPECT_EQ(Data(file, key, u"Image Path", kRegSz),
            Utf16Le(std::u16string(u"C:\\Windows\\kqcsp.dll \"x\" \u6587") + u'\0', false));
  EXPECT_EQ(Data(file, key, u"Signature", kRegBinary), (std::vector<uint8_t>{1, 2, 0x0A, 0xFF}));
  EXPECT_NE(file.FindValue(key, u""), nullptr);
  EXPECT_EQ(file.keys().size(), 1u);  // only HKEY_LOCAL_MACHINE is read

  const std::string text =
      "REGEDIT4\n[HKLM\\Software\\A]\n\"V\"=dword:FFFFFFFF\n\"T\"=hex(2):41,00,00,00\n";
  const RegistryFile utf8 = RegistryFile::Parse(Bytes("\xEF\xBB\xBF" + text));  // with a mark
  EXPECT_EQ(Data(utf8, u"Software\\A", u"V"), Dword(0xFFFFFFFF));
  EXPECT_EQ(Data(utf8, u"Software\\A", u"T", kRegExpandSz), (std::vector<uint8_t>{0x41, 0, 0, 0}));
}

TEST(RegistryFile, LaterValuesReplaceEarlierOnesDeletionsRemoveThemAndParentsExist) {
  const RegistryFile file =
      RegistryFile::Parse(Bytes("[HKLM\\K]\n\"A\"=dword:1\n\"a\"=dword:2\n\"B\"=dword:3\n\"B\"=-\n"
                                "[-HKLM\\K]\n\"C\"=dword:4\n[HKLM\\K]\n\"D\"=dword:5\n"));
  EXPECT_EQ(Data(file, u"K", u"A"), Dword(2));
  EXPECT_EQ(Data(file, u"K", u"B"), kNone);
  EXPECT_EQ(Data(file, u"K", u"C"), kNone);  // under a deleted key
  EXPECT_EQ(Data(file, u"K", u"D"), Dword(5));
  const RegistryFile imported =
      RegistryFile::Parse(Bytes("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B C]\n"));
  EXPECT_TRUE(imported.KeyExists(u"software\\a\\b c"));
  EXPECT_TRUE(imported.KeyExists(u"\\Software\\A\\"));
  EXPECT_FALSE(imported.KeyExists(u"Software\\A\\B"));
  EXPECT_FALSE(imported.KeyExists(u"Software\\Z"));
}

TEST(RegistryFile, SkipsMalformedLinesAndKeepsTheRest) {
  const RegistryFile file = RegistryFile::Parse(
      Bytes("\"Orphan\"=dword:1\n[HKLM\\K]\n\"TooLong\"=dword:123456789\n\"NotHex\"=dword:12g4\n"
            "\"Empty\"=dword:\n\"Open\"=\"no end\n\"Junk\"=\"x\" trailing\n\"Bytes\"=hex:1,2,300\n"
            "\"NoEquals\" dword:1\n\"Unclosed=dword:1\n\"Type\"=hex(zz):00\n[HKLM\\Unclosed\n"
            "\"Lost\"=dword:6\n[]\n[HKLM\\K]\n\"Good\"=dword:7\n"));
  ASSERT_EQ(file.keys().size(), 1u);
  ASSERT_EQ(file.keys()[0].values.size(), 1u);
  EXPECT_EQ(Data(file, u"K", u"Good"), Dword(7));
}

// Truncated and hostile files are read from exactly sized buffers (AddressSanitizer sees any
// over-read); a prefix never yields a value the full file lacks.
TEST(RegistryFile, TruncatedAndHostileInputsNeverReadPastTheBuffer) {
  std::vector<uint8_t> noise(4096);
  uint32_t state = 12345;
  for (uint8_t& b : noise) {
    b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 16);
  }
  const std::vector<std::vector<uint8_t>> inputs{
      Utf16Le(kSettings, true),
      Bytes(
          "\xEF\xBB\xBFREGEDIT4\n[HKLM\\A]\n\"x\"=hex:01,\\\n02\n\"y\"=\"a\\\\\\\"b\"\n@=dword:1"),
      noise,
      {0xFF, 0xFE, 0x00, 0xD8, 0x5B, 0x00},  // lone surrogate
      Bytes(std::string(3000, '[')),
      Bytes("[HKLM\\K]\n\"v\"=hex:" + std::string(5000, '\\') + "\n")};
  for (const std::vector<uint8_t>& input : inputs) {
    const RegistryFile full = RegistryFile::Parse(input);
    for (size_t n = input.size() > 1000 ? input.size() : 0; n <= input.size(); ++n) {
      const RegistryFile part = RegistryFile::Parse(test::ExactBuffer(input, n).span());
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
