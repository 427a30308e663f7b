// The module through its export, as a client calls it: the standard's rules for templates,
// buffers and sessions, login, and signatures that the certificate's key verifies.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <thread>

#include "module_fixture.h"
#include "support/transaction_message.h"
#include "support/ui_log_capture.h"

namespace kq::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST_F(ModuleTest, TemplatesFollowTheStandardEntryByEntry) {
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  CK_BBOOL sensitive = CK_FALSE;
  CK_BBOOL extractable = CK_TRUE;
  std::array<CK_BYTE, 2> tiny{};
  std::array<CK_ATTRIBUTE, 5> entries = {{
      {CKA_SENSITIVE, &sensitive, sizeof sensitive},
      {0x7FFF0001, tiny.data(), tiny.size()},  // no such attribute
      {CKA_MODULUS, nullptr, 0xFFFFFFFF},      // a size query, whatever the length
      {CKA_PUBLIC_EXPONENT, tiny.data(), 1},   // too small for 3 or 4 bytes
      {CKA_EXTRACTABLE, &extractable, sizeof extractable},
  }};
  EXPECT_EQ(p11_->C_GetAttributeValue(session_, key, entries.data(), entries.size()),
            CKR_BUFFER_TOO_SMALL);
  EXPECT_EQ(sensitive, CK_TRUE);
  EXPECT_EQ(entries[1].ulValueLen, CK_UNAVAILABLE_INFORMATION);
  EXPECT_EQ(entries[2].ulValueLen, 256u);
  EXPECT_EQ(entries[3].ulValueLen, CK_UNAVAILABLE_INFORMATION);
  EXPECT_EQ(extractable, CK_FALSE);
  CK_ATTRIBUTE secret = {CKA_PRIVATE_EXPONENT, nullptr, 0};
  EXPECT_EQ(p11_->C_GetAttributeValue(session_, key, &secret, 1), CKR_ATTRIBUTE_SENSITIVE);
  CK_ATTRIBUTE unknown = {0x7FFF0001, nullptr, 0};
  EXPECT_EQ(p11_->C_GetAttributeValue(session_, key, &unknown, 1), CKR_ATTRIBUTE_TYPE_INVALID);
  EXPECT_EQ(p11_->C_GetAttributeValue(session_, 0x7FFF0001, &unknown, 1),
            CKR_OBJECT_HANDLE_INVALID);
  EXPECT_EQ(p11_->C_FindObjectsInit(session_, nullptr, 1), CKR_ARGUMENTS_BAD);
}

TEST_F(ModuleTest, WrongPinsCountDownAndTheTokenTellsIt) {
  EXPECT_EQ(LoginUser("87654321"), CKR_PIN_INCORRECT);
  EXPECT_EQ(LoginUser("1234"), CKR_PIN_LEN_RANGE);
  CK_TOKEN_INFO info{};
  ASSERT_EQ(p11_->C_GetTokenInfo(0, &info), CKR_OK);
  EXPECT_NE(info.flags & CKF_USER_PIN_COUNT_LOW, 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(info.serialNumber), 12), scene_.MediaId(key_));
  EXPECT_EQ(p11_->C_Login(session_, CKU_SO, nullptr, 0), CKR_USER_TYPE_INVALID);
  // Through the PIN-entry library, as the provider asks.
  scene_.SetPinAnswers("cancel");
  EXPECT_EQ(p11_->C_Login(session_, CKU_USER, nullptr, 0), CKR_FUNCTION_CANCELED);
  scene_.SetPinAnswers("12345678");
  EXPECT_EQ(p11_->C_Login(session_, CKU_USER, nullptr, 0), CKR_OK);
}

