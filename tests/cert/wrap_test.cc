// The client wrappers over the certificate service in process: each
// operation forwards, keeps the error by the wrapper rules, and leaves only
// the documented references behind.
#include "cert/cert_testutil.h"
#include "contract/service_ids.h"
#include "module/pkixacert.h"
#include "module/pkixacrl.h"
#include "module/pkixadp.h"
#include "module/pkixaextn.h"
#include "module/pkixalist.h"
#include "module/pkixaname.h"
#include "module/pkixsrv.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

const TName::name_type_t kSubject = static_cast<TName::name_type_t>(certname::kSubject);
const TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN);

// References an object holds, read through a wrapper.
template <class W>
int refs(const W& w) {
  return w.raw() != nullptr ? w.raw()->references() : -1;
}

class WrapTest : public CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    mgr.offer(pkixid::kCertService, createTPkixService());
  }
  aCert load(const std::string& name) {
    Bytes d = example(name);
    return aCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  }
  // A sample revocation list (examples/crl), through the service.
  aCrl loadCrl(const std::string& name) {
    Bytes d = readFile(std::string(PKIX_SOURCE_DIR) + "/examples/crl/" + name);
    aBuf der(d.data(), static_cast<unsigned>(d.size()));
    return aCrl(TCert::CF_X509, der);
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

// What every empty revocation-list wrapper answers, without calling.
TEST_F(WrapTest, EmptyCrlWrappersAnswerWithoutCalling) {
  aCrl c(static_cast<TCRL*>(nullptr));
  aCrlList l(static_cast<TCRLList*>(nullptr));
  aCDP dp;
  aIdp idp;
  aCert none(static_cast<TCert*>(nullptr));
  aCrlList other;
  X509CRLReasons r = crlreasons::kAll;
  struct Case {
    const char* call;
    long got;
    long want;
    int error;
  };
  const Case cases[] = {
      {"aCrl::getVersion", static_cast<long>(c.getVersion()), static_cast<long>(0xdeadbeafu), c.error()},
      {"aCrl::getThisUpdate", c.getThisUpdate(), -1, c.error()},
      {"aCrl::getNextUpdate", c.getNextUpdate(), -1, c.error()},
      {"aCrl::getType", c.getType(), 0, c.error()},
      {"aCrl::setVersion", c.setVersion(2), pkixrc::kUnavailable, c.error()},
      {"aCrl::setReasons", c.setReasons(r), pkixrc::kUnavailable, c.error()},
      {"aCrl::isSuccessor", c.isSuccessor(c), 0, c.error()},
      {"aCrl::getIssuer", c.getIssuer().raw() != nullptr, 0, c.error()},
      {"aCrl::getRaw", c.getRaw(none).raw() != nullptr, 0, c.error()},
      {"aCrlList::isEmpty", l.isEmpty(), 1, l.error()},
      {"aCrlList::isComplete", l.isComplete(), 0, l.error()},
      {"aCrlList::append", l.append(c), pkixrc::kUnavailable, l.error()},
      {"aCrlList::getFirst", l.getFirst().raw() != nullptr, 0, l.error()},
      {"aCDP::getCRLList", dp.getCRLList().raw() != nullptr, 0, dp.error()},
      {"aCDP::setCRLList", dp.setCRLList(other), pkixrc::kUnavailable, dp.error()},
      {"aIdp::getDp", idp.getDp().raw() != nullptr, 0, idp.error()},
      {"aIdp::isIndirectCRL", idp.isIndirectCRL(), 0, idp.error()},
      {"aIdp::getDistributionPoints", idp.getDistributionPoints().raw() != nullptr, 0, idp.error()},
      {"aIdp::onlyContainsCACerts", idp.onlyContainsCACerts(), pkixrc::kUnavailable, idp.error()},
      {"aCert::getCrlList", none.getCrlList().raw() != nullptr, 0, none.error()},
      {"aCert::setCrlList", none.setCrlList(other), pkixrc::kUnavailable, none.error()},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.call);
    EXPECT_EQ(k.got, k.want);
    EXPECT_EQ(k.error, pkixrc::kUnavailable);
  }
  // A format the service refuses leaves an empty wrapper.
  aCrl bad(static_cast<TCert::cert_format_t>(2));
  EXPECT_EQ(bad.raw(), nullptr);
  EXPECT_EQ(bad.error(), pkixrc::kUnavailable);
}

