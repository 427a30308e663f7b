// Certificate exports: installation of issued certificates, listing and deletion.
#include "common/codes_tools.h"
#include "kqcsp.h"
#include "tools/certificate_exports.h"
#include "tools/export_guard.h"

using kq::tools::GuardToolExport;

extern "C" {

// Installs issued certificates beside the key pairs whose public keys they carry.
uint32_t KQ_WritePKCS7(const char* mediaId, const char* certificateList, int32_t listLength) {
  return GuardToolExport(kq::tool::pkcs7::kBadArgument, [&] {
    return kq::tools::WritePkcs7(mediaId, certificateList, listLength);
  });
}

// Subjects of every certificate on a key, joined by "||".
uint32_t KQ_GetAllCertDN(const char* mediaId, char* buffer, int32_t* length) {
  return GuardToolExport(kq::tool::kDeviceAccessFailed,
                         [&] { return kq::tools::GetAllCertDn(mediaId, buffer, length); });
}

// Deletes certificates named by subject together with their key pairs.
uint32_t KQ_DeleteTempKeyOrCert(const char* subjectList, uintptr_t reserved, const char* mediaId,
                                uint32_t* deletedCount) {
  (void)reserved;  // accepted for the callers' sake and ignored
  return GuardToolExport(kq::tool::kDeviceAccessFailed, [&] {
    return kq::tools::DeleteTempKeyOrCert(subjectList, mediaId, deletedCount);
  });
}

}  // extern "C"
