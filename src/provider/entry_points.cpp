#include "provider/entry_points.h"

#include <memory>

#include "provider/acquire.h"
#include "provider/entry_frame.h"
#include "provider/hash_operations.h"
#include "provider/key_operations.h"
#include "provider/provider_parameters.h"

namespace kq::provider {

KqBool AcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags) {
  return RunEntry([&]() -> KqBool {
    HandleRegistry& registry = HandleRegistry::Instance();
    const uint32_t handle = registry.IssueHandle();
    if (handle == 0) {
      return Fail(win::kNteBadUid);
    }
    auto context = std::make_shared<ProviderContext>(handle);
    if (!registry.Insert(handle, context)) {
      return Fail(win::kNteBadUid);
    }
    if (Acquire(*context, phProv, pszContainer, dwFlags) != 0) {
      return 1;
    }
    // A failed acquisition leaves nothing registered: the handle it consumed is given back
    // as 0xFFFFFFFF. (A successful deletion has already removed the context itself.)
    const uint32_t code = ProviderLastError();
    registry.Remove(handle);
    if (phProv != nullptr) {
      *phProv = 0xFFFFFFFF;
    }
    return Fail(code);
  });
}

// Only the handle goes here: the context and its objects go with the last call still using them,
// this one or one that another thread is running on the same handle.
KqBool ReleaseContext(KqHandle hProv) {
  return RunOnContext(hProv, [&](ProviderContext&) -> KqBool {
    // A release racing another release of the handle loses as a release of an unknown one.
    if (const uint32_t code = HandleRegistry::Instance().Remove(hProv); code != 0) {
      return Fail(code);
    }
    return Succeed();
  });
}

KqBool GenKey(KqHandle hProv, uint32_t algId, uint32_t dwFlags, KqHandle* phKey) {
  return RunOnContext(hProv,
                      [&](ProviderContext& c) { return GenKeyOn(c, algId, dwFlags, phKey); });
}

KqBool GetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey) {
  return RunOnContext(hProv,
                      [&](ProviderContext& c) { return GetUserKeyOn(c, dwKeySpec, phUserKey); });
}

KqBool DestroyKey(KqHandle hProv, KqHandle hKey) {
  return RunOnContext(hProv, [&](ProviderContext& c) { return DestroyKeyOn(c, hKey); });
}

KqBool SetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, const uint8_t* pbData,
                   uint32_t dwFlags) {
  return RunOnContext(
      hProv, [&](ProviderContext& c) { return SetKeyParamOn(c, hKey, dwParam, pbData, dwFlags); });
}

KqBool GetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                   uint32_t* pcbDataLen, uint32_t dwFlags) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return GetKeyParamOn(c, hKey, dwParam, pbData, pcbDataLen, dwFlags);
  });
}

KqBool ExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                 uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return ExportKeyOn(c, hKey, hPubKey, dwBlobType, dwFlags, pbData, pcbDataLen);
  });
}

KqBool ImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen, KqHandle hPubKey,
                 uint32_t dwFlags, KqHandle* phKey) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return ImportKeyOn(c, pbData, cbDataLen, hPubKey, dwFlags, phKey);
  });
}

KqBool CreateHash(KqHandle hProv, uint32_t algId, KqHandle hKey, uint32_t dwFlags,
                  KqHandle* phHash) {
  return RunOnContext(
      hProv, [&](ProviderContext& c) { return CreateHashOn(c, algId, hKey, dwFlags, phHash); });
}

KqBool HashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData, uint32_t cbDataLen) {
  return RunOnContext(hProv,
                      [&](ProviderContext& c) { return HashDataOn(c, hHash, pbData, cbDataLen); });
}

KqBool SetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, const uint8_t* pbData,
                    uint32_t dwFlags) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return SetHashParamOn(c, hHash, dwParam, pbData, dwFlags);
  });
}

KqBool GetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                    uint32_t* pcbDataLen, uint32_t dwFlags) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return GetHashParamOn(c, hHash, dwParam, pbData, pcbDataLen, dwFlags);
  });
}

KqBool DestroyHash(KqHandle hProv, KqHandle hHash) {
  return RunOnContext(hProv, [&](ProviderContext& c) { return DestroyHashOn(c, hHash); });
}

KqBool SignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec, uint32_t dwFlags,
                uint8_t* pbSignature, uint32_t* pcbSigLen) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return SignHashOn(c, hHash, dwKeySpec, dwFlags, pbSignature, pcbSigLen);
  });
}

KqBool VerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                       uint32_t cbSigLen, KqHandle hPubKey) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return VerifySignatureOn(c, hHash, pbSignature, cbSigLen, hPubKey);
  });
}

KqBool GenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer) {
  return RunOnContext(hProv, [&](ProviderContext& c) { return GenRandomOn(c, dwLen, pbBuffer); });
}

KqBool SetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData, uint32_t dwFlags) {
  return RunOnContext(
      hProv, [&](ProviderContext& c) { return SetProvParamOn(c, dwParam, pbData, dwFlags); });
}

KqBool GetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData, uint32_t* pcbDataLen,
                    uint32_t dwFlags) {
  return RunOnContext(hProv, [&](ProviderContext& c) {
    return GetProvParamOn(c, dwParam, pbData, pcbDataLen, dwFlags);
  });
}

KqBool NotImplemented(KqHandle hProv) {
  return RunOnContext(hProv, [](ProviderContext&) { return Fail(win::kENotImpl); });
}

}  // namespace kq::provider
