// A Windows program that uses the installed provider as any CryptoAPI client does: by its name
// through advapi32. It creates a container, has the key generate an RSA 2048 signature key, signs
// a SHA-256 hash, verifies the signature with Windows' own Microsoft software provider, deletes
// the container, and exits with 0 when every step held (each step prints one line).
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <vector>

namespace {

constexpr wchar_t kProvider[] = L"KQCSP For ORV v2.0";
constexpr wchar_t kContainer[] = L"signing-probe";

bool Step(const char* what, BOOL ok) {
  std::printf("%s: %s (0x%08lX)\n", what, ok ? "ok" : "FAILED", ok ? 0UL : GetLastError());
  return ok != FALSE;
}

bool SignAndVerify() {
  HCRYPTPROV prov = 0;
  if (!Step("CryptAcquireContextW CRYPT_NEWKEYSET",
            CryptAcquireContextW(&prov, kContainer, kProvider, PROV_RSA_FULL, CRYPT_NEWKEYSET))) {
    return false;
  }
  HCRYPTKEY key = 0;
  HCRYPTHASH hash = 0;
  std::vector<BYTE> signature(512);
  DWORD signatureLength = static_cast<DWORD>(signature.size());
  std::vector<BYTE> blob(2048);
  DWORD blobLength = static_cast<DWORD>(blob.size());
  static const BYTE data[] = "a document to sign";
  bool ok =
      Step("CryptGenKey AT_SIGNATURE RSA 2048",
           CryptGenKey(prov, AT_SIGNATURE, 2048U << 16, &key)) &&
      Step("CryptCreateHash CALG_SHA_256", CryptCreateHash(prov, CALG_SHA_256, 0, 0, &hash)) &&
      Step("CryptHashData", CryptHashData(hash, data, sizeof data, 0)) &&
      Step("CryptSignHashW",
           CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, signature.data(), &signatureLength)) &&
      Step("CryptExportKey PUBLICKEYBLOB",
           CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &blobLength));
  if (hash != 0) {
    CryptDestroyHash(hash);
  }
  if (key != 0) {
    CryptDestroyKey(key);
  }
  CryptReleaseContext(prov, 0);

  // The Microsoft provider checks the signature with the exported public key.
  HCRYPTPROV microsoft = 0;
  if (ok && Step("CryptAcquireContextW MS_ENH_RSA_AES_PROV",
                 CryptAcquireContextW(&microsoft, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                                      CRYPT_VERIFYCONTEXT))) {
    HCRYPTKEY publicKey = 0;
    HCRYPTHASH check = 0;
    ok = Step("CryptImportKey",
              CryptImportKey(microsoft, blob.data(), blobLength, 0, 0, &publicKey)) &&
         Step("CryptCreateHash (Microsoft)",
              CryptCreateHash(microsoft, CALG_SHA_256, 0, 0, &check)) &&
         Step("CryptHashData (Microsoft)", CryptHashData(check, data, sizeof data, 0)) &&
         Step("CryptVerifySignatureW (Microsoft)",
              CryptVerifySignatureW(check, signature.data(), signatureLength, publicKey, nullptr,
                                    0));
    if (check != 0) {
      CryptDestroyHash(check);
    }
    if (publicKey != 0) {
      CryptDestroyKey(publicKey);
    }
    CryptReleaseContext(microsoft, 0);
  } else {
    ok = false;
  }

  HCRYPTPROV gone = 0;
  ok =
      Step("CryptAcquireContextW CRYPT_DELETEKEYSET",
           CryptAcquireContextW(&gone, kContainer, kProvider, PROV_RSA_FULL, CRYPT_DELETEKEYSET)) &&
      ok;
  return ok;
}

}  // namespace

int main() {
  return SignAndVerify() ? 0 : 1;
}
