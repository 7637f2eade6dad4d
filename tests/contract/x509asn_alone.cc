// contract/x509asn.h on its own: the support library's DER reader, as the
// host's services call it.
#include "contract/x509asn.h"

#include <gtest/gtest.h>

namespace {

TEST(X509AsnContract, DecodeOpensOneElement) {
  // 04 02 AA BB: OCTET STRING of two octets; then one octet that follows.
  const unsigned char der[] = {0x04, 0x02, 0xAA, 0xBB, 0x05};
  Buffer b;
  ASSERT_EQ(set_buffer(&b, sizeof der, der), 0);
  Buffer wrong = b;
  EXPECT_EQ(asn1_der_decode(0x02, &wrong), X509ASN_E_TAG);
  EXPECT_EQ(wrong.data, b.data);  // nothing consumed
  EXPECT_EQ(asn1_der_decode(0x04, &b), 2);
  EXPECT_EQ(b.data[0], 0xAA);
  EXPECT_EQ(b.len, 3u);  // the content and what follows it
}

}  // namespace
