#include "platform/posix/x500_name.h"

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <array>
#include <cstring>
#include <string_view>

#include "common/hex_text.h"
#include "common/utf.h"
#include "platform/codepage.h"

namespace kq::platform {
namespace {

struct X500Key {
  std::string_view oid;
  std::string_view key;
};

// The keys crypt32 knows for RDN attributes, first name of each OID.
constexpr std::array<X500Key, 20> kKeys = {{
    {"2.5.4.3", "CN"},
    {"2.5.4.7", "L"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"1.2.840.113549.1.9.1", "E"},
    {"2.5.4.6", "C"},
    {"2.5.4.8", "S"},
    {"2.5.4.9", "STREET"},
    {"2.5.4.12", "T"},
    {"2.5.4.42", "G"},
    {"2.5.4.43", "I"},
    {"2.5.4.4", "SN"},
    {"0.9.2342.19200300.100.1.25", "DC"},
    {"2.5.4.13", "Description"},
    {"2.5.4.17", "PostalCode"},
    {"2.5.4.18", "POBox"},
    {"2.5.4.20", "Phone"},
    {"2.5.4.24", "X21Address"},
    {"2.5.4.46", "dnQualifier"},
    {"2.5.4.5", "SERIALNUMBER"},
}};

std::string KeyOf(const ASN1_OBJECT* object) {
  char dotted[128];
  const int length = OBJ_obj2txt(dotted, sizeof dotted, object, 1);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof dotted) {
    return "OID.";
  }
  const std::string_view oid(dotted, static_cast<size_t>(length));
  for (const X500Key& entry : kKeys) {
    if (entry.oid == oid) {
      return std::string(entry.key);
    }
  }
  return "OID." + std::string(oid);
}

bool NeedsQuotes(char32_t c) {
  switch (c) {
    case ',':
    case '+':
    case '=':
    case '"':
    case '<':
    case '>':
    case '#':
    case ';':
    case '\n':
    case '\r':
      return true;
    default:
      return false;
  }
}

bool IsWhiteSpace(char32_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Quotes and doubles quotation marks over any sequence of units (bytes or UTF-16 units).
template <typename Text>
Text Quoted(const Text& value) {
  bool quote = !value.empty() && (IsWhiteSpace(static_cast<char32_t>(value.front())) ||
                                  IsWhiteSpace(static_cast<char32_t>(value.back())));
  for (auto unit : value) {
    quote = quote || NeedsQuotes(static_cast<char32_t>(unit));
  }
  if (!quote) {
    return value;
  }
  Text result;
  result.push_back('"');
  for (auto unit : value) {
    result.push_back(unit);
    if (unit == '"') {
      result.push_back('"');
    }
  }
  result.push_back('"');
  return result;
}

void AppendUtf16(char32_t c, std::u16string& out) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    c = 0xFFFD;
  }
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

// A value of a type that is not a character string: "#" and the hex of its DER encoding.
std::string EncodedValue(int type, const uint8_t* bytes, size_t size) {
  std::string der;
  der.push_back(static_cast<char>(type & 0x1F));
  if (size < 0x80) {
    der.push_back(static_cast<char>(size));
  } else {
    std::string length;
    for (size_t rest = size; rest != 0; rest >>= 8) {
      length.insert(length.begin(), static_cast<char>(rest & 0xFF));
    }
    der.push_back(static_cast<char>(0x80 | length.size()));
    der += length;
  }
  der.append(reinterpret_cast<const char*>(bytes), size);
  return "#" +
         HexEncode({reinterpret_cast<const uint8_t*>(der.data()), der.size()}, HexLetters::kUpper);
}

// The value as crypt32 gives it to CertNameToStrA: 8-bit strings byte for byte, Unicode strings
// through UTF-16 into code page 936.
bool RenderValue(const ASN1_STRING* value, std::string& out) {
  const int type = ASN1_STRING_type(value);
  const uint8_t* bytes = ASN1_STRING_get0_data(value);
  const size_t size = static_cast<size_t>(ASN1_STRING_length(value));
  const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
  std::u16string wide;
  switch (type) {
    case V_ASN1_T61STRING:
      // Teletex text that is valid UTF-8 is read as UTF-8, as crypt32 does by default.
      if (!IsUtf8(raw)) {
        out += Quoted(std::string(raw));
        return true;
      }
      wide = Utf8ToUtf16(raw);
      break;
    case V_ASN1_NUMERICSTRING:
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_VIDEOTEXSTRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_GRAPHICSTRING:
    case V_ASN1_VISIBLESTRING:
    case V_ASN1_GENERALSTRING:
      out += Quoted(std::string(raw));
      return true;
    case V_ASN1_UTF8STRING:
      wide = Utf8ToUtf16(raw);
      break;
    case V_ASN1_BMPSTRING:
      for (size_t i = 0; i + 1 < size; i += 2) {
        wide.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
      }
      break;
    case V_ASN1_UNIVERSALSTRING:
      for (size_t i = 0; i + 3 < size; i += 4) {
        AppendUtf16((char32_t{bytes[i]} << 24) | (char32_t{bytes[i + 1]} << 16) |
                        (char32_t{bytes[i + 2]} << 8) | char32_t{bytes[i + 3]},
                    wide);
      }
      break;
    default:
      out += EncodedValue(type, bytes, size);
      return true;
  }
  std::string narrow;
  if (!WideToCp936(Quoted(wide), narrow)) {
    return false;
  }
  out += narrow;
  return true;
}

}  // namespace

bool RenderX500Name(const X509_NAME* name, std::string& out) {
  out.clear();
  if (name == nullptr) {
    return false;
  }
  const int count = X509_NAME_entry_count(name);
  int previousSet = -1;
  for (int i = 0; i < count; ++i) {
    const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
    if (entry == nullptr) {
      return false;
    }
    const int set = X509_NAME_ENTRY_set(entry);
    if (i > 0) {
      out += set == previousSet ? " + " : ", ";
    }
    previousSet = set;
    out += KeyOf(X509_NAME_ENTRY_get_object(entry));
    out += '=';
    if (!RenderValue(X509_NAME_ENTRY_get_data(entry), out)) {
      return false;
    }
  }
  return true;
}

}  // namespace kq::platform
