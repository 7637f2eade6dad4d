// The directory (LDAP) client service (pkixid::kDirectory) and the request
// objects it hands out, as the module uses them. The host answers the one
// service number with one object that implements both interfaces: the basic
// interface CMN_LdapClntSvc_I and the extended one CMN_LdapClntSvc_Ext_I,
// which begins with every operation of the basic one in the same order.
//
// Result codes are the module's codes (pkixrc): 0 done, 1 no memory,
// 4 bad argument, 5 wrong type or unsupported value, 6 malformed input,
// 9 failed, 33 already present, 36 not found, 40 unavailable (no service,
// not started, server unreachable or silent). Operations answer them as int
// unless said otherwise.
//
// Units. Every timeout is in milliseconds, as an unsigned count; setting 0
// restores the service's default (connect 5000, response 30000, connect hold
// 10000, drop 60000).
//
// Threads. Any thread may call any operation of the service. One request
// object is used by one thread at a time; many requests may be sent at once
// through one service.
//
// Ownership. createRequest hands out a request with one reference that the
// caller owns. getCertList/getCrlList hand out a new reference that the
// caller owns (null when there is nothing to hand out). The ...Datap octets
// belong to the request: valid until the request is changed, sent again or
// destroyed.
#ifndef PKIX_CONTRACT_LDAP_H_
#define PKIX_CONTRACT_LDAP_H_

#include <cstdint>

#include "contract/guarded_ref.h"

// Module types, declared with their interfaces in the module's own headers; a
// service that builds or reads them includes those itself.
class TName;
class TCertList;
class TCRLList;

// Identifies one connection of the service: the server's host name (or
// address, as text, NUL-terminated) and its TCP port. Two keys name the same
// connection when the host texts are equal ignoring ASCII case and the ports
// are equal.
struct TLdapConnectionKey {
  static constexpr unsigned kHostMax = 256;  // including the terminating NUL
  char host[kHostMax];
  uint16_t port;
};

// The largest answer a request accepts: the sum of the value octets of one
// search's result. A larger answer fails the request (status kFailed, send
// answers 9) instead of being delivered in part.
constexpr uint32_t kLdapMaxAnswerBytes = 64u * 1024u * 1024u;

// A timer's callback, run on the service's own timer thread with the context
// given to CreateTimer and the timer's identifier. Its result is ignored.
typedef int (*TLdapTimerCallback)(void* context, int timer_id);

// One fetch: what to ask for (a URL, or a directory name and optionally a
// server), sent once, then read.
class CMN_LdapReqCont_I : public CMN_GuardedRef {
 public:
  // What a request fetches. A request by directory name asks for the
  // attribute(s) of its kind; a request by URL asks for the URL's attribute
  // when the URL names one (it must be one of the four below, with or without
  // ";binary"), else for those of its kind. Revocation-list values are handed
  // out by getCrlList, certificate values by getCertList.
  enum ReqType : int {
    kReqCrl = 0,          // certificateRevocationList;binary (the default kind)
    kReqArl = 1,          // authorityRevocationList;binary
    kReqCaCert = 2,       // cACertificate;binary
    kReqUserCert = 3,     // userCertificate;binary
    kReqAllCrls = 4,      // both revocation-list attributes
    kReqAllCerts = 5,     // both certificate attributes
  };

  // What getResStatus answers.
  enum ResStatus : int {
    kResNotSent = 0,      // nothing sent yet (or changed since)
    kResSending = 1,      // a send is in progress on another thread
    kResDone = 2,         // done with an answer: at least one value was found
    kResNoAnswer = 3,     // done: no such entry, or the entry lacks the attribute
    kResUnreachable = 4,  // the server refused, could not be reached, or did
                          // not answer within the response timeout
    kResFailed = 5,       // the server answered with an error, the answer was
                          // malformed or larger than kLdapMaxAnswerBytes, or a
                          // value could not be made into a certificate or CRL
  };

  CMN_LdapReqCont_I() : CMN_GuardedRef(0) {}