TEST_F(WrapTest, CrlReferencesAfterEachOperation) {
  aCrl crl = loadCrl("v2-reasons.der");
  ASSERT_EQ(crl.error(), 0);
  EXPECT_EQ(refs(crl), 1);  // the wrapper's own
  {
    aCrl shared(crl);
    EXPECT_EQ(refs(crl), 2);
  }
  EXPECT_EQ(refs(crl), 1);
  EXPECT_EQ(crl.getVersion(), 2u);
  EXPECT_EQ(crl.getType(), 1);
  aName issuer = crl.getName(kIssuerDN);
  ASSERT_EQ(issuer.error(), 0);
  EXPECT_EQ(refs(issuer), 1);  // a copy the wrapper alone holds
  aCertList revoked = crl.getRevokedCerts();
  ASSERT_EQ(revoked.error(), 0);
  EXPECT_EQ(refs(revoked), 2);  // cached by the list
  aCert first = revoked.getFirst();
  ASSERT_EQ(first.error(), 0);
  aCert entry = crl.findRevokedCert(first);
  ASSERT_EQ(crl.error(), 0);
  EXPECT_EQ(entry.areISNMatched(first), 1);
  aExtnList extns = crl.getCRLExtns();
  ASSERT_EQ(extns.error(), 0);
  EXPECT_EQ(refs(extns), 2);  // kept by the list and here
  aCert none(static_cast<TCert*>(nullptr));
  aBuf raw = crl.getRaw(none);
  ASSERT_EQ(raw.error(), 0);
  const int der_refs = raw.raw()->references();  // the list's views and ours
  {
    aBuf again = crl.getRaw(none);
    EXPECT_EQ(again.raw(), raw.raw());
    EXPECT_EQ(raw.raw()->references(), der_refs + 1);
  }
  EXPECT_EQ(raw.raw()->references(), der_refs);
  aCrl copy = crl.dup();
  ASSERT_EQ(copy.error(), 0);
  EXPECT_EQ(refs(copy), 1);

  aCrlList list;
  ASSERT_EQ(list.error(), 0);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.append(crl), 0);
  EXPECT_EQ(refs(crl), 2);  // the wrapper and the list
  EXPECT_EQ(list.strictAppend(crl), pkixrc::kAlreadyPresent);
  EXPECT_EQ(refs(crl), 2);
  aCrl got = list.getFirst();
  EXPECT_EQ(got.raw(), crl.raw());
  EXPECT_EQ(refs(crl), 3);
  aBuf set = list.getPKCS7Crls();
  ASSERT_EQ(set.error(), 0);
  aCrlList back;
  EXPECT_EQ(back.setPKCS7Crls(set), 0);
  back += list;
  int n = back.getFirst().raw() != nullptr ? 1 : 0;
  while (back.getNext().raw() != nullptr) ++n;
  EXPECT_EQ(n, 2);
  EXPECT_EQ(list.clear(), 0);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(refs(crl), 3);  // the wrapper, got and back
}

TEST_F(WrapTest, DistributionPointWrappers) {
  aCert c = load("server.der");
  aExtnList l = c.getExtns();
  aExtn generic = l.get(TExtn::EXT_CRL_DP);
  ASSERT_EQ(generic.error(), 0);
  aCDP dp(generic);
  ASSERT_EQ(dp.error(), 0);
  EXPECT_EQ(refs(dp), 3);  // list, generic and typed wrapper
  aIdp not_idp(generic);
  EXPECT_EQ(not_idp.raw(), nullptr);
  EXPECT_EQ(not_idp.error(), pkixrc::kUnavailable);
  aExtn ku = l.get(TExtn::EXT_KEY_USAGE);
  aCDP not_dp(ku);
  EXPECT_EQ(not_dp.raw(), nullptr);
  EXPECT_EQ(not_dp.error(), pkixrc::kUnavailable);

  // The certificate's templates: a new list the wrapper alone holds, each
  // template named by the certificate's issuer and carrying its point as an
  // issuing distribution point.
  aCrlList templates = c.getCrlList();
  ASSERT_EQ(templates.error(), 0);
  EXPECT_EQ(c.error(), 0);
  EXPECT_EQ(refs(templates), 2);  // the extension keeps it too
  aCrl t = templates.getFirst();
  ASSERT_EQ(t.error(), 0);
  aName named = t.getName(kIssuerDN);
  aName issuer = c.getName(kIssuerDN);
  EXPECT_EQ(named == issuer, 1);
  aExtnList te = t.getCRLExtns();
  aExtn point = te.get(TExtn::EXT_ISSUING_DP);
  aIdp idp(point);
  ASSERT_EQ(idp.error(), 0);
  aBuf name = idp.getDp();
  EXPECT_GT(name.len(), 0u);
  EXPECT_EQ(idp.isOnlyContainsCACerts(), 0);  // an end-entity certificate's
  EXPECT_EQ(idp.onlyContainsCACerts(), 0);
  EXPECT_EQ(idp.isOnlyContainsCACerts(), 1);
  EXPECT_EQ(templates.getNext().raw(), nullptr);

  // Setting the templates back through the certificate shares them.
  EXPECT_EQ(c.setCrlList(templates), 0);
  EXPECT_EQ(refs(templates), 2);
  aCrlList again = dp.getCRLList();
  EXPECT_EQ(again.raw(), templates.raw());

  // A new extension of kind 15 made by the service, typed, given a list.
  aExtn fresh(TExtn::EXT_CRL_DP);
  ASSERT_EQ(fresh.error(), 0);
  aCDP made(fresh);
  ASSERT_EQ(made.error(), 0);
  EXPECT_EQ(made.getType(), TExtn::EXT_CRL_DP);
  EXPECT_EQ(made.setCertIssuer(issuer), 0);
  aCrlList one = made.getCRLList();  // one template for the issuer alone
  ASSERT_EQ(one.error(), 0);
  aCrl only = one.getFirst();
  aName only_name = only.getName(kIssuerDN);
  EXPECT_EQ(only_name == issuer, 1);
  EXPECT_EQ(made.setCRLList(templates), 0);
  EXPECT_EQ(refs(templates), 4);  // templates, again, and both extensions
  aExtn idp_generic(TExtn::EXT_ISSUING_DP);
  aIdp typed_idp(idp_generic);
  ASSERT_EQ(typed_idp.error(), 0);
  EXPECT_EQ(typed_idp.indirectCRL(), 0);
  EXPECT_EQ(typed_idp.isIndirectCRL(), 1);
  X509CRLReasons some = 0x60;
  EXPECT_EQ(typed_idp.setReasons(some), 0);
  EXPECT_EQ(typed_idp.getReasons(), 0x60);
}

}  // namespace
}  // namespace pkixtest
