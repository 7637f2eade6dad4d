#include "ldap/s_ldap.h"

#include "contract/service_ids.h"
#include "module/pkixacrl.h"
#include "module/pkixalist.h"
#include "module/pkixaname.h"

Tuint32ID cmn_LdapServiceId CMN_ID_INIT(pkixid::kDirectory);

// Built at library load with no service; binds on first use.
CMN_LdapClntSvcExt cmn_ldap(nullptr);

namespace {
constexpr int kNoService = pkixrc::kUnavailable;
}  // namespace

// ---- CMN_LdapClntSvc ----

CMN_LdapClntSvc::CMN_LdapClntSvc() : CMN_ServiceStub(&cmn_LdapServiceId) {}
CMN_LdapClntSvc::CMN_LdapClntSvc(CMN_LdapClntSvc_I* service) : CMN_ServiceStub(&cmn_LdapServiceId, service) {}
CMN_LdapClntSvc::~CMN_LdapClntSvc() = default;

using Basic = CMN_LdapClntSvc_I;
int CMN_LdapClntSvc::Start() { return call([](Basic* s) { return s->Start(); }, kNoService); }
int CMN_LdapClntSvc::Stop() { return call([](Basic* s) { return s->Stop(); }, kNoService); }
int CMN_LdapClntSvc::AddConnection(const char* host, unsigned short port, const char* scheme) {
  return call([&](Basic* s) { return s->AddConnection(host, port, scheme); }, kNoService);
}
int CMN_LdapClntSvc::RemoveConnection(const char* host, unsigned short port) {
  return call([&](Basic* s) { return s->RemoveConnection(host, port); }, kNoService);
}
int CMN_LdapClntSvc::RemoveAllConnections() {
  return call([](Basic* s) { return s->RemoveAllConnections(); }, kNoService);
}
int CMN_LdapClntSvc::SetConnectTimeout(unsigned ms) {
  return call([&](Basic* s) { return s->SetConnectTimeout(ms); }, kNoService);
}
int CMN_LdapClntSvc::SetResponseTimeout(unsigned ms) {
  return call([&](Basic* s) { return s->SetResponseTimeout(ms); }, kNoService);
}
int CMN_LdapClntSvc::SetConnectHoldTimeout(unsigned ms) {
  return call([&](Basic* s) { return s->SetConnectHoldTimeout(ms); }, kNoService);
}
int CMN_LdapClntSvc::SetDropConnectTimeout(unsigned ms) {
  return call([&](Basic* s) { return s->SetDropConnectTimeout(ms); }, kNoService);
}

// ---- CMN_LdapClntSvcExt ----

CMN_LdapClntSvcExt::CMN_LdapClntSvcExt() : CMN_ServiceStub(&cmn_LdapServiceId) {}
CMN_LdapClntSvcExt::CMN_LdapClntSvcExt(CMN_LdapClntSvc_Ext_I* service)
    : CMN_ServiceStub(&cmn_LdapServiceId, service) {}
CMN_LdapClntSvcExt::~CMN_LdapClntSvcExt() = default;

int CMN_LdapClntSvcExt::initialize(int /*locked*/) { return Bind() != nullptr ? 1 : 0; }

