#pragma once
// A key, a PIN for the soft PIN entry, a test CA and a notification listener: the setting in which
// the bank's enrolment tool runs KQ_CreatePKCS10, KQ_WritePKCS7 and the exports that follow. The
// bank's side is played by the openssl command: it reads each request and verifies signatures.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/containers.h"
#include "support/notify_listener.h"
#include "support/openssl_command.h"
#include "support/signature_check.h"
#include "support/softkey_library.h"
#include "support/test_ca.h"
#include "support/transaction_message.h"
#include "tool_library.h"

namespace kqtest {

using Bytes = std::vector<uint8_t>;
using kq::test::FromBase64;
using kq::test::TestCa;
using kq::test::ToBase64;
using kq::test::TransactionMessage;

inline std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  for (size_t at = text.find(separator);; at = text.find(separator)) {
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) {
      return pieces;
    }
    text.remove_prefix(at + separator.size());
  }
}

// What openssl prints of the request's subject, in UTF-8 ("subject=CN=a, title=S").
inline std::string RequestSubject(std::span<const uint8_t> requestDer) {
  const kq::test::TempDirectory dir;
  return kq::test::RunOpenssl({"req", "-inform", "DER", "-in",
                               dir.Write("request.der", requestDer).string(), "-noout", "-subject",
                               "-nameopt", "utf8,sep_comma_plus_space"})
      .out;
}

// openssl's verdict on a raw signature by the certificate's key (support/signature_check.h).
inline bool OpensslVerifiesSignature(std::span<const uint8_t> certificateDer,
                                     std::span<const uint8_t> data,
                                     std::span<const uint8_t> signature,
                                     const std::string& digestName) {
  return kq::test::CertificateSignatureVerifies(certificateDer, data, signature, digestName)
      .value_or(false);
}

class EnrolmentTest : public ToolTest {
 protected:
  void SetUp() override {
    key = AddKey();
    mediaId = scene.MediaId(key);
    scene.SetPinAnswers("12345678");
    ASSERT_TRUE(listener.ready());
  }

  // KQ_CreatePKCS10 with a buffer of the size it asks for; the requests in order.
  std::vector<Bytes> CreateRequests(const std::string& text, const std::string& forMediaId = {}) {
    const std::string& id = forMediaId.empty() ? mediaId : forMediaId;
    const auto size = static_cast<int32_t>(text.size());
    int32_t length = 0;
    EXPECT_EQ(lib.CreatePKCS10(text.c_str(), size, id.c_str(), nullptr, &length), 0u);
    std::string output(static_cast<size_t>(length), '\0');
    if (lib.CreatePKCS10(text.c_str(), size, id.c_str(), output.data(), &length) != 0) {
      ADD_FAILURE() << text;
      return {};
    }
    std::vector<Bytes> requests;
    for (const std::string& piece :
         SplitText(output.substr(0, static_cast<size_t>(length)), "||")) {
      requests.push_back(FromBase64(piece));
      EXPECT_FALSE(requests.back().empty()) << output;  // no empty piece, none at the end
    }
    return requests;
  }