  // The directory name to fetch: the name's DER octets. The search asks for
  // exactly that entry (base search, filter (objectClass=*)). Drops a URL set
  // before. 0, 4 (null), 6 (not a DER name), 1.
  virtual int setDN(TName* name) = 0;
  // The same from the DER octets of a Name (a SEQUENCE of RDNs).
  virtual int setDN(const unsigned char* der, unsigned len) = 0;
  // An "ldap://host[:port]/dn[?attribute]" URL (scheme in any case). Only the
  // host, port, DN and attribute are honoured; a scope, filter or extensions
  // in the URL are refused with 5, so a URL cannot widen the search. Drops a
  // directory name and server set before. 0, 4 (null), 6 (not a URL, or the
  // DN does not parse), 5 (other scheme, unknown attribute, scope, filter or
  // extension given), 1.
  virtual int setURL(const char* url) = 0;
  // The server a directory-name request goes to (port 0 means 389). Without
  // it, a directory-name request goes to the first connection added with
  // AddConnection. 0, 4 (null or over-long host), 1.
  virtual int setServer(const char* host, unsigned short port) = 0;
  // Sends the request and waits for its answer. timeout_ms: the response
  // timeout of this request (0: the service's response timeout). reserved
  // must be null and flags 0 (4 otherwise). Answers 0 with status kResDone;
  // 36 (kResNoAnswer); 40 (kResUnreachable; also when neither a URL nor a
  // name was set to a reachable server, or the service is stopped); 9
  // (kResFailed); 4; 1. The common call is send(0, nullptr, 0).
  virtual int send(unsigned timeout_ms, void* reserved, int flags) = 0;
  // The status of the last send (ResStatus).
  virtual int getResStatus() = 0;
  // A slot the module does not call: the code of the last failed call.
  virtual int error() = 0;
  // The certificates of the answer as a new certificate list (new reference,
  // caller owns); null unless the status is kResDone and the request's values
  // included certificates.
  virtual TCertList* getCertList() = 0;
  // The certificate values of the answer as received: each value's DER
  // (a complete TLV) one after the other; null when there are none.
  virtual const unsigned char* getCertListDatap() = 0;
  // The length of those octets; 0 when there are none.
  virtual unsigned getCertListDataLen() = 0;
  // The revocation lists of the answer as a new CRL list (new reference,
  // caller owns); null unless the status is kResDone and the request's values
  // included revocation lists.
  virtual TCRLList* getCrlList() = 0;
  // The revocation-list values as received, as for getCertListDatap.
  virtual const unsigned char* getCrlListDatap() = 0;
  virtual unsigned getCrlListDataLen() = 0;
};

// The basic interface. The service keeps one connection per server (host and
// port), made on first use and kept while in use. A connection that cannot be
// made is held as down for the connect-hold timeout: requests to it fail at
// once (40) until then. A connection unused for the drop timeout is closed
// and made again on the next request.
class CMN_LdapClntSvc_I : public CMN_GuardedRef {
 public:
  CMN_LdapClntSvc_I() : CMN_GuardedRef(0) {}

  // Starts the service's timer thread and allows requests. The host starts
  // the service when it creates it; Start after Stop starts it again. 0, 1.
  virtual int Start() = 0;
  // Stops the timers, closes every connection; requests answer 40 until the
  // next Start. Connections added stay configured. 0.
  virtual int Stop() = 0;
  // Configures a server. scheme: null or "ldap" (anything else answers 5);
  // port 0 means 389. The first server added is the default server of
  // directory-name requests. 0, 4, 5, 33 (already added), 1.
  virtual int AddConnection(const char* host, unsigned short port, const char* scheme) = 0;
  // Forgets a server and closes its connection. 0, 4, 36.
  virtual int RemoveConnection(const char* host, unsigned short port) = 0;
  // Forgets every server (configured and wildcard) and closes every
  // connection. 0.
  virtual int RemoveAllConnections() = 0;
  // Timeouts (milliseconds; 0 restores the default): making a connection;
  // waiting for one answer; holding a server as down after a failed connect;
  // closing a connection unused for that long. 0.
  virtual int SetConnectTimeout(unsigned ms) = 0;
  virtual int SetResponseTimeout(unsigned ms) = 0;
  virtual int SetConnectHoldTimeout(unsigned ms) = 0;
  virtual int SetDropConnectTimeout(unsigned ms) = 0;
};