using Ext = CMN_LdapClntSvc_Ext_I;
using Key = TLdapConnectionKey;
int CMN_LdapClntSvcExt::GetResponseTimeout() { return forward([](Ext* s) { return s->GetResponseTimeout(); }); }
int CMN_LdapClntSvcExt::Start() { return forward([](Ext* s) { return s->Start(); }); }
int CMN_LdapClntSvcExt::Stop() { return forward([](Ext* s) { return s->Stop(); }); }
int CMN_LdapClntSvcExt::AddConnection(const char* host, unsigned short port, const char* scheme) {
  return forward([&](Ext* s) { return s->AddConnection(host, port, scheme); });
}
int CMN_LdapClntSvcExt::RemoveConnection(const char* host, unsigned short port) {
  return forward([&](Ext* s) { return s->RemoveConnection(host, port); });
}
int CMN_LdapClntSvcExt::RemoveAllConnections() { return forward([](Ext* s) { return s->RemoveAllConnections(); }); }
int CMN_LdapClntSvcExt::SetConnectTimeout(unsigned ms) {
  return forward([&](Ext* s) { return s->SetConnectTimeout(ms); });
}
int CMN_LdapClntSvcExt::SetConnectHoldTimeout(unsigned ms) {
  return forward([&](Ext* s) { return s->SetConnectHoldTimeout(ms); });
}
int CMN_LdapClntSvcExt::SetDropConnectTimeout(unsigned ms) {
  return forward([&](Ext* s) { return s->SetDropConnectTimeout(ms); });
}
int CMN_LdapClntSvcExt::FindConnectionUnlocked(const Key& k) {
  return forward([&](Ext* s) { return s->FindConnectionUnlocked(k); });
}
int CMN_LdapClntSvcExt::FindAndLockConnection(const Key& k) {
  return forward([&](Ext* s) { return s->FindAndLockConnection(k); });
}
int CMN_LdapClntSvcExt::GetAndLockFirstConnection() {
  return forward([](Ext* s) { return s->GetAndLockFirstConnection(); });
}
int CMN_LdapClntSvcExt::GetNextConnectionUnlocked() {
  return forward([](Ext* s) { return s->GetNextConnectionUnlocked(); });
}
int CMN_LdapClntSvcExt::UnlockConnection() { return forward([](Ext* s) { return s->UnlockConnection(); }); }
int CMN_LdapClntSvcExt::CreateTimer(int timer_id, int kind, long period_ms, void* context, TLdapTimerCallback fire,
                                    int repeat, TLdapTimerCallback removed) {
  return forward([&](Ext* s) { return s->CreateTimer(timer_id, kind, period_ms, context, fire, repeat, removed); });
}
int CMN_LdapClntSvcExt::RemoveTimerEntry(int timer_id) {
  return forward([&](Ext* s) { return s->RemoveTimerEntry(timer_id); });
}
int CMN_LdapClntSvcExt::RemoveWildConnTimerEntry(int timer_id, const Key& k) {
  return forward([&](Ext* s) { return s->RemoveWildConnTimerEntry(timer_id, k); });
}
int CMN_LdapClntSvcExt::MarkActiveUsage() { return forward([](Ext* s) { return s->MarkActiveUsage(); }); }
int CMN_LdapClntSvcExt::UnmarkActiveUsage() { return forward([](Ext* s) { return s->UnmarkActiveUsage(); }); }
int CMN_LdapClntSvcExt::SetConnectionKillerTimer() {
  return forward([](Ext* s) { return s->SetConnectionKillerTimer(); });
}
int CMN_LdapClntSvcExt::RemoveConnectionKillerTimer() {
  return forward([](Ext* s) { return s->RemoveConnectionKillerTimer(); });
}
int CMN_LdapClntSvcExt::CloseAllConnectionsByTimer() {
  return forward([](Ext* s) { return s->CloseAllConnectionsByTimer(); });
}
int CMN_LdapClntSvcExt::GetConnectTimeout() { return forward([](Ext* s) { return s->GetConnectTimeout(); }); }
int CMN_LdapClntSvcExt::GetConnectHoldTimeout() {
  return forward([](Ext* s) { return s->GetConnectHoldTimeout(); });
}
int CMN_LdapClntSvcExt::GetDropConnectTimeout() {
  return forward([](Ext* s) { return s->GetDropConnectTimeout(); });
}
int CMN_LdapClntSvcExt::WildConnectionAdd(const Key& k) {
  return forward([&](Ext* s) { return s->WildConnectionAdd(k); });
}
int CMN_LdapClntSvcExt::WildConnectionFindAndLock(const Key& k) {
  return forward([&](Ext* s) { return s->WildConnectionFindAndLock(k); });
}
int CMN_LdapClntSvcExt::WildConnectionRemove(const Key& k) {
  return forward([&](Ext* s) { return s->WildConnectionRemove(k); });
}
int CMN_LdapClntSvcExt::WildConnectionUnlock() { return forward([](Ext* s) { return s->WildConnectionUnlock(); }); }
int CMN_LdapClntSvcExt::SetWildConnTimer(const Key& k) {
  return forward([&](Ext* s) { return s->SetWildConnTimer(k); });
}
int CMN_LdapClntSvcExt::RemoveWildConnTimer(const Key& k) {
  return forward([&](Ext* s) { return s->RemoveWildConnTimer(k); });
}
CMN_LdapReqCont_I* CMN_LdapClntSvcExt::createRequest(CMN_LdapReqCont_I::ReqType kind) {
  if (initialize(1) == 0) return nullptr;
  return call([&](Ext* s) { return s->createRequest(kind); }, static_cast<CMN_LdapReqCont_I*>(nullptr));
}

