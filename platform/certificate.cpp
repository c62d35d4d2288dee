#include "platform/certificate.h"

namespace ktr::platform {

namespace {

// One DER element at the front of `der`: its whole bytes and its contents.
struct Element {
  unsigned char tag = 0;
  std::string_view whole;
  std::string_view contents;
};

std::optional<Element> TakeElement(std::string_view& der) {
  if (der.size() < 2) return std::nullopt;
  Element element;
  element.tag = static_cast<unsigned char>(der[0]);
  std::size_t length = static_cast<unsigned char>(der[1]);
  std::size_t header = 2;
  if (length & 0x80) {
    const std::size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || der.size() < 2 + bytes) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
      length = length << 8 | static_cast<unsigned char>(der[2 + i]);
    }
    header += bytes;
  }
  if (der.size() - header < length) return std::nullopt;
  element.whole = der.substr(0, header + length);
  element.contents = der.substr(header, length);
  der.remove_prefix(header + length);
  return element;
}

}  // namespace

// Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version OPTIONAL,
// serialNumber, signature, issuer, validity, subject, subjectPublicKeyInfo,
// ... }, ... }
std::optional<std::string_view> SubjectPublicKeyInfoOf(std::string_view certificate) {
  std::optional<Element> outer = TakeElement(certificate);
  if (!outer || outer->tag != 0x30) return std::nullopt;
  std::string_view rest = outer->contents;
  std::optional<Element> tbs = TakeElement(rest);
  if (!tbs || tbs->tag != 0x30) return std::nullopt;
  std::string_view fields = tbs->contents;
  if (!fields.empty() && static_cast<unsigned char>(fields[0]) == 0xA0 && !TakeElement(fields)) {
    return std::nullopt;
  }
  for (unsigned char expected : {0x02, 0x30, 0x30, 0x30, 0x30}) {
    std::optional<Element> skipped = TakeElement(fields);
    if (!skipped || skipped->tag != expected) return std::nullopt;
  }
  std::optional<Element> key = TakeElement(fields);
  if (!key || key->tag != 0x30) return std::nullopt;
  return key->whole;
}

}  // namespace ktr::platform
