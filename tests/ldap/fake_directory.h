// A scripted directory service for the module's side of directory fetching:
// it records what each request was asked for and answers with the status and
// revocation lists the test set. No network, no server.
#ifndef PKIX_TESTS_LDAP_FAKE_DIRECTORY_H_
#define PKIX_TESTS_LDAP_FAKE_DIRECTORY_H_

#include <string>
#include <vector>

#include "contract/ldap.h"
#include "crl/tcrl.h"
#include "support/result_codes.h"

namespace pkixtest {

// What the requests of one FakeDirectory saw and answer.
struct DirectoryScript {
  // Filled by the requests.
  std::vector<std::string> urls;                  // setURL texts
  std::vector<std::vector<unsigned char>> dns;    // setDN DER octets
  int sends = 0;
  int created = 0;
  // Answers.
  int url_answer = pkixrc::kOk;                   // setURL's result
  int status_after_send = CMN_LdapReqCont_I::kResDone;
  TCRLList* crls = nullptr;                       // borrowed; a new reference per getCrlList
};

class FakeRequest : public CMN_LdapReqCont_I {
 public:
  explicit FakeRequest(DirectoryScript* s) : s_(s) { addReference(); }
  int init() override { return 0; }
  int fini() override { return 0; }
  int setDN(TName*) override { return pkixrc::kWrongType; }
  int setDN(const unsigned char* der, unsigned len) override {
    s_->dns.emplace_back(der, der + len);
    return pkixrc::kOk;
  }
  int setURL(const char* url) override {
    s_->urls.emplace_back(url);
    return s_->url_answer;
  }
  int setServer(const char*, unsigned short) override { return pkixrc::kOk; }
  int send(unsigned, void*, int) override {
    ++s_->sends;
    status_ = s_->status_after_send;
    return status_ == kResDone ? pkixrc::kOk : pkixrc::kNotFound;
  }
  int getResStatus() override { return status_; }
  int error() override { return 0; }
  TCertList* getCertList() override { return nullptr; }
  const unsigned char* getCertListDatap() override { return nullptr; }
  unsigned getCertListDataLen() override { return 0; }
  TCRLList* getCrlList() override {
    if (status_ != kResDone || s_->crls == nullptr) return nullptr;
    s_->crls->addRef();
    return s_->crls;
  }
  const unsigned char* getCrlListDatap() override { return nullptr; }
  unsigned getCrlListDataLen() override { return 0; }

 private:
  DirectoryScript* s_;
  int status_ = kResNotSent;
};

// Every service operation answers 0; createRequest makes FakeRequests.
class FakeDirectory : public CMN_LdapClntSvc_Ext_I {
 public:
  explicit FakeDirectory(DirectoryScript* s) : s_(s) {}
  int init() override { return 0; }
  int fini() override { return 0; }
  int Start() override { return 0; }
  int Stop() override { return 0; }
  int AddConnection(const char*, unsigned short, const char*) override { return 0; }
  int RemoveConnection(const char*, unsigned short) override { return 0; }
  int RemoveAllConnections() override { return 0; }
  int SetConnectTimeout(unsigned) override { return 0; }
  int SetResponseTimeout(unsigned) override { return 0; }
  int SetConnectHoldTimeout(unsigned) override { return 0; }
  int SetDropConnectTimeout(unsigned) override { return 0; }
  CMN_LdapReqCont_I* createRequest(CMN_LdapReqCont_I::ReqType) override {
    ++s_->created;
    return new FakeRequest(s_);
  }
  int GetResponseTimeout() override { return kResponseTimeout; }
  int FindConnectionUnlocked(const TLdapConnectionKey&) override { return 0; }
  int FindAndLockConnection(const TLdapConnectionKey&) override { return 0; }
  int GetAndLockFirstConnection() override { return 0; }
  int GetNextConnectionUnlocked() override { return 0; }
  int UnlockConnection() override { return 0; }
  int CreateTimer(int, int, long, void*, TLdapTimerCallback, int, TLdapTimerCallback) override { return 0; }
  int RemoveTimerEntry(int) override { return 0; }
  int RemoveWildConnTimerEntry(int, const TLdapConnectionKey&) override { return 0; }
  int MarkActiveUsage() override { return 0; }
  int UnmarkActiveUsage() override { return 0; }
  int SetConnectionKillerTimer() override { return 0; }
  int RemoveConnectionKillerTimer() override { return 0; }
  int CloseAllConnectionsByTimer() override { return 0; }
  int GetConnectTimeout() override { return 0; }
  int GetConnectHoldTimeout() override { return 0; }
  int GetDropConnectTimeout() override { return 0; }
  int WildConnectionAdd(const TLdapConnectionKey&) override { return 0; }
  int WildConnectionFindAndLock(const TLdapConnectionKey&) override { return 0; }
  int WildConnectionRemove(const TLdapConnectionKey&) override { return 0; }
  int WildConnectionUnlock() override { return 0; }
  int SetWildConnTimer(const TLdapConnectionKey&) override { return 0; }
  int RemoveWildConnTimer(const TLdapConnectionKey&) override { return 0; }
  int GetCurrentConnection(TLdapConnectionKey*) override { return 0; }

  static constexpr int kResponseTimeout = 1234;

 private:
  DirectoryScript* s_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_LDAP_FAKE_DIRECTORY_H_