// ---- Requests ----

CMN_LdapReqCont::CMN_LdapReqCont(CMN_LdapReqCont_I::ReqType kind) : CMN_ObjectStub(nullptr, &cmn_ldap) {
  adopt(cmn_ldap.createRequest(kind));
}
CMN_LdapReqCont::CMN_LdapReqCont(CMN_LdapReqCont_I* req) : CMN_ObjectStub(req, &cmn_ldap) {}
CMN_LdapReqCont::~CMN_LdapReqCont() = default;

using Req = CMN_LdapReqCont_I;
int CMN_LdapReqCont::setDN(aName& name) {
  return onRequest([&](Req* r) { return r->setDN(name.raw()); }, kNoService);
}
int CMN_LdapReqCont::setDN(const unsigned char* der, unsigned len) {
  return onRequest([&](Req* r) { return r->setDN(der, len); }, kNoService);
}
int CMN_LdapReqCont::setURL(const char* url) {
  return onRequest([&](Req* r) { return r->setURL(url); }, kNoService);
}
int CMN_LdapReqCont::setServer(const char* host, unsigned short port) {
  return onRequest([&](Req* r) { return r->setServer(host, port); }, kNoService);
}
int CMN_LdapReqCont::send(unsigned timeout_ms, void* reserved, int flags) {
  return onRequest([&](Req* r) { return r->send(timeout_ms, reserved, flags); }, kNoService);
}
int CMN_LdapReqCont::getResStatus() {
  return onRequest([](Req* r) { return r->getResStatus(); }, CMN_LdapReqCont_I::kResNotSent);
}

// The list a request hands out carries one reference; the wrapper takes one
// of its own and the handed-out one is dropped.
template <class W, class F>
static W takeList(const CMN_LdapReqCont& req, F f) {
  auto* made = req.get() != nullptr ? f(req.get()) : nullptr;
  W w(made);
  CMN_DropCreationRef(made);
  return w;
}

CMN_LdapCertReq::~CMN_LdapCertReq() = default;
aCertList CMN_LdapCertReq::getCertList() {
  GuardLockVar g(guard());
  return takeList<aCertList>(*this, [](Req* r) { return r->getCertList(); });
}
const unsigned char* CMN_LdapCertReq::getCertListDatap() {
  return onRequest([](Req* r) { return r->getCertListDatap(); }, static_cast<const unsigned char*>(nullptr));
}
unsigned CMN_LdapCertReq::getCertListDataLen() {
  return onRequest([](Req* r) { return r->getCertListDataLen(); }, 0u);
}

CMN_LdapCrlReq::~CMN_LdapCrlReq() = default;
aCrlList CMN_LdapCrlReq::getCrlList() {
  GuardLockVar g(guard());
  return takeList<aCrlList>(*this, [](Req* r) { return r->getCrlList(); });
}
const unsigned char* CMN_LdapCrlReq::getCrlListDatap() {
  return onRequest([](Req* r) { return r->getCrlListDatap(); }, static_cast<const unsigned char*>(nullptr));
}
unsigned CMN_LdapCrlReq::getCrlListDataLen() {
  return onRequest([](Req* r) { return r->getCrlListDataLen(); }, 0u);
}
