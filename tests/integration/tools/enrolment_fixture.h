#pragma once
// A key, a PIN for the soft PIN entry, a test CA and a notification listener: the setting in which
// the bank's enrolment tool runs KQ_CreatePKCS10, KQ_WritePKCS7 and the exports that follow.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enrolment_support.h"
#include "support/notify_listener.h"
#include "tool_scene.h"

namespace kqtest {

struct IssuedRequest {
  std::vector<uint8_t> request;  // DER
  std::vector<uint8_t> certificate;
  bool sm2 = false;
};

class EnrolmentTest : public ToolTest {
 protected:
  void SetUp() override {
    key = AddKey();
    mediaId = scene.MediaId(key);
    scene.SetPinAnswers("12345678");
    ASSERT_TRUE(listener.ready());
  }

  // KQ_CreatePKCS10 with a buffer of the size it asks for; the requests in order.
  std::vector<std::vector<uint8_t>> CreateRequests(const std::string& text,
                                                   const std::string& forMediaId = {}) {
    const std::string& id = forMediaId.empty() ? mediaId : forMediaId;
    int32_t length = 0;
    EXPECT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), id.c_str(), nullptr,
                               &length),
              0u);
    std::string output(static_cast<size_t>(length), '\0');
    const uint32_t status = lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()),
                                             id.c_str(), output.data(), &length);
    EXPECT_EQ(status, 0u);
    if (status != 0) {
      return {};
    }
    output.resize(static_cast<size_t>(length));
    EXPECT_EQ(output.find("||||"), std::string::npos);
    EXPECT_NE(output.substr(output.size() - 2), "||");
    std::vector<std::vector<uint8_t>> requests;
    for (const std::string& piece : SplitText(output, "||")) {
      requests.push_back(FromBase64(piece));
      EXPECT_FALSE(requests.back().empty()) << piece;
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

  // Has the CA issue each request's certificate; openssl checks the request's signature first.
  std::vector<IssuedRequest> Issue(const std::vector<std::vector<uint8_t>>& requests,
                                   const std::vector<bool>& sm2) {
    std::vector<IssuedRequest> issued;
    for (size_t i = 0; i < requests.size(); ++i) {
      issued.push_back({requests[i], ca.Issue(requests[i], sm2[i]), sm2[i]});
      EXPECT_FALSE(issued.back().certificate.empty()) << "request " << i;
    }
    return issued;
  }

  static std::string JoinCertificates(const std::vector<IssuedRequest>& issued) {
    std::string list;
    for (const IssuedRequest& one : issued) {
      if (!list.empty()) {
        list += "||";
      }
      list += ToBase64(one.certificate);
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

  // The key's container names, through the function table.
  std::vector<std::string> ContainerNames() {
    KqFunctionList table{};
    EXPECT_EQ(lib.FunctionList(&table), 0u);
    const std::string reader = scene.ReaderName(key);
    uint32_t length = 0;
    EXPECT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
    std::string names(length, '\0');
    EXPECT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), names.data(), &length), 0u);
    std::vector<std::string> out;
    for (size_t at = 0; at < names.size() && names[at] != '\0'; at += out.back().size() + 1) {
      out.emplace_back(names.c_str() + at);
    }
    return out;
  }

  struct Signed {
    uint32_t status = 0;
    std::vector<uint8_t> signature;
    std::vector<uint8_t> certificate;
  };

  Signed Sign(const std::vector<uint8_t>& data, const std::string& subject,
              const char* hashName = nullptr) {
    Signed out;
    int32_t signatureLength = 0;
    uint32_t certificateLength = 0;
    const int32_t hashLength = hashName == nullptr ? 0 : static_cast<int32_t>(strlen(hashName));
    out.status = lib.GetSignature(data.data(), static_cast<uint32_t>(data.size()), subject.c_str(),
                                  static_cast<uint32_t>(subject.size()), hashName, hashLength,
                                  nullptr, &signatureLength, nullptr, &certificateLength);
    if (out.status != 0) {
      return out;
    }
    out.signature.resize(static_cast<size_t>(signatureLength));
    out.certificate.resize(certificateLength);
    out.status = lib.GetSignature(data.data(), static_cast<uint32_t>(data.size()), subject.c_str(),
                                  static_cast<uint32_t>(subject.size()), hashName, hashLength,
                                  out.signature.data(), &signatureLength, out.certificate.data(),
                                  &certificateLength);
    out.signature.resize(static_cast<size_t>(signatureLength));
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