// The extended interface: the basic operations, then requests, connection
// lookup, timers and wildcard connections.
//
// Connection lookup. The service's connection table has one lock (recursive
// per thread). FindAndLockConnection and GetAndLockFirstConnection take it
// and keep it on success; the caller walks with GetNextConnectionUnlocked and
// reads where it stands with GetCurrentConnection, then gives the lock back
// with UnlockConnection. While it is held other threads' requests wait.
//
// Wildcard connections are connections to servers that were not configured
// with AddConnection: a request by URL to such a server makes one, and
// WildConnectionAdd makes one ahead. Each has its own timer that closes and
// forgets it once it has been unused for the drop timeout.
class CMN_LdapClntSvc_Ext_I : public CMN_LdapClntSvc_I {
 public:
  // A new request of the kind (new reference, caller owns); null for an
  // unknown kind or when memory is short.
  virtual CMN_LdapReqCont_I* createRequest(CMN_LdapReqCont_I::ReqType kind) = 0;
  // The response timeout in milliseconds (never an error code).
  virtual int GetResponseTimeout() = 0;
  // 0 when the service has a connection (configured or wildcard) under the
  // key, 36 when not. Takes no lock for the caller.
  virtual int FindConnectionUnlocked(const TLdapConnectionKey& key) = 0;
  // As FindConnectionUnlocked, and on 0 the table lock is the caller's and
  // the current connection is the one found. 0, 36 (lock not kept).
  virtual int FindAndLockConnection(const TLdapConnectionKey& key) = 0;
  // Takes the table lock and stands on the first connection: 0, or 36 when
  // there is none (lock not kept).
  virtual int GetAndLockFirstConnection() = 0;
  // With the table lock held: moves to the next connection. 0, or 36 at the
  // end (the lock stays held), 40 when the caller does not hold the lock.
  virtual int GetNextConnectionUnlocked() = 0;
  // Gives back the table lock taken by one of the locking operations. 0, 40
  // when the caller does not hold it.
  virtual int UnlockConnection() = 0;
  // Arms a timer on the service's timer thread: timer_id is the caller's
  // number for it (33 when in use), period_ms its delay (and period when
  // repeat is non-zero), fire the callback run with context each time it
  // elapses, removed (may be null) the callback run once when the timer is
  // removed or the service stops. kind is reserved (0). 0, 4, 33, 40
  // (stopped), 1.
  virtual int CreateTimer(int timer_id, int kind, long period_ms, void* context,
                          TLdapTimerCallback fire, int repeat,
                          TLdapTimerCallback removed) = 0;
  // Removes the caller's timer. 0, 36.
  virtual int RemoveTimerEntry(int timer_id) = 0;
  // Removes the drop timer of the wildcard connection under key, whose
  // number is timer_id (0 matches any). 0, 36.
  virtual int RemoveWildConnTimerEntry(int timer_id, const TLdapConnectionKey& key) = 0;
  // Counts a user of the connections: while the count is above 0 the
  // connection killer closes nothing. Unmark undoes one Mark. 0, 40
  // (Unmark without Mark).
  virtual int MarkActiveUsage() = 0;
  virtual int UnmarkActiveUsage() = 0;
  // Arms the connection killer: a repeating timer, every drop timeout, that
  // closes each connection unused for the drop timeout. Armed by Start.
  // 0, 33 (armed already), 40 (stopped).
  virtual int SetConnectionKillerTimer() = 0;
  // Disarms it. 0, 36.
  virtual int RemoveConnectionKillerTimer() = 0;
  // Closes every connection now (they are made again on the next request);
  // the servers stay configured. Answers the number of connections closed.
  virtual int CloseAllConnectionsByTimer() = 0;
  // The other timeouts in milliseconds (never an error code).
  virtual int GetConnectTimeout() = 0;
  virtual int GetConnectHoldTimeout() = 0;
  virtual int GetDropConnectTimeout() = 0;
  // Makes a wildcard connection entry for the key (the connection itself is
  // made on first use) and arms its drop timer. 0, 4, 33 (the key is already
  // known), 1.
  virtual int WildConnectionAdd(const TLdapConnectionKey& key) = 0;
  // As FindAndLockConnection, for wildcard connections only. 0, 36.
  virtual int WildConnectionFindAndLock(const TLdapConnectionKey& key) = 0;
  // Closes and forgets the wildcard connection. 0, 36.
  virtual int WildConnectionRemove(const TLdapConnectionKey& key) = 0;
  // Gives back the lock WildConnectionFindAndLock took. 0, 40.
  virtual int WildConnectionUnlock() = 0;
  // (Re)arms the drop timer of the wildcard connection: it is closed and
  // forgotten after the drop timeout without use. 0, 36.
  virtual int SetWildConnTimer(const TLdapConnectionKey& key) = 0;
  // Disarms it: the wildcard connection stays until removed. 0, 36.
  virtual int RemoveWildConnTimer(const TLdapConnectionKey& key) = 0;

  // Operations after this line are not called by the module's stubs.

  // With the table lock held: copies the key of the connection the caller
  // stands on into *out. 0, 4 (null), 40 (lock not held or nothing current).
  virtual int GetCurrentConnection(TLdapConnectionKey* out) = 0;
};

#endif  // PKIX_CONTRACT_LDAP_H_
