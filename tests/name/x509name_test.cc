// The name object: creation from DER, text and selectors, attributes,
// printing, comparisons, combinations and kind conversions; and
// sel_compile_name, which builds names out of selectors.
#include "name/x509name.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>

#include "support/abuf.h"
#include "name/selname.h"
#include "name/x509conv.h"
#include "name_test_util.h"
#include "support/result_codes.h"
#include "support/temp_dir.h"
#include "testing/inproc.h"

namespace nametest {
namespace {

constexpr TName::name_type_t kDN = TName::NAME_DN;
constexpr TName::name_type_t kGN = TName::NAME_GN;
constexpr TName::name_type_t kSubjectDN = TName::NAME_DN | TName::NAME_SUBJECT;
constexpr TName::name_type_t kIssuerDN = TName::NAME_DN | TName::NAME_ISSUER;
constexpr TName::name_type_t kSubjectGN = TName::NAME_GN | TName::NAME_SUBJECT;

struct NameRelease {
  void operator()(TName* n) const {
    if (n != nullptr) n->release();
  }
};
using Name = std::unique_ptr<TName, NameRelease>;
struct SelFree {
  void operator()(_selector* s) const { sel_destroy(s); }
};
using Sel = std::unique_ptr<_selector, SelFree>;

// The text in a buffer the name handed out (dropping it).
std::string Take(TBuf* b) {
  if (b == nullptr) return "(null)";
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  b->release();
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}
std::string RawHex(TName* n) {
  TBuf* b = n->getRaw();
  if (b == nullptr) return "(null)";
  std::string h = Hex(b->datap(), b->len());
  b->release();
  return h;
}

class NameTest : public ::testing::Test {
 protected:
  void TearDown() override {
    conv_ini_clear();
    x509cmn_fini();
  }
  Name FromText(TName::name_type_t type, const char* text) {
    Name n(createTName(type));
    EXPECT_NE(n, nullptr);
    if (n != nullptr) {
      EXPECT_EQ(n->setPrintable(text), pkixrc::kOk) << text;
    }
    return n;
  }
  Name FromDer(TName::name_type_t type, const Bytes& der) {
    return Name(createTName(type, reinterpret_cast<const unsigned char*>(der.data()),
                            static_cast<unsigned>(der.size())));
  }

