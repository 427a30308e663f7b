#include "provider/container_selection.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "common/utf.h"
#include "device/device_session.h"
#include "device/readers.h"
#include "store/containers.h"
#include "store/label_file.h"
#include "ui/codepage936.h"
#include "ui/token_chooser.h"

namespace kq::provider {

namespace {

struct DeviceEntry {
  std::string readerName;
  ui::TokenChoice shown;  // label (code page 936) and serial number
  KeyIdentity identity;   // the serial number as the key told it, asked again at every open
};

// The key's row in the chooser, or false when it cannot be opened, lacks the container, or its
// label or serial number cannot be read.
bool DescribeDevice(const std::string& readerName, std::string_view filter, DeviceEntry& entry) {
  DeviceSession session;
  if (session.Open(readerName) != 0) {
    return false;
  }
  store::ContainerInfo container;
  if (!filter.empty() && store::FindContainer(session, filter, container) != 0) {
    return false;
  }
  std::string label;
  if (store::ReadKeyLabel(session, label) != 0) {
    return false;
  }
  // The label is UTF-8 on the key; the chooser shows code page 936 (an empty label stays empty).
  ui::WideToCp936(Utf8ToUtf16(label), entry.shown.label);
  std::array<uint8_t, 64> serial{};
  uint32_t serialLength = static_cast<uint32_t>(serial.size());
  if (session.GetDevSer(serial.data(), &serialLength, KeyIdentity::kIdentityKind) != 0) {
    return false;
  }
  const auto told = std::span(serial).first(std::min<size_t>(serialLength, serial.size()));
  entry.shown.serial.assign(told.begin(), told.end());
  entry.identity =
      KeyIdentity(KeyIdentity::kIdentityKind, static_cast<uint32_t>(serial.size()), told);
  entry.readerName = readerName;
  return true;
}

}  // namespace

uint32_t SelectDevice(ProviderContext& context, std::string_view filter) {
  std::vector<std::string> readers;
  if (ListReaders(readers) != 0 || readers.empty()) {
    return win::kNteFail;
  }
  if (readers.size() == 1) {
    context.readerName = readers.front();
    return 0;
  }
  std::vector<DeviceEntry> entries;
  for (const std::string& reader : readers) {
    DeviceEntry entry;
    if (DescribeDevice(reader, filter, entry)) {
      entries.push_back(std::move(entry));
    }
  }
  if (entries.empty()) {
    return win::kNteFail;
  }
  size_t chosen = 0;
  if (entries.size() > 1) {
    // A silent caller (a service, a scheduled job) would wait forever before a window nobody
    // sees: the choice it needs is refused instead.
    if (context.silent) {
      return win::kNteSilentContext;
    }
    std::vector<ui::TokenChoice> rows;
    for (const DeviceEntry& entry : entries) {
      rows.push_back(entry.shown);
    }
    const std::optional<size_t> choice = ui::ChooseToken(rows);
    if (!choice || *choice >= entries.size()) {
      return win::kScardCancelledByUser;
    }
    chosen = *choice;
  }
  context.readerName = entries[chosen].readerName;
  context.LearnKeyIdentity(entries[chosen].identity);
  return 0;
}

}  // namespace kq::provider
