// Shared by the tests of the host's ASN.1 type service: a fixture holding
// one service that checks no object outlives a test, and owners for the
// references the service hands out.
#ifndef PKIX_TESTS_HOST_HOSTASN_TESTUTIL_H_
#define PKIX_TESTS_HOST_HOSTASN_TESTUTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "contract/asn_types.h"
#include "host/hostasn.h"
#include "testing/der_bytes.h"

namespace asntest {

using namespace pkixasn;
using Bytes = std::vector<uint8_t>;
using pkixtest::Cat;
using pkixtest::Tlv;

struct Drop {
  void operator()(CMN_GuardedRef* p) const {
    if (p != nullptr) p->remReference();
  }
};
// Owns one reference handed out by the service.
template <class T>
using Own = std::unique_ptr<T, Drop>;

// The unread octets of a buffer.
inline Bytes Octets(CMN_ASN_Buf_Interface* b) {
  if (b == nullptr) return {};
  unsigned n = b->len_of_datap();
  return n == 0 ? Bytes() : Bytes(b->datap(), b->datap() + n);
}
inline Bytes Octets(const Own<CMN_ASN_Buf_Interface>& b) { return Octets(b.get()); }

class AsnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_ = pkixhost::liveAsnObjects();
    svc_.reset(pkixhost::createAsnService());
    ASSERT_NE(svc_, nullptr);
    svc_->addReference();
  }
  void TearDown() override {
    svc_.reset();
    EXPECT_EQ(pkixhost::liveAsnObjects(), live_) << "objects left alive";
  }

  // A new object of kind code, seen through interface T.
  template <class T>
  Own<T> Make(unsigned code) {
    return Own<T>(static_cast<T*>(svc_->create(code)));
  }
  Own<CMN_ASN_Buf_Interface> Buf(const Bytes& b) {
    auto buf = Make<CMN_ASN_Buf_Interface>(kKindBuffer);
    EXPECT_EQ(buf->set(b.data(), static_cast<unsigned>(b.size())), kAsnOk);
    return buf;
  }
  // Encodes o; {} when it fails.
  Bytes Enc(CMN_ASN_Type_Interface* o) {
    Own<CMN_ASN_Buf_Interface> b(o->encode());
    return b ? Octets(b) : Bytes();
  }
  // Decodes der into o; the code, and in *rest the octets left unread.
  int Dec(CMN_ASN_Type_Interface* o, const Bytes& der, size_t* rest = nullptr) {
    auto in = Buf(der);
    int rc = o->decode(in.get());
    if (rest != nullptr) *rest = in->len_of_datap();
    return rc;
  }

  Own<CMN_ASN_Interface> svc_;
  int live_ = 0;
};

}  // namespace asntest

#endif  // PKIX_TESTS_HOST_HOSTASN_TESTUTIL_H_