  pkixtest::InProcessManager mgr_;
};

TEST_F(NameTest, EmptyNamePrintsTwoQuotes) {
  Name n(createTName(kDN));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(RawHex(n.get()), "3000");
  EXPECT_EQ(n->is_empty(), 1);
  EXPECT_EQ(Take(n->getPrintable(TName::PRN_PLAIN)), "\"\"");
  Name none(createTName(TName::NAME_NONE));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->getType(), kDN) << "the DER decided the kind";
}

TEST_F(NameTest, GarbageDerHoldsNothing) {
  const Bytes cases[] = {FromHex("0403414243"), FromHex("300C310A3008060355040313"), FromHex("31023000"),
                         FromHex("3003800161"), Bytes()};
  for (const Bytes& der : cases) {
    EXPECT_EQ(FromDer(kDN, der), nullptr) << Hex(der);
    X509Name n(kDN);
    TBuf* b = createTBuf(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned>(der.size()));
    EXPECT_EQ(n.setRaw(b), pkixrc::kFailed) << Hex(der);
    b->release();
    EXPECT_EQ(n.getRaw(), nullptr);
    EXPECT_EQ(n.error(), pkixrc::kUnavailable);
    EXPECT_EQ(n.firstAttr(), -1);
  }
  X509Name n(kDN);
  EXPECT_EQ(n.setRaw(nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(n.setPrintable(nullptr), pkixrc::kBadArgument);
}

TEST_F(NameTest, SetRawKeepsOnlyTheFirstName) {
  Bytes one = Seq({Rdn({Atv(kCN, 0x13, "a")})});
  Name n = FromDer(kDN, one + one + "junk");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(RawHex(n.get()), Hex(one));
}

TEST_F(NameTest, TextInAndOut) {
  Name n = FromText(kDN, "CN=Alice, OU=R+L=Oslo, O=Example, C=NO");
  EXPECT_EQ(Take(n->getPrintable(TName::PRN_PLAIN)), "CN=Alice, OU=R+L=Oslo, O=Example, C=NO");
  Name u = FromText(kDN, "CN=caf\\C3\\A9");
  EXPECT_EQ(Take(u->getPrintable(TName::PRN_PLAIN)), "CN=caf\\C3\\A9");
  EXPECT_EQ(Take(u->getUTF8String()), "CN=caf\xC3\xA9");

  X509Name gn_text_in_dn(kDN);
  EXPECT_EQ(gn_text_in_dn.setPrintable("email=a@b"), pkixrc::kFailed);
  EXPECT_EQ(gn_text_in_dn.setPrintable("CN=a;b"), pkixrc::kFailed);
  X509Name kindless(TName::NAME_NONE);
  EXPECT_EQ(kindless.setPrintable("CN=a"), pkixrc::kFailed);
  // A directory name written as a string is no name.
  X509Name bad_dirname(kGN);
  EXPECT_EQ(bad_dirname.setPrintable("dirName=abc"), pkixrc::kFailed);
}

TEST_F(NameTest, DistinguishedNameTextOnGeneralNamesIsOneDirectoryName) {
  Name n = FromText(kGN, "CN=a,O=b");
  EXPECT_EQ(RawHex(n.get()),
            Hex(Seq({Tlv(0xA4, Seq({Rdn({Atv(kCN, 0x13, "a")}), Rdn({Atv(kO, 0x13, "b")})}))})));
  Name g = FromText(kGN, "email=a@b,CN=a");
  EXPECT_EQ(RawHex(g.get()),
            Hex(Seq({Tlv(0x81, "a@b"), Tlv(0xA4, Seq({Rdn({Atv(kCN, 0x13, "a")})}))})));
}

TEST_F(NameTest, Attributes) {
  Name n = FromText(kSubjectDN, "CN=a+OU=b,O=c");
  ASSERT_EQ(n->firstAttr(), 1);
  TBuf* type = nullptr;
  TBuf* value = nullptr;
  unsigned char tag = 0;
  ASSERT_EQ(n->getAttr(&type, &tag, &value), pkixrc::kOk);
  EXPECT_EQ(Hex(type->datap(), type->len()), Hex(kCN));
  EXPECT_EQ(tag, 0x13);
  EXPECT_EQ(Take(value), "a");
  EXPECT_EQ(n->is_enclosed(), 1);
  EXPECT_EQ(n->getuid(type), SEL_TAG(SEL_X509S, SEL_X509_CN));
  type->release();
  ASSERT_EQ(n->nextAttr(), 1);
  EXPECT_EQ(n->is_enclosed(), 0);
  ASSERT_EQ(n->nextAttr(), 1);
  ASSERT_EQ(n->nextAttr(), 0);
  EXPECT_EQ(n->getAttr(nullptr, &tag, nullptr), pkixrc::kUnavailable);

  Name issuer = FromText(kIssuerDN, "CN=a");
  Name plain = FromText(kDN, "CN=a");
  TBuf* cn = createTBuf(reinterpret_cast<const unsigned char*>(kCN.data()), 3);
  TBuf* dc = createTBuf(reinterpret_cast<const unsigned char*>(kDC.data()), static_cast<unsigned>(kDC.size()));
  TBuf* unknown = createTBuf(reinterpret_cast<const unsigned char*>("\x2A\x03"), 2);
  EXPECT_EQ(issuer->getuid(cn), SEL_TAG(SEL_X509I, SEL_X509_CN));
  EXPECT_EQ(plain->getuid(cn), 0);
  EXPECT_EQ(plain->error(), pkixrc::kFailed) << "getuid needs a role";
  EXPECT_EQ(issuer->getuid(dc), 0) << "a row without a selector component";
  EXPECT_EQ(issuer->getuid(unknown), 0);
  EXPECT_EQ(issuer->error(), pkixrc::kNotFound);
  EXPECT_EQ(issuer->getuid(nullptr), 0);
  EXPECT_EQ(issuer->error(), pkixrc::kBadArgument);
  cn->release();
  dc->release();
  unknown->release();
}

TEST_F(NameTest, Comparisons) {
  Name a = FromText(kDN, "CN=a,O=b");
  Name same = FromText(kDN, "O=b,CN=A");  // other order, other case
  Name longer = FromText(kDN, "CN=a,O=b,C=NO");
  Name other = FromText(kDN, "CN=x,O=b");
  Name disjoint = FromText(kDN, "CN=y");
  Name empty(createTName(kDN));
  X509Name unset(kDN);
  X509Name kindless(TName::NAME_NONE);

  EXPECT_EQ(*a == *same, 1);
  EXPECT_EQ(*same == *a, 1);
  EXPECT_EQ(*a == *a, 1);
  EXPECT_EQ(*a == *longer, 0);
  EXPECT_EQ(*a == unset, 0);
  EXPECT_EQ(unset == *a, 0);
  EXPECT_EQ(*a == kindless, 0);
  EXPECT_EQ(*empty == *Name(createTName(kDN)), 1);

  EXPECT_EQ(*longer << *a, 1);
  EXPECT_EQ(*a << *longer, 0);
  EXPECT_EQ(*a << *empty, 1);
  EXPECT_EQ(*a << *same, 1);

  EXPECT_EQ(a->doesContainSmth(other.get()), 1) << "O=b in common";
  EXPECT_EQ(a->doesContainSmth(disjoint.get()), 0);
  EXPECT_EQ(a->doesContainSmth(empty.get()), 1);
  EXPECT_EQ(a->doesContainSmth(nullptr), 0);

  // Differently encoded copies: UTF8String and BMPString against
  // PrintableString, other case and white space.
  Name utf8 = FromDer(kDN, Seq({Rdn({Atv(kCN, 0x0C, "a")}), Rdn({Atv(kO, 0x0C, "B ")})}));
  EXPECT_EQ(*a == *utf8, 1);
  Name bmp = FromDer(kDN, Seq({Rdn({Atv(kO, 0x1E, FromHex("00620020"))}), Rdn({Atv(kCN, 0x1E, FromHex("0041"))})}));
  EXPECT_EQ(*a == *bmp, 1);
}

TEST_F(NameTest, NormalisedCopyAndDup) {
  Name a = FromText(kDN, "CN=  Some   Name ,O=b");
  Name norm(a->getNormName());
  ASSERT_NE(norm, nullptr);
  EXPECT_EQ(RawHex(norm.get()),
            Hex(Seq({Rdn({Atv(kCN, 0x0C, "SOME NAME")}), Rdn({Atv(kO, 0x0C, "B")})})));
  EXPECT_EQ(*norm == *a, 1);
  EXPECT_EQ(Take(norm->getPrintable(TName::PRN_NORM)), "CN=SOME NAME, O=B");
  Name d(a->dup());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(RawHex(d.get()), RawHex(a.get()));
  EXPECT_EQ(d->getType(), kDN);
}

TEST_F(NameTest, ForbidFlagInStrictAndLossyPrinting) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  WriteFile(dir.file("x509conv.ini"), "ASN1ForbidEncoding = TRUE\n");
  ASSERT_EQ(conv_read_ini_file(dir.file("x509conv.ini").c_str()), 0);
  Name bmp = FromDer(kDN, Seq({Rdn({Atv(kCN, 0x1E, FromHex("00410062"))})}));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->getPrintable(TName::PRN_NORM), nullptr);
  EXPECT_EQ(bmp->error(), kConvForbidden);
  // Lossy output accepted: ASCII mode, the BMPString octets as they are.
  EXPECT_EQ(Take(bmp->getPrintable(TName::PRN_NORM | TName::PRN_LOSSY)), "CN=\\00A\\00b");
  conv_ini_clear();
  EXPECT_EQ(Take(bmp->getPrintable(TName::PRN_NORM)), "CN=Ab");
}

TEST_F(NameTest, CombinationsAndConversions) {
  const Bytes cn = Rdn({Atv(kCN, 0x13, "a")});
  const Bytes o = Rdn({Atv(kO, 0x13, "b")});
  Name a = FromText(kDN, "CN=a");
  Name b = FromText(kDN, "O=b");
  Name g = FromText(kGN, "email=m@x");

  Name ab(NplusN(a.get(), b.get()));
  EXPECT_EQ(RawHex(ab.get()), Hex(Seq({cn, o})));
  Name gd(GNplusDN(g.get(), a.get()));
  EXPECT_EQ(RawHex(gd.get()), Hex(Seq({Tlv(0x81, "m@x"), Tlv(0xA4, Seq({cn}))})));
  Name only_dn(GNplusDN(nullptr, a.get()));
  EXPECT_EQ(RawHex(only_dn.get()), Hex(Seq({Tlv(0xA4, Seq({cn}))})));
  EXPECT_EQ(only_dn->getType(), kGN);

  *a += *b;
  EXPECT_EQ(a->error(), pkixrc::kOk);
  EXPECT_EQ(RawHex(a.get()), Hex(Seq({cn, o})));
  Name g2 = FromText(kGN, "email=m@x");
  *g2 += *b;
  EXPECT_EQ(RawHex(g2.get()), Hex(Seq({Tlv(0x81, "m@x"), Tlv(0xA4, Seq({o}))})));
  // DN += GN: the result is general names, and so is the name's kind.
  Name d = FromText(kSubjectDN, "O=b");
  *d += *g;
  EXPECT_EQ(d->error(), pkixrc::kOk);
  EXPECT_EQ(d->getType(), kSubjectGN);
  EXPECT_EQ(RawHex(d.get()), Hex(Seq({Tlv(0x81, "m@x"), Tlv(0xA4, Seq({o}))})));
  X509Name kindless(TName::NAME_NONE);
  *d += kindless;
  EXPECT_EQ(d->error(), pkixrc::kBadArgument);

  Name back(gd->produce(kIssuerDN));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(RawHex(back.get()), Hex(Seq({cn})));
  EXPECT_EQ(back->getType(), kIssuerDN);
  EXPECT_EQ(g->produce(kDN), nullptr);
  EXPECT_EQ(g->error(), pkixrc::kNotFound) << "no directory name";
  Name up(back->produce(kGN));
  EXPECT_EQ(RawHex(up.get()), Hex(Seq({Tlv(0xA4, Seq({cn}))})));
  EXPECT_EQ(back->produce(TName::NAME_NONE), nullptr);
  EXPECT_EQ(back->error(), pkixrc::kBadArgument);
  Name same_kind(createTName(kSubjectDN, back.get()));
  EXPECT_EQ(same_kind->getType(), kSubjectDN);
  EXPECT_EQ(createTName(kDN, static_cast<TName*>(nullptr)), nullptr);
}

// ---- Selectors ----------------------------------------------------------------

TEST_F(NameTest, DistinguishedNameToSelectorAndBack) {
  Name n = FromText(kSubjectDN, "CN=a,O=b");
  Sel s(n->getSelector(nullptr));
  ASSERT_NE(s, nullptr);
  const unsigned char* cursor = nullptr;
  unsigned tag = 0, len = 0;
  const unsigned char* data = nullptr;
  ASSERT_EQ(sel_getnext(s.get(), &cursor, SEL_M_SRC, &tag, &len, &data), 1);
  EXPECT_EQ(tag, SEL_TAG(SEL_CERT_SUBJECT, SEL_NAME_COMPLETE));
  EXPECT_EQ(Hex(data, len), RawHex(n.get()));

  TName* back = nullptr;
  ASSERT_EQ(createTName(kSubjectDN, s.get(), &back), 0);
  Name b(back);
  EXPECT_EQ(*b == *n, 1);
  EXPECT_EQ(b->is_selector(), 0);

  n->setComplete(0);
  Sel t(n->getSelector(nullptr));
  cursor = nullptr;
  tag = 0;
  ASSERT_EQ(sel_getnext(t.get(), &cursor, SEL_M_SRC, &tag, &len, &data), 1);
  EXPECT_EQ(tag, SEL_TAG(SEL_CERT_SUBJECT, SEL_NAME_TEMPLATE));
  TName* templ = nullptr;
  ASSERT_EQ(createTName(kSubjectDN, t.get(), &templ), 0);
  Name tp(templ);
  EXPECT_EQ(tp->is_selector(), 1) << "a template stays a template";
  EXPECT_EQ(*tp == *n, 1);

  Name issuer = FromText(kIssuerDN, "CN=a");
  Sel si(issuer->getSelector(nullptr));
  cursor = nullptr;
  tag = 0;
  ASSERT_EQ(sel_getnext(si.get(), &cursor, SEL_M_SRC, &tag, &len, &data), 1);
  EXPECT_EQ(tag, SEL_TAG(SEL_CERT_ISSUER, SEL_NAME_COMPLETE));
}

TEST_F(NameTest, GeneralNamesToSelectorAndBack) {
  Name g = FromText(kSubjectGN, "email=a\\+b@x, DNS=h.example, IP=10.0.0.1, URI=http://h/, CN=d");
  Sel s(g->getSelector(nullptr));
  ASSERT_NE(s, nullptr);
  // e-mail, DNS and IP become components; the URI (no selector tag) and the
  // directory name are skipped.
  std::string seen;
  const unsigned char* cursor = nullptr;
  for (;;) {
    unsigned tag = 0, len = 0;
    const unsigned char* data = nullptr;
    if (sel_getnext(s.get(), &cursor, SEL_M_SRC, &tag, &len, &data) != 1) break;
    seen += std::to_string(tag) + "=" + std::string(reinterpret_cast<const char*>(data), len) + ";";
  }
  EXPECT_EQ(seen, std::to_string(SEL_TAG(SEL_X509S, SEL_X509_MAIL)) + "=a\\+b@x;" +
                      std::to_string(SEL_TAG(SEL_X509S, SEL_X509_DNS)) + "=h.example;" +
                      std::to_string(SEL_TAG(SEL_X509S, SEL_X509_IP)) + "=" + std::string("\x0A\0\0\x01", 4) + ";");
  TName* back = nullptr;
  ASSERT_EQ(createTName(kSubjectGN, s.get(), &back), 0);
  Name b(back);
  Name expect = FromText(kSubjectGN, "email=a\\+b@x, DNS=h.example, IP=10.0.0.1");
  EXPECT_EQ(*b == *expect, 1) << Take(b->getPrintable(TName::PRN_PLAIN));
  EXPECT_EQ(b->is_selector(), 1) << "components make a template";

  // An IPv6 address cannot be a component.
  Name v6 = FromDer(kSubjectGN, Seq({Tlv(0x87, Bytes(16, '\1'))}));
  ASSERT_NE(v6, nullptr);
  EXPECT_EQ(v6->getSelector(nullptr), nullptr);
  EXPECT_EQ(v6->error(), pkixrc::kMalformed);
}

TEST_F(NameTest, SelectorFailures) {
  X509Name n(kDN);
  EXPECT_EQ(n.getSelector(nullptr), nullptr);
  EXPECT_EQ(n.error(), pkixrc::kUnavailable);
  Sel empty(sel_create_empty());
  EXPECT_EQ(n.setSelector(empty.get()), pkixrc::kBadArgument) << "no role";
  X509Name subject(kSubjectDN);
  EXPECT_EQ(subject.setSelector(nullptr), pkixrc::kOk);
  EXPECT_EQ(subject.setSelector(empty.get()), pkixrc::kNotFound);
  TName* out = nullptr;
  EXPECT_EQ(createTName(kSubjectDN, empty.get(), &out), pkixrc::kNotFound);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(createTName(kSubjectDN, empty.get(), nullptr), pkixrc::kBadArgument);
}

// sel_compile_name over selectors built with sel_insert.
std::string Compile(const _selector* s, int issuer, int gn, int* complete) {
  Buffer out;
  int rc = sel_compile_name(s, issuer, gn, &out, complete);
  std::string r = rc == 0 ? Hex(out) : "error " + std::to_string(rc);
  release_buffer(&out);
  return r;
}

TEST(SelCompileNameTest, Cases) {
  const Bytes whole = Seq({Rdn({Atv(kCN, 0x13, "w")})});
  const char text[] = "CN=t";
  int complete = -1;

  Sel both(sel_insert(nullptr, SEL_TAG(SEL_X509S, SEL_X509_CN), 1u, "x",
                      SEL_TAG(SEL_CERT_SUBJECT, SEL_NAME_COMPLETE), static_cast<unsigned>(whole.size()), whole.data(),
                      0u, 0u));
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(Compile(both.get(), 0, 0, &complete), Hex(whole)) << "the whole name wins over components";
  EXPECT_EQ(complete, 1);

  Sel templ(sel_insert(nullptr, SEL_TAG(SEL_CERT_SUBJECT, SEL_NAME_TEMPLATE), static_cast<unsigned>(whole.size()),
                       whole.data(), 0u, 0u));
  EXPECT_EQ(Compile(templ.get(), 0, 0, &complete), Hex(whole));
  EXPECT_EQ(complete, 0);

  Sel str(sel_insert(nullptr, SEL_TAG(SEL_CERT_ISSUER_STR, SEL_NAME_COMPLETE), 4u, text, 0u, 0u));
  EXPECT_EQ(Compile(str.get(), 1, 0, &complete), Hex(Seq({Rdn({Atv(kCN, 0x13, "t")})})));
  EXPECT_EQ(complete, 1);
  EXPECT_EQ(Compile(str.get(), 0, 0, &complete), "") << "the subject has no name here";

  Sel bad_str(sel_insert(nullptr, SEL_TAG(SEL_CERT_SUBJECT_STR, SEL_NAME_COMPLETE), 4u, "CN=;", 0u, 0u));
  EXPECT_EQ(Compile(bad_str.get(), 0, 0, &complete), "error -61");

  Sel comps(sel_insert(nullptr, SEL_TAG(SEL_X509S, SEL_X509_COUNTRY), 2u, "NO", SEL_TAG(SEL_X509S, SEL_X509_CN), 4u,
                       "a\\,b", 0u, 0u));
  EXPECT_EQ(Compile(comps.get(), 0, 0, &complete),
            Hex(Seq({Rdn({Atv(kC, 0x13, "NO")}), Rdn({Atv(kCN, 0x13, "a,b")})})));
  EXPECT_EQ(complete, 0);

  Sel gn(sel_insert(nullptr, SEL_TAG(SEL_X509I, SEL_X509_MAIL), 3u, "m@x", SEL_TAG(SEL_X509I, SEL_X509_IP),
                    0x0100000Au, SEL_TAG(SEL_X509I, SEL_X509_CN), 1u, "c", 0u, 0u));
  EXPECT_EQ(Compile(gn.get(), 1, 1, &complete),
            Hex(Seq({Tlv(0x81, "m@x"), Tlv(0x87, FromHex("0A000001"))})))
      << "general names take only mail, DNS and IP";

  Sel none(sel_insert(nullptr, SEL_TAG(SEL_PORT, 0), 0x5000u, 0u, 0u));
  EXPECT_EQ(Compile(none.get(), 0, 0, &complete), "");
  EXPECT_EQ(complete, 0);

  Buffer out;
  EXPECT_EQ(sel_compile_name(nullptr, 0, 0, &out, &complete), SEL_ERR_ARG);
  EXPECT_EQ(sel_compile_name(none.get(), 0, 0, nullptr, &complete), SEL_ERR_ARG);
  EXPECT_EQ(sel_compile_name(none.get(), 0, 0, &out, nullptr), SEL_ERR_ARG);
}

}  // namespace
}  // namespace nametest
