// The host's directory client service (pkixid::kDirectory) on libldap: one
// object answering both the basic and the extended interface of
// contract/ldap.h, and the requests it hands out.
//
// Connections. The service keeps, per server (host and port), the libldap
// connections that are not in use (up to kLdapIdlePerServer), and makes a
// new one whenever a request finds none idle, so that requests to one server
// run side by side. Connections are anonymous (no bind), LDAPv3, never
// follow referrals, and refuse any message larger than the answer cap plus
// a margin for the protocol's framing. A connection that breaks while idle
// (the server restarted) is replaced once, at once, by a new one. A server
// that cannot be connected to is held as down for the connect-hold timeout.
//
// Searches. Every search is a base search of exactly one entry with the
// filter (objectClass=*), asking only for the request's attribute(s): a DN
// comes either from a directory name (rendered as RFC 4514 text) or from a
// URL's DN part, and no filter is ever built from input. Values are kept as
// received; the module's lists are built from them when asked for
// (host/hostldap_answer.h).
//
// Timers run on one thread of the service, made when the first timer is
// armed or the first connection made, and ended by Stop.
#ifndef PKIX_HOST_HOSTLDAP_H_
#define PKIX_HOST_HOSTLDAP_H_

#include <cstddef>
#include <cstdint>

#include "contract/ldap.h"
#include "contract/service_ids.h"

namespace pkixhost {

constexpr uint32_t kDirectoryServiceID = pkixid::kDirectory;

// Idle connections kept per server; more are closed when given back.
constexpr unsigned kLdapIdlePerServer = 8;

// What the service is created with.
struct LdapServiceOptions {
  // The answer cap: the sum of the value octets of one answer.
  size_t max_answer = kLdapMaxAnswerBytes;
  // A monotonic clock in milliseconds for the hold and drop decisions; null
  // means the system's steady clock. Timers always wait on the steady clock.
  uint64_t (*now_ms)() = nullptr;
  // Started at creation (as the host does); otherwise after Start().
  bool start = true;
};

// A new directory client service with count 0 (the host's holder adds the
// first reference), or null when memory is short. The object is both
// interfaces: CMN_LdapClntSvc_Ext_I derives from CMN_LdapClntSvc_I.
CMN_LdapClntSvc_Ext_I* createLdapService(const LdapServiceOptions& options = LdapServiceOptions());

// Requests alive and libldap connections open, over every service (leak
// checks in tests).
int liveLdapRequests();
int liveLdapConnections();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTLDAP_H_
