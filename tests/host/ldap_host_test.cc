// The directory client as the host offers it: acquired by number (102)
// through the host module manager, with the module loaded by dlopen; the
// revocation lists of an answer are built by the loaded module's
// certificate service, reached through the same manager.
#include <gtest/gtest.h>

#include "contract/ldap.h"
#include "contract/service_ids.h"
#include "crl/tcrl.h"
#include "host/host.h"
#include "support/result_codes.h"
#include "testing/slapd_env.h"

namespace {

using pkixhost::Host;
using Req = CMN_LdapReqCont_I;

TEST(LdapHostTest, ServiceNumber102AnswersWithBothInterfacesAndBuildsListsInTheModule) {
  pkixtest::SlapdServer* slapd = nullptr;
  PKIX_NEED_SLAPD(slapd);
  Host host;
  Tuint32ID me(Host::kHostModuleID);
  Tuint32ID directory(pkixid::kDirectory);
  // Without the module: the answer's octets, but no list.
  auto* svc = static_cast<CMN_LdapClntSvc_Ext_I*>(host.acquire(directory, me));
  ASSERT_NE(svc, nullptr);
  const std::string url = slapd->url() + "/cn=Example%20Sub%20CA,o=Example,c=DE?certificateRevocationList";
  {
    Req* r = svc->createRequest(Req::kReqCrl);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->setURL(url.c_str()), pkixrc::kOk);
    ASSERT_EQ(r->send(0, nullptr, 0), pkixrc::kOk);
    EXPECT_EQ(r->getCrlListDataLen(), pkixtest::SlapdServer::ReadSourceFile("examples/crls/sub-ca.crl.der").size());
    EXPECT_EQ(r->getCrlList(), nullptr);
    EXPECT_EQ(r->error(), pkixrc::kUnavailable);
    r->remReference();
  }
  ASSERT_NE(host.load(PKIX_MODULE_PATH), nullptr);
  Req* r = svc->createRequest(Req::kReqCrl);
  ASSERT_EQ(r->setURL(url.c_str()), pkixrc::kOk);
  ASSERT_EQ(r->send(0, nullptr, 0), pkixrc::kOk);
  TCRLList* list = r->getCrlList();
  ASSERT_NE(list, nullptr) << "error " << r->error();
  TCRL* first = list->getFirst();
  EXPECT_NE(first, nullptr);
  if (first != nullptr) first->release();
  list->release();
  r->remReference();
  host.release(directory, me);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
  return RUN_ALL_TESTS();
}
