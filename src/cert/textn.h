// The extension interfaces: one certificate or CRL extension (TExtn) and a
// list of them that holds at most one extension per identifier (TExtnList).
// X509Extn (cert/x509extn.h) is the generic implementation.
//
// Every operation stores its outcome as the object's last error, read back
// with error(): 0 ok, 1 no memory, 4 null argument or invalid type, 5 name of
// the wrong type, 9 parse or encode failure or unknown identifier, 40
// nothing to work on, 43 a reference could not be taken. A TBuf or object
// returned carries one new reference for the caller.
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
  virtual extn_t getType() = 0;
  // The identifier's content octets, or null (40 for kind 0 without one).
  virtual TBuf* getObjId() = 0;
  // Parses one Extension element from in and advances in past it.
  virtual int setRaw(TBuf* in) = 0;
  // The Extension element, rebuilt when a value was set since parsing.
  virtual TBuf* getRaw() = 0;
  // The extnValue content octets.
  virtual int setValue(TBuf* value) = 0;
  virtual TBuf* getValue() = 0;
  virtual int error() = 0;
  // The critical flag as stored (set as given, not normalised).
  virtual int isCritical() = 0;
  virtual int setCritical(int critical) = 0;
  // 1 once a value was set.
  virtual int hasBeenSet() = 0;

 protected:
  int error_ = 0;
  int critical_ = 0;
  int set_ = 0;
};

class TExtnList : public XBase {
 public:
  // In order; each a new reference, null at the end.
  virtual TExtn* getFirst() = 0;
  virtual TExtn* getNext() = 0;
  // The first extension of kind t; null (4 for kind 0 or 17, 40 without a
  // list, 0 when there is none).
  virtual TExtn* get(TExtn::extn_t t) = 0;
  virtual int clear() = 0;
  // Adds e, replacing in place an extension with the same identifier.
  virtual int append(TExtn* e) = 0;
  virtual int error() = 0;
};

#endif  // PKIX_CERT_TEXTN_H_
