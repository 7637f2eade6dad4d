// The client side of the host's directory (LDAP) client service
// (pkixid::kDirectory): two service stubs, the basic CMN_LdapClntSvc and the
// extended CMN_LdapClntSvcExt (the static cmn_ldap), and the request stubs
// CMN_LdapReqCont, CMN_LdapCertReq and CMN_LdapCrlReq.
//
// Every member binds on first use, raises the service's guard around the
// call and returns the service's result unchanged. When no service can be
// bound (the host module manager is not known yet, or it has no directory
// service) a member returns 40 (pkixrc::kUnavailable), createRequest returns
// null, and the module carries on without directory access.
//
// The members are virtual, in the order the stubs' binary layout fixes: do
// not reorder or insert.
#ifndef PKIX_LDAP_S_LDAP_H_
#define PKIX_LDAP_S_LDAP_H_

#include "contract/ldap.h"
#include "framework/cmn_stub.h"
#include "framework/id_type.h"

class aName;
class aCertList;
class aCrlList;

// The directory service's identifier, 102.
extern Tuint32ID cmn_LdapServiceId;

class CMN_LdapClntSvc : public CMN_ServiceStub<CMN_LdapClntSvc_I> {
 public:
  // Binds at once (the host module manager must be known).
  CMN_LdapClntSvc();
  // Holds service (possibly null) without asking the host.
  explicit CMN_LdapClntSvc(CMN_LdapClntSvc_I* service);
  ~CMN_LdapClntSvc() override;

  // Each: the service's code, or 40 when no service can be bound.
  virtual int Start();
  virtual int Stop();
  virtual int AddConnection(const char* host, unsigned short port, const char* scheme);
  virtual int RemoveConnection(const char* host, unsigned short port);
  virtual int RemoveAllConnections();
  virtual int SetConnectTimeout(unsigned ms);
  virtual int SetResponseTimeout(unsigned ms);
  virtual int SetConnectHoldTimeout(unsigned ms);
  virtual int SetDropConnectTimeout(unsigned ms);
};

class CMN_LdapClntSvcExt : public CMN_ServiceStub<CMN_LdapClntSvc_Ext_I> {
 public:
  // Binds at once (the host module manager must be known).
  CMN_LdapClntSvcExt();
  // Holds service (possibly null) without asking the host.
  explicit CMN_LdapClntSvcExt(CMN_LdapClntSvc_Ext_I* service);
  ~CMN_LdapClntSvcExt() override;

  // 1 when a service is held after binding if need be; 0 when none can be
  // bound (the host module manager is not known, or has no such service).
  // Binding is always done under the bind lock, so two first callers bind
  // once whichever form they use.
  int initialize(int locked);
  // The held service, without binding (null when none is held).
  CMN_LdapClntSvc_Ext_I* GetPointee() const { return service(); }

  // Each: the service's result, or 40 when no service can be bound.
  virtual int GetResponseTimeout();
  virtual int Start();
  virtual int Stop();
  virtual int AddConnection(const char* host, unsigned short port, const char* scheme);
  virtual int RemoveConnection(const char* host, unsigned short port);
  virtual int RemoveAllConnections();
  virtual int SetConnectTimeout(unsigned ms);
  virtual int SetConnectHoldTimeout(unsigned ms);
  virtual int SetDropConnectTimeout(unsigned ms);
  virtual int FindConnectionUnlocked(const TLdapConnectionKey& key);
  virtual int FindAndLockConnection(const TLdapConnectionKey& key);
  virtual int GetAndLockFirstConnection();
  virtual int GetNextConnectionUnlocked();
  virtual int UnlockConnection();
  virtual int CreateTimer(int timer_id, int kind, long period_ms, void* context, TLdapTimerCallback fire,
                          int repeat, TLdapTimerCallback removed);
  virtual int RemoveTimerEntry(int timer_id);
  virtual int RemoveWildConnTimerEntry(int timer_id, const TLdapConnectionKey& key);
  virtual int MarkActiveUsage();
  virtual int UnmarkActiveUsage();
  virtual int SetConnectionKillerTimer();
  virtual int RemoveConnectionKillerTimer();
  virtual int CloseAllConnectionsByTimer();
  virtual int GetConnectTimeout();
  virtual int GetConnectHoldTimeout();
  virtual int GetDropConnectTimeout();
  virtual int WildConnectionAdd(const TLdapConnectionKey& key);
  virtual int WildConnectionFindAndLock(const TLdapConnectionKey& key);
  virtual int WildConnectionRemove(const TLdapConnectionKey& key);
  virtual int WildConnectionUnlock();
  virtual int SetWildConnTimer(const TLdapConnectionKey& key);
  virtual int RemoveWildConnTimer(const TLdapConnectionKey& key);
  // A new request of the kind (one reference, the caller's), or null when
  // no service can be bound or the service refuses.
  virtual CMN_LdapReqCont_I* createRequest(CMN_LdapReqCont_I::ReqType kind);

