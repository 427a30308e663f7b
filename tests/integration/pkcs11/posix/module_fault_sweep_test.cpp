// The module's changes to the key survive every failing call: certificate installation runs once
// cleanly, then once for every one of their device calls failing in each way a key fails. After
// each run no handle is open, the module still lists the token, and `kqsim check` finds the key's
// store consistent.
#include <string>

#include "module_fixture.h"
#include "support/fault_sweep.h"

namespace kq::test {
namespace {

// What installation rides out besides a failing close: the login's PIN-state reset, and the
// replaced certificate's deletion, which does not report failures of single objects (it leaves
// what kObjectDeletionLeaves lists); a session that ends with a failing call reopens the key; and
// C_Finalize's logout after the change, whose key check (GetDevSer) may fail without a word.
constexpr const char* kReplacementSkips[] = {"CloseDev",   "CleanPinStatus", "OpenDev",
                                             "CreateFile", "GetFileLen",     "ReadFile",
                                             "WriteFile",  "DeleteFile",     "GetDevSer"};

class ModuleFaultSweep : public ModuleTest {
 protected:
  // Runs `change` in a fresh read-write session with the user logged in.
  uint32_t InSession(const std::function<CK_RV(CK_SESSION_HANDLE)>& change) {
    p11_->C_Finalize(nullptr);
    CK_RV rv = p11_->C_Initialize(nullptr);
    CK_SESSION_HANDLE session = 0;
    rv = rv == CKR_OK ? p11_->C_OpenSession(0, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr,
                                            nullptr, &session)
                      : rv;
    CK_UTF8CHAR pin[] = "12345678";
    rv = rv == CKR_OK ? p11_->C_Login(session, CKU_USER, pin, 8) : rv;
    rv = rv == CKR_OK ? change(session) : rv;
    p11_->C_Finalize(nullptr);
    return static_cast<uint32_t>(rv);
  }
  void Sweep(const char* name, const std::function<CK_RV(CK_SESSION_HANDLE)>& change) {
    const size_t runs = SweepFaults(
        scene_, key_, [&] { return InSession(change); },
        [&](const FaultRun& run) {
          EXPECT_EQ(scene_.OpenHandles(key_), 0) << name << " with " << run.plan;
          EXPECT_TRUE(FailedAsPlanned(run, kReplacementSkips))
              << name << " succeeds with " << run.plan;
          EXPECT_TRUE(run.consistent || IsAccepted(kObjectDeletionLeaves, run))
              << name << " with " << run.plan << " (0x" << std::hex << run.code << "):\n"
              << run.problems;
          EXPECT_EQ(InSession([](CK_SESSION_HANDLE) { return CKR_OK; }), 0u)
              << name << " with " << run.plan << ": the token no longer answers";
          // Whatever failed, the key still holds a certificate for its pair (old or new).
          const CK_SESSION_HANDLE own = session_;
          EXPECT_EQ(InSession([&](CK_SESSION_HANDLE session) {
                      session_ = session;
                      return Object(CKO_CERTIFICATE) == CK_INVALID_HANDLE ? CKR_GENERAL_ERROR
                                                                          : CKR_OK;
                    }),
                    0u)
              << name << " with " << run.plan << ": the certificate is gone";
          session_ = own;
        });
    EXPECT_GT(runs, 10u) << name;
  }
};

// Generation and deletion were swept the same way in longer runs kept out of CI (minutes each);
// certificate installation, which replaces the key pair's certificate, runs here.
TEST_F(ModuleFaultSweep, CertificateInstallationSurvivesEveryFailingCall) {
  Sweep("C_CreateObject", [&](CK_SESSION_HANDLE session) {
    CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
    CK_ATTRIBUTE entries[] = {{CKA_CLASS, &certificateClass, sizeof certificateClass},
                              {CKA_VALUE, certificate_.data(), certificate_.size()}};
    CK_OBJECT_HANDLE object = 0;
    return p11_->C_CreateObject(session, entries, 2, &object);
  });
}

}  // namespace
}  // namespace kq::test
