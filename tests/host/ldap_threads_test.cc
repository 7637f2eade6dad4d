// The directory client service under concurrent use, also run under
// ThreadSanitizer: eight threads fetch through one service while others
// walk the connection table, arm and remove timers, close every connection
// and stop and start the service. Every fetch that succeeds must return
// exactly the loaded octets.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/result_codes.h"
#include "testing/slapd_env.h"
#include "ldap_test_util.h"

namespace {

using namespace ldaptest;

constexpr int kThreads = 8;
constexpr int kRounds = 20;

class LdapThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Module();
    PKIX_NEED_SLAPD(slapd);
    expected = Cat({File("examples/crls/sub-ca.crl.der"), File("examples/crl/v2-reasons.der"),
                    File("examples/crl/sha256.der")});
    url = slapd->url() + "/cn=Example%20Sub%20CA,ou=PKI,o=Example,c=DE";
  }
  // kThreads threads fetching kRounds times each; counts the fetches that
  // returned the loaded octets and those refused with 40.
  void Fetchers(ServiceRef& svc, std::vector<std::thread>* threads) {
    for (int t = 0; t < kThreads; ++t) {
      threads->emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
          RequestRef r(svc->createRequest(Req::kReqCrl));
          if (r->setURL(url.c_str()) != pkixrc::kOk) continue;
          int code = r->send(0, nullptr, 0);
          if (code == pkixrc::kOk && CrlOctets(r.req) == expected) ++good;
          if (code == pkixrc::kUnavailable) ++refused;
        }
      });
    }
  }

  pkixtest::SlapdServer* slapd = nullptr;
  Bytes expected;
  std::string url;
  std::atomic<int> good{0};
  std::atomic<int> refused{0};
};

TEST_F(LdapThreadsTest, EightThreadsFetchAtOnceThroughOneService) {
  ServiceRef svc;
  ASSERT_EQ(svc->AddConnection(slapd->host(), slapd->port(), nullptr), pkixrc::kOk);
  std::vector<std::thread> threads;
  Fetchers(svc, &threads);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good.load(), kThreads * kRounds);
  EXPECT_LE(pkixhost::liveLdapConnections(), static_cast<int>(pkixhost::kLdapIdlePerServer) + kThreads);
}

int Count(void* c, int) {
  ++*static_cast<std::atomic<int>*>(c);
  return 0;
}

TEST_F(LdapThreadsTest, FetchesRunBesideWalksTimersAndClosings) {
  ServiceRef svc;
  ASSERT_EQ(svc->SetDropConnectTimeout(1), pkixrc::kOk);
  std::vector<std::thread> threads;
  Fetchers(svc, &threads);
  std::atomic<bool> stop{false};
  std::atomic<int> ticks{0};
  std::thread meddler([&] {
    int id = 100;
    while (!stop) {
      if (svc->GetAndLockFirstConnection() == pkixrc::kOk) {
        TLdapConnectionKey k{};
        do {
          svc->GetCurrentConnection(&k);
        } while (svc->GetNextConnectionUnlocked() == pkixrc::kOk);
        svc->UnlockConnection();
      }
      svc->CreateTimer(id, 0, 1, &ticks, &Count, 1, nullptr);
      svc->CloseAllConnectionsByTimer();
      svc->RemoveTimerEntry(id);
      svc->RemoveConnectionKillerTimer();
      svc->SetConnectionKillerTimer();
      ++id;
      std::this_thread::yield();
    }
  });
  for (std::thread& t : threads) t.join();
  stop = true;
  meddler.join();
  EXPECT_EQ(good.load(), kThreads * kRounds);
}

TEST_F(LdapThreadsTest, StopAndStartWhileFetching) {
  ServiceRef svc;
  std::vector<std::thread> threads;
  Fetchers(svc, &threads);
  std::atomic<bool> stop{false};
  std::thread toggler([&] {
    while (!stop) {
      svc->Stop();
      std::this_thread::yield();
      svc->Start();
      std::this_thread::yield();
    }
  });
  for (std::thread& t : threads) t.join();
  stop = true;
  toggler.join();
  // Each fetch either got the octets or was refused while stopped.
  EXPECT_EQ(good.load() + refused.load(), kThreads * kRounds);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
  return RUN_ALL_TESTS();
}