 private:
  // The client-call pattern behind initialize(1): fail when none is bound.
  template <class F>
  int forward(F f) {
    if (initialize(1) == 0) return pkixrc::kUnavailable;
    return call(f, pkixrc::kUnavailable);
  }
};

// The module's extended directory stub, built with no service at library
// load; binds on first use.
extern CMN_LdapClntSvcExt cmn_ldap;

// One request of the directory service, kept in use through cmn_ldap.
// Without a request (no service) getResStatus answers 0 and every other
// member 40.
class CMN_LdapReqCont : public CMN_ObjectStub<CMN_LdapReqCont_I> {
 public:
  // A new request of the kind through cmn_ldap; empty when none comes.
  explicit CMN_LdapReqCont(CMN_LdapReqCont_I::ReqType kind = CMN_LdapReqCont_I::kReqCrl);
  // Wraps req (possibly null); the holder adds its own reference.
  explicit CMN_LdapReqCont(CMN_LdapReqCont_I* req);
  ~CMN_LdapReqCont() override;

  // Each: the request's code (contract/ldap.h).
  virtual int setDN(aName& name);
  virtual int setDN(const unsigned char* der, unsigned len);
  virtual int setURL(const char* url);
  virtual int setServer(const char* host, unsigned short port);
  virtual int send(unsigned timeout_ms, void* reserved, int flags);
  // The request's status (2: done with an answer); 0 without a request.
  virtual int getResStatus();

 protected:
  // f on the request under its guard; 40 without one.
  template <class F>
  auto onRequest(F f, decltype(f(static_cast<CMN_LdapReqCont_I*>(nullptr))) fail) const {
    return invoke(f, fail);
  }
};

// A request for certificates.
class CMN_LdapCertReq : public CMN_LdapReqCont {
 public:
  explicit CMN_LdapCertReq(CMN_LdapReqCont_I::ReqType kind = CMN_LdapReqCont_I::kReqCaCert)
      : CMN_LdapReqCont(kind) {}
  explicit CMN_LdapCertReq(CMN_LdapReqCont_I* req) : CMN_LdapReqCont(req) {}
  ~CMN_LdapCertReq() override;

  // The answer's certificates (empty wrapper without an answer).
  virtual aCertList getCertList();
  // The answer's certificate values as received (borrowed from the request;
  // null and 0 when there are none).
  virtual const unsigned char* getCertListDatap();
  virtual unsigned getCertListDataLen();
};

// A request for revocation lists.
class CMN_LdapCrlReq : public CMN_LdapReqCont {
 public:
  explicit CMN_LdapCrlReq(CMN_LdapReqCont_I::ReqType kind = CMN_LdapReqCont_I::kReqCrl) : CMN_LdapReqCont(kind) {}
  explicit CMN_LdapCrlReq(CMN_LdapReqCont_I* req) : CMN_LdapReqCont(req) {}
  ~CMN_LdapCrlReq() override;

  // The answer's revocation lists (empty wrapper without an answer).
  virtual aCrlList getCrlList();
  // The answer's revocation-list values as received (borrowed from the
  // request; null and 0 when there are none).
  virtual const unsigned char* getCrlListDatap();
  virtual unsigned getCrlListDataLen();
};

#endif  // PKIX_LDAP_S_LDAP_H_
