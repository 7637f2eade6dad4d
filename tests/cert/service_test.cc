// The certificate service as another module meets it: libpkix.so loaded
// through the host, service 0x3f0007 acquired, objects created and used
// through their interfaces only.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asn/pkix_misc.h"
#include "host/host.h"
#include "host/hostbuf.h"
#include "module/pkixsrv.h"
#include "cert/x509crt.h"
#include "crl/tcrl.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes example(const std::string& name) {
  std::ifstream f(std::string(PKIX_SOURCE_DIR) + "/examples/certs/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m = host.load(PKIX_MODULE_PATH);
    ASSERT_NE(m, nullptr);
    service = static_cast<TPkixService*>(host.acquire(Tuint32ID(0x3f0007), me));
    ASSERT_NE(service, nullptr);
  }
  void TearDown() override {
    host.release(Tuint32ID(0x3f0007), me);
    EXPECT_EQ(m->guard()->callCount(), 0);
  }
  TCert* make(const std::string& name) {
    Bytes d = example(name);
    return service->createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  }
  pkixhost::Host host;
  pkixhost::LoadedModule* m = nullptr;
  Tuint32ID me{pkixhost::Host::kHostModuleID};
  TPkixService* service = nullptr;
};

TEST_F(ServiceTest, CertificatesFromBytesAndBuffers) {
  TCert* c = make("server.der");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->references(), 1);
  EXPECT_EQ(c->getVersion(), 2u);
  EXPECT_EQ(c->getType(), TCert::CT_END_ENTITY);
  EXPECT_EQ(c->getSignAlg(), 0x00020001u);
  TName* subject = c->getName(static_cast<TName::name_type_t>(certname::kSubject));
  ASSERT_NE(subject, nullptr);
  TBuf* text = subject->getPrintable(TName::PRN_PLAIN);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(reinterpret_cast<char*>(text->datap()), text->len()).find("CN="), std::string::npos);
  text->release();
  subject->release();
  TExtnList* l = c->getExtns();
  ASSERT_NE(l, nullptr);
  TExtn* ku = l->get(TExtn::EXT_KEY_USAGE);
  EXPECT_NE(ku, nullptr);
  if (ku != nullptr) ku->release();
  l->release();

  // From a TBuf: the buffer is advanced past the certificate.
  Bytes d = example("root-ca.der");
  TBuf* in = pkixhost::createBufferService()->createTBuf(d.data(), static_cast<unsigned>(d.size()));
  TCert* root = service->createTCert(TCert::CF_X509, in);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(in->len(), 0u);
  EXPECT_EQ(root->getType(), TCert::CT_AUTHORITY);
  EXPECT_EQ(*c == *root, 0);
  // What does not parse leaves nothing behind.
  int live = pkixhost::liveBuffers();
  Bytes bad(d.begin(), d.begin() + 100);
  in->set(bad.data(), static_cast<unsigned>(bad.size()));
  EXPECT_EQ(service->createTCert(TCert::CF_X509, in), nullptr);
  EXPECT_EQ(pkixhost::liveBuffers(), live);
  EXPECT_EQ(service->createTCert(static_cast<TCert::cert_format_t>(3)), nullptr);
  // The SHA-2 and ECDSA signature algorithms of the sample PKI.
  const struct {
    const char* file;
    uint32_t alg;
  } signed_with[] = {{"server-sha256.der", 0x00080001u},  {"server-sha384.der", 0x00090001u},
                     {"dsa-user-sha256.der", 0x00080002u}, {"ec256-leaf.der", 0x00080010u},
                     {"ec384-leaf.der", 0x00090010u},      {"ec384-leaf-sha512.der", 0x000A0010u}};
  for (const auto& s : signed_with) {
    TCert* made = make(s.file);
    EXPECT_NE(made, nullptr) << s.file;
    if (made == nullptr) continue;
    EXPECT_EQ(made->getSignAlg(), s.alg) << s.file;
    EXPECT_EQ(made->release(), 0);
  }
  in->release();
  EXPECT_EQ(root->release(), 0);
  EXPECT_EQ(c->release(), 0);
}

TEST_F(ServiceTest, ListsNamesAndExtensions) {
  TCertList* l = service->createTCertList();
  ASSERT_NE(l, nullptr);
  TCert* a = make("root-ca.der");
  TCert* b = make("sub-ca.der");
  EXPECT_EQ(l->append(a), 0);
  EXPECT_EQ(l->append(b), 0);
  TBuf* set = l->getPKCS7Certificates();
  ASSERT_NE(set, nullptr);
  TCertList* back = service->createTCertList();
  EXPECT_EQ(back->setPKCS7Certificates(set), 0);
  TCert* first = back->getFirst();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(*first == *b, 1);
  first->release();
  TCertList* found = l->strictFind(a, 0);
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(found->isEmpty());
  found->release();
  set->release();
  back->release();
  l->release();
  a->release();
  b->release();

  TName* n = service->createTName(static_cast<TName::name_type_t>(certname::kSubject));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->setPrintable("CN=gateway, O=Example"), 0);
  TCert* tmpl = service->createTCert(TCert::CF_X509);
  ASSERT_NE(tmpl, nullptr);
  EXPECT_EQ(tmpl->setName(n), 0);
  tmpl->release();
  n->release();
  EXPECT_EQ(service->createTName(static_cast<TName::name_type_t>(1), static_cast<TName*>(nullptr)), nullptr);

  TExtn* e = service->createTExtn(TExtn::EXT_KEY_USAGE);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getType(), TExtn::EXT_KEY_USAGE);
  TBuf* der = e->getRaw();
  ASSERT_NE(der, nullptr);
  TExtn* parsed = service->createTExtn(der);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->getType(), TExtn::EXT_KEY_USAGE);
  parsed->release();
  der->release();
  e->release();
  TExtnList* el = service->createTExtnList();
  ASSERT_NE(el, nullptr);
  el->release();
  TCRLList* crls = service->createTCRLList();
  ASSERT_NE(crls, nullptr);
  EXPECT_EQ(crls->error(), 0);
  crls->release();
  // The miscellaneous object: an empty placeholder with one reference.
  TPkixMisc* misc = service->createTPkixMisc();
  ASSERT_NE(misc, nullptr);
  EXPECT_EQ(misc->references(), 1);
  EXPECT_EQ(misc->release(), 0);
}

}  // namespace