// What a mechanism cannot sign is refused and ends the operation. (Every mechanism's signature,
// the size rules and multi-part signing: pkcs11-tool and openssl in clients_check.sh.)
TEST_F(ModuleTest, EachMechanismRefusesWhatItCannotSign) {
  const struct {
    Bytes data;
    CK_RV expected;
  } cases[] = {
      {Bytes(36, 0xAB), CKR_OK},  // a TLS MD5+SHA-1 digest, signed as given
      {Bytes(20, 0xAB), CKR_DATA_INVALID},
      {{'p', 'a', 'y'}, CKR_DATA_INVALID},
  };
  const CK_OBJECT_HANDLE publicKey = Object(CKO_PUBLIC_KEY);
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  CK_MECHANISM raw = {CKM_RSA_PKCS, nullptr, 0};
  for (const auto& c : cases) {
    ASSERT_EQ(p11_->C_SignInit(session_, &raw, key), CKR_OK);
    Bytes input = c.data;
    Bytes signature(256);
    CK_ULONG length = signature.size();
    EXPECT_EQ(p11_->C_Sign(session_, input.data(), input.size(), signature.data(), &length),
              c.expected)
        << input.size() << " bytes";
    EXPECT_EQ(p11_->C_Sign(session_, input.data(), input.size(), signature.data(), &length),
              CKR_OPERATION_NOT_INITIALIZED);
  }
  CK_MECHANISM sha256 = {CKM_SHA256_RSA_PKCS, nullptr, 0};
  EXPECT_EQ(p11_->C_SignInit(session_, &sha256, publicKey), CKR_KEY_HANDLE_INVALID);
  CK_MECHANISM pss = {CKM_SHA256_RSA_PKCS_PSS, nullptr, 0};
  EXPECT_EQ(p11_->C_SignInit(session_, &pss, key), CKR_MECHANISM_INVALID);
}

TEST_F(ModuleTest, SigningNeedsTheLoginAndLogoutEndsItOnTheKey) {
  CK_MECHANISM sha256 = {CKM_SHA256_RSA_PKCS, nullptr, 0};
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  ASSERT_EQ(p11_->C_Logout(session_), CKR_OK);
  EXPECT_EQ(Object(CKO_PRIVATE_KEY), CK_INVALID_HANDLE);
  EXPECT_EQ(p11_->C_SignInit(session_, &sha256, key), CKR_USER_NOT_LOGGED_IN);
  EXPECT_FALSE(scene_.State(key_).pinVerified);
  ASSERT_EQ(LoginUser(), CKR_OK);
  EXPECT_TRUE(scene_.State(key_).pinVerified);
  // Closing the last session logs out as well.
  EXPECT_EQ(p11_->C_CloseSession(session_), CKR_OK);
  EXPECT_FALSE(scene_.State(key_).pinVerified);
  EXPECT_EQ(p11_->C_CloseSession(session_), CKR_SESSION_HANDLE_INVALID);
}

// The child is forked while another thread of the parent waits for the key's button inside a
// call, holding the module's and the key's locks: it must not inherit them.
TEST_F(ModuleTest, AChildForkedDuringAButtonWaitStartsAfreshAndSigns) {
  const UiLogCapture ui;
  scene_.SetButton(key_, "manual:600");
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  CK_RV waited = CKR_GENERAL_ERROR;
  std::thread waiter([&] {
    CK_MECHANISM transaction = {CKM_KQ_TRANSACTION, nullptr, 0};
    Bytes message = TransactionMessage("0001", "pay 100.00 to A", "account 6222 0000");
    std::array<CK_BYTE, 256> signature{};
    CK_ULONG length = signature.size();
    waited = p11_->C_SignInit(session_, &transaction, key);
    waited = waited == CKR_OK
                 ? p11_->C_Sign(session_, message.data(), message.size(), signature.data(), &length)
                 : waited;
  });
  ASSERT_TRUE(ui.AwaitWaitSockets(1)) << "the transaction never waited for the button";
  const pid_t child = fork();
  if (child == 0) {
    alarm(60);  // a child that hangs on an inherited lock fails instead of holding the test
    // The parent's sessions are not the child's: nothing works until it initialises again.
    CK_SESSION_INFO info{};
    int failures = p11_->C_GetSessionInfo(session_, &info) != CKR_CRYPTOKI_NOT_INITIALIZED;
    failures += p11_->C_Initialize(nullptr) != CKR_OK;
    CK_SESSION_HANDLE session = 0;
    failures += p11_->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session) != CKR_OK;
    CK_UTF8CHAR pin[] = "12345678";
    failures += p11_->C_Login(session, CKU_USER, pin, 8) != CKR_OK;
    failures += SignOnce(key, session) != CKR_OK;
    _exit(failures);
  }
  ASSERT_NE(child, -1);
  // The child's signature waits its turn on the key behind the parent's transaction.
  scene_.Press(key_, true);
  waiter.join();
  EXPECT_EQ(waited, CKR_OK);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Run under ThreadSanitizer by the tsan preset, which picks the Threads tests.
