// The client wrappers over the certificate service in process: each
// operation forwards, keeps the error by the wrapper rules, and leaves only
// the documented references behind.
#include "cert/cert_testutil.h"
#include "module/pkixacert.h"
#include "module/pkixaextn.h"
#include "module/pkixalist.h"
#include "module/pkixaname.h"
#include "module/pkixsrv.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

const TName::name_type_t kSubject = static_cast<TName::name_type_t>(certname::kSubject);

// References an object holds, read through a wrapper.
template <class W>
int refs(const W& w) {
  return w.raw() != nullptr ? w.raw()->references() : -1;
}

class WrapTest : public CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    mgr.offer(0x3f0007, createTPkixService());
  }
  aCert load(const std::string& name) {
    Bytes d = example(name);
    return aCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  }
};

TEST_F(WrapTest, EmptyWrappersAnswerWithoutCalling) {
  aCert c(static_cast<TCert*>(nullptr));
  EXPECT_EQ(c.error(), pkixrc::kUnavailable);
  EXPECT_EQ(c.getVersion(), -1);
  EXPECT_EQ(c.error(), pkixrc::kUnavailable);
  EXPECT_EQ(c.setVersion(1), pkixrc::kUnavailable);
  EXPECT_EQ(c.getType(), 0);
  aName n = c.getName(kSubject);
  EXPECT_EQ(n.error(), pkixrc::kUnavailable);
  EXPECT_EQ(n.raw(), nullptr);
  long f = 0, t = 0;
  EXPECT_EQ(c.getValidity(f, t), pkixrc::kUnavailable);
  aName a, b;
  EXPECT_EQ(a == b, 0);
  EXPECT_EQ(a.error(), pkixrc::kUnavailable);
  EXPECT_EQ(a != b, 1);
  aCertList l(static_cast<TCertList*>(nullptr));
  EXPECT_TRUE(l.isEmpty());
  EXPECT_EQ(l.error(), pkixrc::kUnavailable);
  // A format the service refuses leaves an empty wrapper.
  aCert bad(static_cast<TCert::cert_format_t>(2));
  EXPECT_EQ(bad.error(), pkixrc::kUnavailable);
  EXPECT_EQ(bad.raw(), nullptr);
}

TEST_F(WrapTest, ReferencesAfterEachOperation) {
  aCert c = load("server.der");
  ASSERT_EQ(c.error(), 0);
  EXPECT_EQ(refs(c), 1);  // the wrapper's own
  {
    aCert shared(c);
    EXPECT_EQ(refs(c), 2);
  }
  EXPECT_EQ(refs(c), 1);
  aName subject = c.getName(kSubject);
  ASSERT_EQ(subject.error(), 0);
  EXPECT_EQ(refs(subject), 1);  // a duplicate the wrapper alone holds
  aKey key = c.getKey(TKey::KT_PUBLIC);
  ASSERT_EQ(key.error(), 0);
  EXPECT_EQ(refs(key), 2);  // the certificate's and the wrapper's
  aBuf raw = c.getRaw();
  EXPECT_EQ(raw.error(), 0);
  EXPECT_EQ(raw.raw()->references(), 1);
  EXPECT_EQ(raw.len(), example("server.der").size());
  aExtnList extns = c.getExtns();
  ASSERT_EQ(extns.error(), 0);
  EXPECT_EQ(refs(extns), 2);  // cached by the certificate
  aExtn first = extns.getFirst();
  EXPECT_EQ(first.error(), 0);
  EXPECT_EQ(refs(first), 2);  // in the list and here
  EXPECT_EQ(c.setName(subject), 0);
  EXPECT_EQ(refs(subject), 1);  // the certificate keeps a duplicate
  EXPECT_EQ(c.setKey(key), 0);
  EXPECT_EQ(refs(key), 2);
  EXPECT_EQ(refs(c), 1);
}

