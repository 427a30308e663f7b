// The key's files through the device library, and their persistence beyond one process.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

std::vector<uint8_t> ReadAll(ZANT_HANDLE handle, uint32_t id, uint32_t* status = nullptr) {
  uint32_t length = 0;
  uint32_t result = Zant().GetFileLen(handle, id, &length);
  std::vector<uint8_t> content(length);
  uint32_t count = 0;
  if (result == dev::kOk) {
    result = Zant().ReadFile(handle, id, 0, length, content.data(), &count, 0);
  }
  if (status != nullptr) {
    *status = result;
  }
  content.resize(count);
  return content;
}

uint32_t Write(ZANT_HANDLE handle, uint32_t id, uint32_t offset, const std::vector<uint8_t>& data,
               uint32_t* count = nullptr) {
  uint32_t written = 0;
  const uint32_t status = Zant().WriteFile(handle, id, offset, data.data(),
                                           static_cast<uint32_t>(data.size()), &written, 0);
  if (count != nullptr) {
    *count = written;
  }
  return status;
}

TEST(SoftKeyFiles, NewKeyHoldsTheIndexFilesAndTheLabel) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.label = "Zhang's key"});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  EXPECT_EQ(ReadAll(key.get(), 0xD001), std::vector<uint8_t>(400, 0xFF));
  EXPECT_EQ(ReadAll(key.get(), 0xD002), std::vector<uint8_t>(200, 0xFF));
  std::vector<uint8_t> label(32, 0);
  const std::string text = "Zhang's key";
  std::copy(text.begin(), text.end(), label.begin());
  EXPECT_EQ(ReadAll(key.get(), 0xD003), label);
  uint32_t status = 0;
  ReadAll(key.get(), 0xD000, &status);
  EXPECT_EQ(status, dev::kSwFileNotFound);
}

TEST(SoftKeyFiles, CreateWriteReadAndDelete) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.maxFileSize = 1000, .capacity = 2000});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  uint32_t id = 0;
  EXPECT_EQ(Zant().CreateFile(key.get(), &id, 100, 0), dev::kSwSecurityNotSatisfied);
  ASSERT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kOk);

  // Id 0 picks the lowest free id; fixed ids are created by name and only once.
  ASSERT_EQ(Zant().CreateFile(key.get(), &id, 100, 0), dev::kOk);
  EXPECT_EQ(id, 1u);
  uint32_t second = 0;
  ASSERT_EQ(Zant().CreateFile(key.get(), &second, 50, 1), dev::kOk);
  EXPECT_EQ(second, 2u);
  uint32_t directory = 0xD000;
  ASSERT_EQ(Zant().CreateFile(key.get(), &directory, 70, 0), dev::kOk);
  EXPECT_EQ(directory, 0xD000u);
  EXPECT_EQ(Zant().CreateFile(key.get(), &directory, 70, 0), dev::kSwFileExists);
  uint32_t tooBig = 0;
  EXPECT_EQ(Zant().CreateFile(key.get(), &tooBig, 1001, 0), dev::kSwNotEnoughMemory);
  uint32_t badId = 0x10000;
  EXPECT_EQ(Zant().CreateFile(key.get(), &badId, 10, 0), dev::kSwIncorrectP1P2);
  EXPECT_EQ(ReadAll(key.get(), id), std::vector<uint8_t>(100, 0));

  // Partial writes land in place; a write past the end writes nothing.
  uint32_t count = 0;
  ASSERT_EQ(Write(key.get(), id, 10, {1, 2, 3}, &count), dev::kOk);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(Write(key.get(), id, 98, {4, 5, 6}, &count), dev::kSwWrongLength);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(Write(key.get(), id, 101, {7}), dev::kSwWrongOffset);
  std::vector<uint8_t> expected(100, 0);
  expected[10] = 1;
  expected[11] = 2;
  expected[12] = 3;
  EXPECT_EQ(ReadAll(key.get(), id), expected);

  // Reads from an offset; a read past the end delivers what is there.
  uint8_t piece[8] = {};
  ASSERT_EQ(Zant().ReadFile(key.get(), id, 11, 2, piece, &count, 0), dev::kOk);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(piece[0], 2);
  EXPECT_EQ(piece[1], 3);
  ASSERT_EQ(Zant().ReadFile(key.get(), id, 96, 8, piece, &count, 0), dev::kOk);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(Zant().ReadFile(key.get(), id, 101, 1, piece, &count, 0), dev::kSwWrongOffset);
  EXPECT_EQ(Zant().ReadFile(key.get(), 0x4444, 0, 1, piece, &count, 0), dev::kSwFileNotFound);

  // Capacity: 400 + 200 + 32 + 100 + 50 + 70 bytes are in use out of 2000.
  uint32_t large = 0;
  ASSERT_EQ(Zant().CreateFile(key.get(), &large, 1000, 0), dev::kOk);
  EXPECT_EQ(large, 3u);
  uint32_t full = 0;
  EXPECT_EQ(Zant().CreateFile(key.get(), &full, 149, 0), dev::kSwNotEnoughMemory);
  ASSERT_EQ(Zant().CreateFile(key.get(), &full, 148, 0), dev::kOk);

  ASSERT_EQ(Zant().DeleteFile(key.get(), id), dev::kOk);
  EXPECT_EQ(Zant().DeleteFile(key.get(), id), dev::kSwFileNotFound);
  uint32_t reused = 0;
  ASSERT_EQ(Zant().CreateFile(key.get(), &reused, 10, 0), dev::kOk);
  EXPECT_EQ(reused, 1u) << "a deleted id is free again";
}

