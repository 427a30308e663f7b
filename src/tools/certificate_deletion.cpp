// KQ_DeleteTempKeyOrCert: certificates named by subject are deleted with their key pairs (the
// user confirms on the key), and a container goes with its last key pair.
#include <string>
#include <vector>

#include "common/codes_tools.h"
#include "store/certificate_directory.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/key_pair_deletion.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "tools/certificate_exports.h"
#include "tools/key_certificates.h"
#include "tools/media_id.h"
#include "tools/reader_walk.h"
#include "tools/text_fields.h"
#include "tools/tool_login.h"
#include "ui/notifications.h"

namespace kq::tools {

namespace {

using store::ContainerInfo;
using store::KeyPairRefs;

constexpr uint32_t kFailed = tool::kDeviceAccessFailed;

// The subjects still to delete; each deletion takes one entry.
class SubjectWorkList {
 public:
  explicit SubjectWorkList(std::string_view list) {
    for (std::string_view subject : SplitAt(list, "||")) {
      subjects_.emplace_back(subject);
    }
  }
  [[nodiscard]] bool empty() const { return subjects_.empty(); }
  // Takes the first subject of the same length and text, letter case ignored.
  bool Take(std::string_view subject) {
    for (auto it = subjects_.begin(); it != subjects_.end(); ++it) {
      if (SameKeyword(*it, subject)) {
        subjects_.erase(it);
        return true;
      }
    }
    return false;
  }

 private:
  std::vector<std::string> subjects_;
};

// Deletes one key pair of the container after asking for the PIN (store::DeleteContainerKeyPair).
uint32_t DeleteKeyPair(DeviceSession& session, ContainerInfo& container, const KeyPairRefs& pair) {
  uint8_t keyNumber = 0;
  if (store::ReadKeyNumberOfObject(session, container.refs[pair.publicKey], false, keyNumber) !=
      0) {
    return kFailed;
  }
  if (LoginForTool(session, session.readerName(), LoginMode::kAlways) != 0) {
    return kFailed;
  }
  return store::DeleteContainerKeyPair(session, container, pair, keyNumber) == 0 ? 0 : kFailed;
}

// Deletes every key pair of this key whose certificate's subject is on the work list.
uint32_t DeleteOnKey(DeviceSession& session, SubjectWorkList& work, uint32_t& count) {
  const auto slots = ReadObjectIndexSlots(session);
  if (!slots) {
    return kFailed;
  }
  for (ContainerInfo& container : ReadableContainers(session, *slots)) {
    for (const KeyPairRefs& pair : kPairsInListingOrder) {
      const auto certificate = ReadKeyCertificate(session, container.refs[pair.certificate]);
      if (!certificate || !work.Take(certificate->subject)) {
        continue;
      }
      if (DeleteKeyPair(session, container, pair) != 0) {
        return kFailed;
      }
      // Told without waiting for the tool (ui/notifications.h): the key stays ours, so the
      // container list read above is still the key's when the next subject is looked for.
      ui::NotifyTemporaryObjectsDeleted();
      ++count;
      if (work.empty()) {
        return 0;
      }
    }
  }
  return 0;
}

}  // namespace

uint32_t DeleteTempKeyOrCert(const char* subjectList, const char* mediaId, uint32_t* deletedCount) {
  if (!IsMediaId(mediaId) || deletedCount == nullptr) {
    return tool::kInvalidArgument;
  }
  SubjectWorkList work(CallerText(subjectList));
  const ReaderList readers = ListReaderNames();
  if (readers.listing == ReaderListing::kFailed) {
    return tool::kEnumerationFailed;
  }
  uint32_t count = 0;
  for (const std::string& name : readers.names) {
    DeviceSession session;
    DeviceSerial identity{};
    if (OpenAndReadSerial(name, SerialKind::kIdentity, session, identity) != 0 ||
        !SerialMatches(identity, mediaId)) {
      continue;
    }
    if (const uint32_t status = DeleteOnKey(session, work, count); status != 0) {
      *deletedCount = count;
      return status;
    }
    if (work.empty()) {
      *deletedCount = count;
      return tool::kOk;
    }
  }
  *deletedCount = count;
  return tool::deletion::kSubjectsLeft;
}

}  // namespace kq::tools
