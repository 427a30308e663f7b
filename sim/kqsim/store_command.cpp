// kqsim store: the provider's store on a key, decoded from the index files and the object files.

#include <cstdio>

#include "kqsim/commands.h"
#include "softkey/soft_key.h"
#include "softkey/text_values.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/index_slot.h"

namespace kq::sim {

namespace {

struct AttributeName {
  uint32_t type;
  const char* name;
};

// The attributes worth showing; the rest are counted.
constexpr AttributeName kShown[] = {
    {store::attr::kClass, "CKA_CLASS"},
    {store::attr::kToken, "CKA_TOKEN"},
    {store::attr::kPrivate, "CKA_PRIVATE"},
    {store::attr::kValue, "CKA_VALUE"},
    {store::attr::kKeyType, "CKA_KEY_TYPE"},
    {store::attr::kSubject, "CKA_SUBJECT"},
    {store::attr::kModulus, "CKA_MODULUS"},
    {store::attr::kModulusBits, "CKA_MODULUS_BITS"},
    {store::attr::kPublicExponent, "CKA_PUBLIC_EXPONENT"},
    {store::attr::kEcPoint, "CKA_EC_POINT"},
    {store::attr::kContainerName, "KQ_ATTR_CONTAINER"},
    {store::attr::kKeyNumber, "KQ_ATTR_KEY_NUMBER"},
};

const char* ClassName(uint32_t objectClass) {
  switch (objectClass) {
    case store::kClassCertificate:
      return "certificate";
    case store::kClassPublicKey:
      return "public key";
    case store::kClassPrivateKey:
      return "private key";
    case store::kClassContainer:
      return "container";
    default:
      return "?";
  }
}

std::string ShowBytes(const std::vector<uint8_t>& bytes) {
  bool printable = !bytes.empty();
  for (const uint8_t b : bytes) {
    printable = printable && b >= 0x20 && b < 0x7F;
  }
  std::string text;
  if (printable) {
    // Appended piece by piece: GCC 12 at -O3 misreads a chain of + as an overlapping copy.
    text.push_back('"');
    text.append(bytes.begin(), bytes.end());
    text.push_back('"');
    return text;
  }
  constexpr size_t kShownBytes = 32;
  text = HexEncode({bytes.data(), std::min(bytes.size(), kShownBytes)});
  if (bytes.size() > kShownBytes) {
    text.append("... (").append(std::to_string(bytes.size())).append(" bytes)");
  }
  return text;
}

void ShowIndex(const SoftKey& key, uint32_t indexFile, const char* title) {
  const std::optional<std::vector<uint8_t>> index = key.ReadFile(indexFile);
  std::printf("%s (%04X)%s\n", title, indexFile, index ? "" : ": missing");
  if (!index) {
    return;
  }
  const std::vector<store::IndexSlot> slots = store::ParseIndexSlots(*index);
  for (size_t n = 0; n < slots.size(); ++n) {
    const store::IndexSlot& slot = slots[n];
    if (slot.isFree()) {
      continue;
    }
    std::printf("  slot %2zu: class 0x%08X (%s), %u bytes, file %04X\n", n, slot.objectClass,
                ClassName(slot.objectClass), slot.length, slot.fileId);
    const std::optional<std::vector<uint8_t>> object = key.ReadFile(slot.fileId);
    store::AttributeTemplate attributes;
    if (!object) {
      std::printf("    (no such file)\n");
      continue;
    }
    if (attributes.Parse(*object) != 0) {
      std::printf("    (does not parse: %s)\n", ShowBytes(*object).c_str());
      continue;
    }
    size_t shown = 0;
    for (const AttributeName& attribute : kShown) {
      if (const std::optional<uint32_t> number = attributes.Number(attribute.type)) {
        std::printf("    %-20s 0x%X\n", attribute.name, *number);
        ++shown;
      } else if (const std::vector<uint8_t>* value = attributes.Bytes(attribute.type)) {
        std::printf("    %-20s %s\n", attribute.name, ShowBytes(*value).c_str());
        ++shown;
      }
    }
    std::printf("    and %zu other attributes\n", attributes.size() - shown);
  }
}

}  // namespace

int StoreCommand(const CommandContext& context) {
  return InspectNamedKey(context, "store KEY", [](const SoftKey& key) {
    ShowIndex(key, kObjectIndexFile, "object index");
    ShowIndex(key, kPrivateIndexFile, "private object index");
    return 0;
  });
}

}  // namespace kq::sim