TEST(SoftKeyFiles, OnlyTheLabelFileChangesWithoutThePin) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  std::vector<uint8_t> data(32, 'u');
  uint32_t count = 0;
  EXPECT_EQ(Write(key.get(), 0xD003, 0, data, &count), dev::kOk);
  EXPECT_EQ(count, 32u);
  EXPECT_EQ(Write(key.get(), 0xD001, 0, {0}), dev::kSwSecurityNotSatisfied);
  EXPECT_EQ(Zant().DeleteFile(key.get(), 0xD001), dev::kSwSecurityNotSatisfied);
  EXPECT_EQ(ReadAll(key.get(), 0xD003), data);
  EXPECT_EQ(scene.ReadKeyFile(name, 0xD003), data);
}

TEST(SoftKeyFiles, ChangesPersistAcrossProcesses) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  const std::string reader = scene.ReaderName(name);
  const pid_t child = fork();
  if (child == 0) {
    // Another process: log in, make a file and write it; exit without closing anything.
    ZANT_HANDLE handle = nullptr;
    uint32_t id = 0;
    uint32_t count = 0;
    const uint8_t data[4] = {0xCA, 0xFE, 0xBA, 0xBE};
    const bool ok = Zant().OpenDev(&handle, reader.c_str(), 0) == 0 &&
                    Zant().VerifyPIN(handle, "12345678", 8) == 0 &&
                    Zant().CreateFile(handle, &id, 4, 0) == 0 &&
                    Zant().WriteFile(handle, id, 0, data, 4, &count, 0) == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  SoftKeyHandle key(reader);
  ASSERT_EQ(key.openStatus(), dev::kOk);
  EXPECT_EQ(ReadAll(key.get(), 1), (std::vector<uint8_t>{0xCA, 0xFE, 0xBA, 0xBE}));
  uint8_t pin[4] = {};
  uint32_t length = sizeof pin;
  ASSERT_EQ(Zant().GetPINInfo(key.get(), pin, &length, 1), dev::kOk);
  EXPECT_EQ(pin[1], 1) << "the verified PIN belongs to the key, not to the process";
  const CommandResult shown = scene.RunKqsim({"read", name, "0001"});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, "CAFEBABE\n");
}

}  // namespace
}  // namespace kq::test