  // KQ_CreatePKCS10 into a buffer of `capacity` bytes: its status, and the length it stored.
  uint32_t RequestStatus(const std::string& text, int32_t capacity = 3000,
                         int32_t* stored = nullptr) {
    std::string out(static_cast<size_t>(capacity), '\0');
    int32_t length = capacity;
    const uint32_t status = lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()),
                                             mediaId.c_str(), out.data(), &length);
    if (stored != nullptr) {
      *stored = length;
    }
    return status;
  }

  // The CA's certificate for each request (SM2 where `sm2` says); openssl checks the request's
  // signature first.
  std::vector<Bytes> Issue(const std::vector<Bytes>& requests, const std::vector<bool>& sm2 = {}) {
    std::vector<Bytes> certificates;
    for (size_t i = 0; i < requests.size(); ++i) {
      certificates.push_back(ca.Issue(requests[i], i < sm2.size() && sm2[i]));
      EXPECT_FALSE(certificates.back().empty()) << "request " << i;
    }
    return certificates;
  }

  static std::string JoinCertificates(const std::vector<Bytes>& certificates) {
    std::string list;
    for (const Bytes& one : certificates) {
      list += (list.empty() ? "" : "||") + ToBase64(one);
    }
    return list;
  }

  uint32_t Install(const std::string& list, const std::string& forMediaId = {}) {
    const std::string& id = forMediaId.empty() ? mediaId : forMediaId;
    return lib.WritePKCS7(id.c_str(), list.c_str(), static_cast<int32_t>(list.size()));
  }

  std::vector<std::string> ListSubjects(const std::string& forMediaId = {}) {
    const std::string& id = forMediaId.empty() ? mediaId : forMediaId;
    int32_t length = 0;
    EXPECT_EQ(lib.GetAllCertDN(id.c_str(), nullptr, &length), 0u);
    if (length == 0) {
      return {};
    }
    std::string text(static_cast<size_t>(length), '\0');
    EXPECT_EQ(lib.GetAllCertDN(id.c_str(), text.data(), &length), 0u);
    return SplitText(text, "||");
  }

  // The key's container names, as the store reads them.
  std::vector<std::string> ContainerNames() {
    kq::DeviceSession session;
    std::vector<std::string> names;
    EXPECT_EQ(session.Open(scene.ReaderName(key)), 0u);
    EXPECT_EQ(kq::store::ListContainerNames(session, names), 0u);
    return names;
  }

  struct Signed {
    uint32_t status = 0;
    Bytes signature;
    Bytes certificate;
  };

  // A KQ_GetPubKeySignValue list item from a key pair's public key, read as a bank tool would
  // know it: the modulus and the exponent, each after its 16-bit length.
  Bytes PublicKeyItem(const std::string& onKey, uint32_t slot) {
    kq::test::SoftKeyHandle handle(scene.ReaderName(onKey));
    uint8_t first[1024];
    uint8_t second[128];
    uint32_t lengths[2] = {sizeof first, sizeof second};
    uint32_t bits = 0;
    EXPECT_EQ(kq::test::SoftKeyLibrary::Instance().ReadRSAPub(handle.get(), slot, &bits, first,
                                                              &lengths[0], second, &lengths[1], 0),
              0u);
    Bytes out;
    for (const auto& [part, n] : {std::pair{first, lengths[0]}, {second, lengths[1]}}) {
      out.insert(out.end(), {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
      out.insert(out.end(), part, part + n);
    }
    return out;
  }

  // KQ_GetSignature asked for the sizes, then into buffers of those sizes.
  Signed Sign(const Bytes& data, const std::string& subject, const char* hashName = nullptr) {
    Signed out;
    int32_t signatureLength = 0;
    uint32_t certificateLength = 0;
    const int32_t hashLength = hashName == nullptr ? 0 : static_cast<int32_t>(strlen(hashName));
    for (bool sized : {false, true}) {
      out.status =
          lib.GetSignature(data.data(), static_cast<uint32_t>(data.size()), subject.c_str(),
                           static_cast<uint32_t>(subject.size()), hashName, hashLength,
                           sized ? out.signature.data() : nullptr, &signatureLength,
                           sized ? out.certificate.data() : nullptr, &certificateLength);
      if (out.status != 0) {
        break;
      }
      out.signature.resize(static_cast<size_t>(signatureLength));
      out.certificate.resize(certificateLength);
    }
    return out;
  }

  // The tool-window events received so far, without the PIN broadcasts.
  std::vector<std::string> ToolEvents() {
    std::vector<std::string> events;
    for (const kq::test::Notification& n : listener.Drain()) {
      if (n.name != "KQ_ORV_TOOL_REFRESHPIN") {
        events.push_back(n.name + " " + std::to_string(n.wParam) + " " + std::to_string(n.lParam));
      }
    }
    return events;
  }

  kq::test::NotifyListener listener;
  TestCa ca;
  std::string key;
  std::string mediaId;
};

}  // namespace kqtest