class Threads : public ModuleTest {};

TEST_F(Threads, EightThreadsSignAtOnceInTheirOwnSessions) {
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  std::array<CK_RV, 8> results{};
  std::vector<std::thread> threads;
  for (size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&, t] {
      CK_SESSION_HANDLE session = 0;
      CK_RV rv = p11_->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session);
      for (int i = 0; i < 3 && rv == CKR_OK; ++i) {
        rv = SignOnce(key, session);
      }
      results[t] = rv;
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const CK_RV rv : results) {
    EXPECT_EQ(rv, CKR_OK);
  }
}

// Another program's wrong PIN or logout ends the key's verified PIN under this application: its
// next signature is refused, and it can then log in again.
TEST_F(ModuleTest, ALoginEndedByAnotherProgramCanBeMadeAgain) {
  ASSERT_EQ(LoginUser(), CKR_OK);
  const CK_OBJECT_HANDLE key = Object(CKO_PRIVATE_KEY);
  scene_.SetPinState(key_, std::nullopt, false);
  EXPECT_EQ(SignOnce(key, session_), CKR_USER_NOT_LOGGED_IN);
  EXPECT_EQ(LoginUser(), CKR_OK);
  EXPECT_EQ(SignOnce(key, session_), CKR_OK);
}

TEST_F(ModuleTest, SlotEventsTellAKeyPluggedInAndPulledOut) {
  CK_SLOT_ID slot = 99;
  EXPECT_EQ(p11_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);
  const std::string second = scene_.AddKey();
  EXPECT_EQ(p11_->C_WaitForSlotEvent(0, &slot, nullptr), CKR_OK);
  EXPECT_EQ(slot, 1u);
  EXPECT_EQ(p11_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);
  ASSERT_EQ(scene_.RunKqsim({"remove", second}).exitCode, 0);
  // Where clients look, without a slot list or an event in between: gone, then back.
  CK_SLOT_INFO info{};
  ASSERT_EQ(p11_->C_GetSlotInfo(1, &info), CKR_OK);
  EXPECT_EQ(info.flags & CKF_TOKEN_PRESENT, 0u);
  CK_TOKEN_INFO token{};
  EXPECT_EQ(p11_->C_GetTokenInfo(1, &token), CKR_TOKEN_NOT_PRESENT);
  EXPECT_EQ(p11_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_OK);
  scene_.AddKey();
  EXPECT_EQ(p11_->C_GetTokenInfo(1, &token), CKR_OK);
}

// A damaged key whose second container names the first one's certificate file: destroying the
// certificate in one container leaves the file to the other.
TEST_F(ModuleTest, ACertificateAnotherContainerNamesOutlivesItsDestruction) {
  uint16_t certificateFile = 0;
  scene_.SetPinState(key_, std::nullopt, true);
  {
    DeviceSession session;
    ASSERT_EQ(session.Open(scene_.ReaderName(key_)), 0u);
    ASSERT_EQ(store::CreateContainer(session, "twin"), 0u);
    store::ContainerInfo first;
    store::ContainerInfo twin;
    ASSERT_EQ(store::FindContainer(session, "module-test", first), 0u);
    ASSERT_EQ(store::FindContainer(session, "twin", twin), 0u);
    certificateFile = first.refs[store::kSignatureCertificate];
    ASSERT_EQ(store::SetContainerRefs(session, twin.fileId, first.refs,
                                      store::RefMask(store::kSignatureCertificate)),
              0u);
  }
  scene_.Replug(key_);
  ASSERT_EQ(p11_->C_CloseSession(session_), CKR_OK);
  ASSERT_EQ(
      p11_->C_OpenSession(0, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &session_),
      CKR_OK);
  ASSERT_EQ(LoginUser(), CKR_OK);
  EXPECT_EQ(p11_->C_DestroyObject(session_, Object(CKO_CERTIFICATE)), CKR_OK);
  EXPECT_TRUE(scene_.ReadKeyFile(key_, certificateFile).has_value());
}

}  // namespace
}  // namespace kq::test
