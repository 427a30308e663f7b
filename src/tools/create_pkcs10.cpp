// KQ_CreatePKCS10: key pairs generated on the key behind its button, their key objects and
// containers written, and their PKCS #10 requests returned in base64 joined by "||".
#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/codes_device.h"
#include "common/codes_tools.h"
#include "platform/plain_file.h"
#include "store/container_name.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "tools/media_id.h"
#include "tools/reader_walk.h"
#include "tools/request_export.h"
#include "tools/request_key_objects.h"
#include "tools/request_signing.h"
#include "tools/request_text.h"
#include "tools/tool_button_wait.h"
#include "tools/tool_login.h"
#include "ui/confirmation_wait.h"
#include "ui/notifications.h"

namespace kq::tools {

namespace {

namespace code = tool::pkcs10;

constexpr size_t kMostRequests = 3;
constexpr size_t kSizePerRequest = 1500;  // the least a size query reserves for one request
constexpr const char* kGenerationTag = "7305";
constexpr uint32_t kResultOfGeneration = 0;  // ZANT_GetData kind after a confirmed generation
// A copy of every answer is left here for the bank's enrolment staff, when the file opens.
constexpr const char* kRequestCopyPath = "D:/req.pem";

// Refuses usages already held on the key, held twice, or requested twice.
bool UsagesAreFree(const std::vector<store::KeyListEntry>& keys,
                   const std::vector<CertificateRequestRecord>& records) {
  std::set<uint32_t> held;
  for (const store::KeyListEntry& key : keys) {
    if (!held.insert(key.deviceUsage).second) {
      return false;
    }
  }
  std::set<uint32_t> requested;
  for (const CertificateRequestRecord& record : records) {
    if (held.contains(record.usage) || !requested.insert(record.usage).second) {
      return false;
    }
  }
  return true;
}

uint32_t KeyBitsOf(RequestKeyType type) {
  switch (type) {
    case RequestKeyType::kRsa1024:
      return 1024;
    case RequestKeyType::kRsa2048:
      return 2048;
    case RequestKeyType::kSm2:
      return 256;
  }
  return 0;
}

// Generates the key pair, waiting for the button when the key asks; 0 or a CryptoAPI-style code.
uint32_t GenerateKeyPair(const DeviceSession& session, uint8_t keyNumber, uint32_t bits,
                         uint32_t option) {
  const uint32_t status = session.GenerateRSAKey(keyNumber, kGenerationTag, bits, option);
  if (status == 0) {
    return 0;
  }
  if (!dev::IsButtonWait(status)) {
    return tool::kNteFail;
  }
  return AwaitButton(session, ui::kWaitKeyGeneration, kResultOfGeneration, kGenerationWait);
}

struct ReadPublicKey {
  std::array<uint8_t, 1024> first{};
  uint32_t firstLength = static_cast<uint32_t>(first.size());
  std::array<uint8_t, 1024> second{};
  uint32_t secondLength = static_cast<uint32_t>(second.size());