TEST_F(WrapTest, CertificateOperationsForward) {
  aCert c = load("server.der");
  aCert same = load("server.der");
  aCert root = load("root-ca.der");
  EXPECT_EQ(c.getVersion(), 2);
  EXPECT_EQ(c.getType(), 1);
  EXPECT_EQ(root.getType(), 2);
  EXPECT_EQ(c == same, 1);
  EXPECT_EQ(c != root, 1);
  EXPECT_EQ(c.areISNMatched(same), 1);
  EXPECT_EQ(c.is_complete(), c.raw()->is_complete());
  EXPECT_EQ(c.setVersion(7), pkixrc::kBadArgument);
  EXPECT_EQ(c.error(), pkixrc::kBadArgument);
  long f = 0, t = 0;
  EXPECT_EQ(c.getValidity(f, t), 0);
  EXPECT_LT(f, t);
  // Fingerprints through the crypto service: the object's own, in a buffer
  // wrapper that holds the one reference it took.
  aBuf md5 = c.getMD5();
  ASSERT_NE(md5.raw(), nullptr);
  EXPECT_EQ(c.error(), 0);
  EXPECT_EQ(md5.len(), 16u);
  TBuf* direct = c.raw()->getMD5();
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(direct->datap(), direct->datap() + direct->len()),
            std::vector<unsigned char>(md5.raw()->datap(), md5.raw()->datap() + md5.len()));
  direct->release();
  aBuf sha1 = c.getSHA1();
  EXPECT_EQ(sha1.len(), 20u);
  aName subject = c.getName(kSubject);
  aBuf text = subject.getPrintable(TName::PRN_PLAIN);
  EXPECT_GT(text.len(), 0u);
  aName again = same.getName(kSubject);
  EXPECT_EQ(subject == again, 1);
  EXPECT_EQ(subject != again, 0);
  EXPECT_EQ(subject.error(), 0);
}

TEST_F(WrapTest, ExtensionWrappers) {
  aCert c = load("root-ca.der");
  aExtnList l = c.getExtns();
  aExtn ku = l.get(TExtn::EXT_KEY_USAGE);
  ASSERT_EQ(ku.error(), 0);
  aKeyUsage typed(ku);
  ASSERT_EQ(typed.error(), 0);
  EXPECT_EQ(typed.isCertSign(), 1);
  EXPECT_EQ(refs(typed), 3);  // list, generic and typed wrapper
  aExtn other = l.get(TExtn::EXT_BASIC_CONSTRAINTS);
  aKeyUsage wrong(other);
  EXPECT_EQ(wrong.error(), pkixrc::kUnavailable);
  EXPECT_EQ(wrong.raw(), nullptr);
  aExtn fresh(TExtn::EXT_KEY_USAGE);
  ASSERT_EQ(fresh.error(), 0);
  EXPECT_EQ(refs(fresh), 1);
  aKeyUsage made(fresh);
  EXPECT_EQ(made.set(TX509KeyUsage::KUSAGE_CRL_SIGN, 1), 0);
  EXPECT_EQ(made.isCRLSign(), 1);
  aBuf der = made.getRaw();
  ASSERT_EQ(der.error(), 0);
  aExtn parsed(der);
  EXPECT_EQ(parsed.getType(), TExtn::EXT_KEY_USAGE);
  aExtnList mine;
  EXPECT_EQ(mine.append(fresh), 0);
  EXPECT_EQ(refs(fresh), 3);  // fresh, made and the list
  EXPECT_EQ(mine.clear(), 0);
  EXPECT_EQ(refs(fresh), 2);
}

TEST_F(WrapTest, ListWrappers) {
  aCertList l;
  ASSERT_EQ(l.error(), 0);
  EXPECT_TRUE(l.isEmpty());
  aCert a = load("root-ca.der"), b = load("server.der");
  EXPECT_EQ(l.append(a), 0);
  EXPECT_EQ(l.pushFront(b), 0);
  EXPECT_EQ(refs(a), 2);
  EXPECT_FALSE(l.isEmpty());
  aCert first = l.getFirst();
  EXPECT_EQ(first == b, 1);
  aCertList found = l.find(b, 0);
  ASSERT_EQ(found.error(), 0);
  EXPECT_EQ(refs(found), 1);
  aCert hit = found.getFirst();
  EXPECT_EQ(hit == b, 1);
  aBuf set = l.getPKCS7Certificates();
  ASSERT_EQ(set.error(), 0);
  aCertList back;
  EXPECT_EQ(back.setPKCS7Certificates(set), 0);
  aCert back_first = back.getFirst();
  EXPECT_EQ(back_first == a, 1);  // reverse order
  back += l;
  int n = back.getFirst().raw() != nullptr ? 1 : 0;
  while (back.getNext().raw() != nullptr) ++n;
  EXPECT_EQ(n, 4);
  EXPECT_EQ(back.del(), 0);
}

}  // namespace
}  // namespace pkixtest
