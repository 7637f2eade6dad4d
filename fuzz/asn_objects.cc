// The DER readers of the ASN.1 object service over arbitrary octets, chosen
// by the first octet: AlgorithmIdentifier, the password-based identifier,
// one Attribute (its type found from its identifier, as createAttr does)
// and an attribute set, and the three enrolment structures. Every input
// ends in a verdict, never a crash, a hang or a leak; a refusal leaves the
// cursor where it was; whatever is accepted is written as DER that reads
// back to the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "asn/pkix_asn_der.h"
#include "crl/derbuild.h"

namespace {

using pkixasn::Octets;

// A refusal must leave the cursor; what is accepted must be writable, and
// what is written must read back and be written the same again (BER read
// comes out as DER).
template <class Decode, class Encode>
void Check(const uint8_t* data, size_t size, Decode decode, Encode encode) {
  Buffer in{nullptr, const_cast<uint8_t*>(data), static_cast<uint32_t>(size)};
  DerReader r(in);
  if (decode(r) != 0) {
    if (r.pos() != data) std::abort();
    return;
  }
  DerBuilder first;
  if (encode(first) != 0) std::abort();
  const Buffer e1 = first.view();
  DerReader again(e1);
  if (decode(again) != 0 || again.left() != 0) std::abort();
  DerBuilder second;
  if (encode(second) != 0) std::abort();
  const Buffer e2 = second.view();
  if (e2.len != e1.len || std::memcmp(e1.data, e2.data, e1.len) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 20) return 0;
  const uint8_t which = data[0] % 6;
  ++data;
  --size;
  switch (which) {
    case 0: {
      pkixasn::AlgId a;
      Check(data, size, [&](DerReader& r) { return pkixasn::algIdDecode(r, &a); },
            [&](DerBuilder& b) { return pkixasn::algIdEncode(a, b); });
      break;
    }
    case 1: {
      pkixasn::EncAlgId a;
      Check(data, size, [&](DerReader& r) { return pkixasn::encAlgIdDecode(r, &a); },
            [&](DerBuilder& b) { return pkixasn::encAlgIdEncode(a, b); });
      break;
    }
    case 2: {
      // A set of attributes: SET OF Attribute, each read by its type.
      std::vector<pkixasn::Attribute> attrs;
      Check(data, size,
            [&](DerReader& r) {
              attrs.clear();
              return r.element(der::kSet, [&](DerReader& set) {
                while (!set.atEnd()) {
                  pkixasn::Attribute a;
                  DER_TRY(pkixasn::attributeDecodeAny(set, &a));
                  attrs.push_back(std::move(a));
                }
                return 0;
              });
            },
            [&](DerBuilder& b) {
              return b.element(der::kSet, [&](DerBuilder& set) {
                for (size_t i = attrs.size(); i-- > 0;) DER_TRY(pkixasn::attributeEncode(attrs[i], set));
                return 0;
              });
            });
      break;
    }
    case 3: {
      pkixasn::IssuerAndSerial v;
      Check(data, size, [&](DerReader& r) { return pkixasn::issuerAndSerialDecode(r, &v); },
            [&](DerBuilder& b) { return pkixasn::issuerAndSerialEncode(v, b); });
      break;
    }
    case 4: {
      pkixasn::IssuerAndSubject v;
      Check(data, size, [&](DerReader& r) { return pkixasn::issuerAndSubjectDecode(r, &v); },
            [&](DerBuilder& b) { return pkixasn::issuerAndSubjectEncode(v, b); });
      break;
    }
    case 5: {
      pkixasn::IssuerAndDp v;
      Check(data, size, [&](DerReader& r) { return pkixasn::issuerAndDpDecode(r, &v); },
            [&](DerBuilder& b) { return pkixasn::issuerAndDpEncode(v, b); });
      break;
    }
  }
  return 0;
}