  NewPublicKey view() const {
    return {{first.data(), std::min<size_t>(firstLength, first.size())},
            {second.data(), std::min<size_t>(secondLength, second.size())}};
  }
};

// What the output can need at most: for each request its largest text and the "||" after it,
// never less than the fixed reservation. A long DN makes a request longer than that reservation.
int32_t OutputBound(const std::vector<CertificateRequestRecord>& records) {
  size_t bound = 0;
  for (const CertificateRequestRecord& record : records) {
    bound += std::max(kSizePerRequest, RequestTextBound(record) + 2);
  }
  return static_cast<int32_t>(std::min<size_t>(bound, INT32_MAX));
}

uint32_t FirstFreeKeyNumber(const std::vector<store::KeyListEntry>& keys, uint8_t& keyNumber) {
  for (uint8_t candidate = store::kFirstKeyNumber; candidate <= store::kLastKeyNumber;
       ++candidate) {
    bool used = false;
    for (const store::KeyListEntry& key : keys) {
      used = used || key.keyNumber == candidate;
    }
    if (!used) {
      keyNumber = candidate;
      return 0;
    }
  }
  return code::kNoFreeKeyNumber;
}

// One request: a new container and key pair, its request text appended to `output`.
uint32_t EnrolOne(DeviceSession& session, const CertificateRequestRecord& record,
                  uint32_t largestFile, std::string& output) {
  std::vector<std::string> names;
  if (store::ListContainerNames(session, names) != 0) {
    return code::kContainerNamesFailed;
  }
  std::string containerName;
  if (store::NewContainerName(names, containerName) != 0) {
    return code::kContainerNamesFailed;
  }
  std::vector<store::KeyListEntry> keys;
  if (store::ListDeviceKeys(session, keys) != 0) {
    return code::kListKeysAgainFailed;
  }
  uint8_t keyNumber = 0;
  if (const uint32_t status = FirstFreeKeyNumber(keys, keyNumber); status != 0) {
    return status;
  }
  if (!LoggedInOnThisHandle(session) &&
      LoginForTool(session, session.readerName(), LoginMode::kIfNotLoggedIn) != 0) {
    return code::kMalformedRequest;
  }
  if (store::CreateContainer(session, containerName) != 0) {
    return code::kCreateContainerFailed;
  }
  const uint32_t bits = KeyBitsOf(record.keyType);
  if (bits == 0) {
    return code::kBadKeyType;
  }
  if (record.usage < 1 || record.usage > 3) {
    return code::kBadUsage;
  }
  if (bits == 256 && record.hash != RequestHash::kSm3) {
    return code::kSm2NeedsSm3;
  }

  const uint32_t generationMessage = ui::RegisterMessage(ui::kGenerateKeyPairMessage);
  ui::NotifyMarkedWindow(generationMessage, static_cast<uintptr_t>(ui::StepPhase::kBefore), 0);
  if (GenerateKeyPair(session, keyNumber, bits, record.usage - 1) != 0) {
    // The tool leaves its busy state on the failure event as well.
    ui::NotifyMarkedWindow(generationMessage, static_cast<uintptr_t>(ui::StepPhase::kFailed), 0);
    return code::kGenerateFailed;
  }
  ui::NotifyMarkedWindow(generationMessage, static_cast<uintptr_t>(ui::StepPhase::kSucceeded), 0);

  ReadPublicKey key;
  uint32_t keyBits = 0;
  if (session.ReadRSAPub(keyNumber, &keyBits, key.first.data(), &key.firstLength, key.second.data(),
                         &key.secondLength, 0) != 0) {
    return code::kReadPublicKeyFailed;
  }
  std::string request;
  if (const uint32_t status = BuildSignedRequest(session, keyNumber, record, key.view(), request);
      status != 0) {
    return status;
  }
  output += request;
  output += "||";
  return StoreNewKeyObjects(session, {&record, containerName, keyNumber, key.view(), largestFile});
}

void LeaveRequestCopy(const std::string& text) {
  (void)platform::WriteWholeFile(kRequestCopyPath,
                                 {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

}  // namespace

uint32_t CreatePkcs10(const char* requestText, int32_t textLength, const char* mediaId,
                      char* output, int32_t* outputLength) {
  if (requestText == nullptr || textLength < 1 || mediaId == nullptr || outputLength == nullptr) {
    return code::kBadArgument;
  }
  const auto records =
      ParseRequestText(std::string_view(requestText, static_cast<size_t>(textLength)));
  if (!records) {
    return code::kMalformedRequest;
  }
  if (records->empty() || records->size() > kMostRequests) {
    return code::kRequestCount;
  }
  DeviceSession session;
  if (const uint32_t status = OpenKeyBySerial(CallerText(mediaId), session, code::kReaderNotFound);
      status != 0) {
    return status;
  }
  // A request whose key objects no key file could hold is refused before anything is generated:
  // otherwise its key pair would be left on the key, its usage taken, without objects.
  uint32_t largestFile = 0;
  if (const uint32_t status = CheckKeyObjectsFit(session, *records, largestFile); status != 0) {
    return status;
  }
  // The size is known before anything is asked of the key, so a buffer too small for it is
  // refused before any key pair is generated or written: a retry would otherwise find the
  // usages taken by keys without requests.
  const int32_t bound = OutputBound(*records);
  if (output == nullptr || *outputLength < bound) {
    *outputLength = bound;
    return output == nullptr ? tool::kOk : code::kOutputTooSmall;
  }
  std::vector<store::KeyListEntry> keys;
  if (store::ListDeviceKeys(session, keys) != 0) {
    return code::kListKeysFailed;
  }
  if (!UsagesAreFree(keys, *records)) {
    return code::kUsageTaken;
  }
  if (LoginForTool(session, session.readerName(), LoginMode::kAlways) != 0) {
    return code::kLoginFailed;
  }
  // The login's prompt reopened the handle and forgot what it knew; the key's limit is the same.
  session.memory().RememberLargestFileSize(largestFile);
  std::string text;
  for (const CertificateRequestRecord& record : *records) {
    if (const uint32_t status = EnrolOne(session, record, largestFile, text); status != 0) {
      return status;
    }
  }
  if (text.size() >= 2) {
    text.resize(text.size() - 2);
  }
  // The copy goes to a file anyone may have prepared: it is written with the key released.
  session.Close();
  LeaveRequestCopy(text);
  const int32_t needed = static_cast<int32_t>(text.size());
  const bool fits = *outputLength >= needed;
  *outputLength = needed;
  if (!fits) {
    return code::kOutputTooSmall;
  }
  std::copy(text.begin(), text.end(), output);
  return tool::kOk;
}

}  // namespace kq::tools
