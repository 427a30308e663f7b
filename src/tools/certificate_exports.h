#pragma once
// Issued certificates on the key: installation beside their key pairs, listing by subject, and
// deletion of certificates with their key pairs.

#include <cstdint>

namespace kq::tools {

uint32_t WritePkcs7(const char* mediaId, const char* certificateList, int32_t listLength);
uint32_t GetAllCertDn(const char* mediaId, char* buffer, int32_t* length);
uint32_t DeleteTempKeyOrCert(const char* subjectList, const char* mediaId, uint32_t* deletedCount);

}  // namespace kq::tools
