// The extension interfaces: one certificate or CRL extension (TExtn) and a
// list of them that holds at most one extension per identifier (TExtnList).
// X509Extn (cert/x509extn.h) is the generic implementation.
//
// Every operation stores its outcome as the object's last error, read back
// with error(); the pkixrc codes (support/result_codes.h): kOk, kNoMemory,
// kBadArgument (null argument or invalid type), kWrongType (name of the
// wrong type), kFailed (parse or encode failure, unknown identifier),
// kUnavailable (nothing to work on), kNoReference (a reference could not be
// taken). A TBuf or object returned carries one new reference for the
// caller.
#ifndef PKIX_CERT_TEXTN_H_
#define PKIX_CERT_TEXTN_H_

#include "cert/xbase.h"
#include "contract/tbuf.h"
#include "support/result_codes.h"

class TExtn : public XBase {
 public:
  // The extension kinds, found from the identifier (cert/x509extn.cc).
  enum extn_t : int {
    EXT_NONE = 0,
    EXT_AUTHORITY_KEY_ID = 1,
    EXT_ISSUER_ALT_NAME = 2,
    EXT_CRL_NUMBER = 3,
    EXT_DELTA_CRL = 4,
    EXT_ISSUING_DP = 5,
    EXT_REASON_CODE = 6,
    EXT_HOLD_INSTRUCTION = 7,
    EXT_INVALIDITY_DATE = 8,
    EXT_CERT_ISSUER = 9,
    EXT_SUBJECT_KEY_ID = 10,
    EXT_KEY_USAGE = 11,
    EXT_SUBJECT_ALT_NAME = 12,
    EXT_BASIC_CONSTRAINTS = 13,
    EXT_NAME_CONSTRAINTS = 14,
    EXT_CRL_DP = 15,
    EXT_EXT_KEY_USAGE = 16,
    EXT_LIMIT = 17  // not a kind: the first value past the table
  };

  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // The kind: fixed for a typed extension, found from the identifier for a
  // generic one (EXT_NONE when not in the table, or when the extension was
  // kept unread).
  virtual extn_t getType() = 0;
  // The identifier's content octets (a new reference); made from the table
  // for a kind without a parsed identifier. Null with kUnavailable (kind 0
  // without an identifier) or kNoMemory.
  virtual TBuf* getObjId() = 0;
  // Parses one Extension element from in, advances in past it and gives
  // the extnValue to setValue (where a typed extension reads its fields).
  // 0; kBadArgument (null), kUnavailable (no buffer), kFailed (not an
  // Extension), kNoMemory, or setValue's code. The identifier, value and
  // DER are views that keep in's octets alive.
  virtual int setRaw(TBuf* in) = 0;
  // The Extension element (a new reference): the parsed DER while nothing
  // changed, else rebuilt from identifier, critical flag and value. Null
  // with kFailed (no value, or encoding failed), kUnavailable (kind 0
  // without an identifier) or kNoReference; a failed rebuild leaves the
  // extension without DER, identifier and value.
  virtual TBuf* getRaw() = 0;
  // Takes the extnValue content octets (a reference of its own) and marks
  // the DER stale. 0; kBadArgument (null), kNoReference; a typed extension
  // also kFailed when its class cannot read them.
  virtual int setValue(TBuf* value) = 0;
  // The extnValue content octets (a new reference); null without a value.
  virtual TBuf* getValue() = 0;
  virtual int error() = 0;
  // The critical flag as stored (set as given, not normalised); setCritical
  // does not mark the DER stale.
  virtual int isCritical() = 0;
  virtual int setCritical(int critical) = 0;
  // 1 once a value was set.
  virtual int hasBeenSet() = 0;

 protected:
  int error_ = pkixrc::kOk;
  int critical_ = 0;
  int set_ = 0;
};

class TExtnList : public XBase {
 public:
  // In order; each a new reference, null at the end (kUnavailable without
  // a list).
  virtual TExtn* getFirst() = 0;
  virtual TExtn* getNext() = 0;
  // The first extension of kind t (a new reference); null with
  // kBadArgument (kind 0 or EXT_LIMIT), kUnavailable (no list), or kOk
  // when there is none. A kept-unread extension is of kind 0: it is never
  // answered for its identifier's kind.
  virtual TExtn* get(TExtn::extn_t t) = 0;
  // Removes every extension. 0 or kUnavailable.
  virtual int clear() = 0;
  // Adds e with a reference of its own, replacing in place an extension
  // with the same identifier (so the list never holds two). 0;
  // kUnavailable (no list or null e), kFailed (e has no identifier),
  // kNoMemory, kNoReference.
  virtual int append(TExtn* e) = 0;
  virtual int error() = 0;
};

#endif  // PKIX_CERT_TEXTN_H_
