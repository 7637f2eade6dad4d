// The base of every key body: the algorithm-specific part of a key object
// (X509Key). A body keeps only its cached encoding; every attribute value
// lives in its owner's attribute list, so values survive a change of body.
//
// What the families share is written here once: the attribute map through
// which the index and identifier forms of getParam/setParam go, the
// derivation and coherence of the key size, and the generic DER decoding and
// encoding of SubjectPublicKeyInfo and private-key structures.
#ifndef PKIX_KEY_KEY_H_
#define PKIX_KEY_KEY_H_

#include <cstdint>

#include <memory>

#include "contract/x509asn.h"
#include "key/keyattr.h"
#include "key/tkey.h"
#include "support/ref.h"
#include "support/tbufs.h"
#include "support/result_codes.h"

class X509Key;

// One row of an attribute map. The first row holds (count, AKA_NONE); rows
// 1..count map the parameter index to an attribute identifier.
struct KeyMapRow {
  unsigned index;
  TKey::aka_t aka;
};

// How a body derives and keeps its key size (AKA_BITS, and AKA_RSA_BITS
// beside it for RSA). A size asked for and not stored, or stored empty, is
// derived from the source (or, when the key has no source value, from the
// fallback) and then stored.
struct KeySizeRule {
  enum Measure {
    kNoSize,       // the body has no size
    kNumber,       // the bit length of the source INTEGER's value
    kOctets,       // 8 x the octet length of the source
    kOctetString,  // 8 x the content length of the OCTET STRING the source holds
    kFixed,        // a fixed number of bits
    kCurve         // the size of the named curve whose OID element the source is
  };
  Measure measure;
  TKey::aka_t source;
  uint32_t fixed_bits;
  bool rsa_bits;   // AKA_RSA_BITS is kept equal to AKA_BITS
  bool read_only;  // setting AKA_BITS is refused with 4
  // Setting either of these drops the stored size (AKA_NONE: unused).
  TKey::aka_t clears[2];
  // Measured instead of the source when the key has no source value
  // (AKA_NONE: no fallback, the size is then unknown).
  TKey::aka_t fallback;
};

// An attribute handed to the generic DER routines: the identifier, and for
// encoding the value fetched.
struct KeyAttr {
  TKey::aka_t id;
  TBuf* value;
};

class Key {
 public:
  Key(const KeyMapRow* map, const KeySizeRule& size) : map_(map), size_(size) {}
  virtual ~Key();
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  // The key value in the body's own form. The base drops the cached
  // encoding and checks the argument (kBadArgument for null).
  virtual int setKey(TBuf* b);
  virtual TBuf* getKey() = 0;
  // Attributes by map index: kWrongType for an index outside the map.
  virtual TBuf* getParam(unsigned i);
  virtual int setParam(unsigned i, TBuf* b);
  // Attributes by identifier: kWrongType for one the map does not list
  // (AKA_NONE is never taken by name). Values come with a new reference; a
  // missing one is null with the list's code (kOk never stored,
  // kUnavailable stored empty).
  virtual TBuf* getParam(TKey::aka_t a);
  // Drops the cached encoding and stores b (null empties the attribute),
  // keeping the size coherent.
  virtual int setParam(TKey::aka_t a, TBuf* b);
  // The DER form (cached when built).
  virtual TBuf* getRaw() = 0;
  // The base keeps a copy of the bytes as the cached encoding (kNoMemory
  // when the copy cannot be made).
  virtual int setRaw(const unsigned char* data, unsigned len);
  // A boolean attribute of the owner changed.
  virtual void beenChanged() {}
  virtual pki_vendor getVendor() { return VENDOR_NONE; }
  // The octets the MD5 fingerprint is computed over; the base has none
  // (kWrongType).
  virtual TBuf* getHashInput();

  // Binds the body to the key that owns it; kOk.
  int fitX509Key(X509Key* owner);
  // The MD5 digest of getHashInput() as a new buffer; null with the hash's
  // code, kNoMemory when the buffer cannot be made.
  TBuf* getMD5();
  int error() const { return error_; }

 protected:
  // Generic decoding: a SubjectPublicKeyInfo (owner of kind 1) or a
  // private-key structure (kind 2) of algorithm alg. The i-th INTEGER of the
  // algorithm parameters becomes attrs[i].id (n at most 3), the key value
  // goes to takeValue(), and the octets the parse consumed become the
  // cached encoding. A SubjectPublicKeyInfo without parameters is read only
  // when paramsInherited() says the family allows it (the key value alone,
  // no parameter attribute touched). kWrongType for another kind or
  // algorithm, kFailed when the bytes do not parse, kNoMemory when memory is
  // short; what takeValue() answers.
  int setRaw(pki_alg_t alg, const unsigned char* data, unsigned len, const KeyAttr* attrs, unsigned n);
  // Generic encoding, the reverse: the cached encoding when there is one,
  // else the key value (getKey) and attrs[i].id as the i-th parameter
  // INTEGER, encoded and cached. Null with kWrongType (kind, n),
  // kUnavailable (no key value), kFailed (a parameter missing, or the
  // encoder failed), kNoMemory or kNoReference.
  TBuf* getRaw(pki_alg_t alg, const KeyAttr* attrs, unsigned n);
  // Where generic decoding hands the key value; setKey unless a family
  // knows better.
  virtual int takeValue(TBuf* value) { return setKey(value); }
  // Whether a public key of the family may come without domain parameters
  // (they are then inherited from the issuer's key); none may by default.
  virtual bool paramsInherited() const { return false; }

  // The owner's value of a (new reference), with the list's code as error.
  TBuf* attr(TKey::aka_t a);
  // attr(a), but kUnavailable when a has no value.
  TBuf* required(TKey::aka_t a);
  // Stores into the owner's list without touching the cache.
  int store(TKey::aka_t a, TBuf* b);
  // Stores a copy of the octets as a (kNoMemory when the copy cannot be
  // made).
  int storeCopy(TKey::aka_t a, const Buffer& octets);
  // Reads or writes an attribute under the size rule, without the map check.
  TBuf* read(TKey::aka_t a);
  int write(TKey::aka_t a, TBuf* b);
  // write() of a copy of the octets (kNoMemory when the copy cannot be
  // made).
  int writeCopy(TKey::aka_t a, const Buffer& octets);

  // The cached encoding with a new reference (null with kOk when none;
  // kNoReference).
  TBuf* cached();
  bool hasCache() const { return static_cast<bool>(encoding_); }
  // The form the cache is in (a family's own tag, 0 by default).
  int cacheForm() const { return encoding_ ? form_ : -1; }
  // Takes a reference on b as the cached encoding (kNoReference when
  // refused).
  int setCache(TBuf* b, int form = 0);
  // A copy of the octets becomes the cache (kNoMemory when it cannot be
  // made).
  int cacheCopy(const unsigned char* data, unsigned len, int form = 0);
  void dropCache();
  int fail(int code) { return error_ = code; }
  // Sets the error and returns null.
  TBuf* none(int code) {
    error_ = code;
    return nullptr;
  }

  X509Key* owner_ = nullptr;
  int error_ = pkixrc::kOk;

 private:
  bool accepts(TKey::aka_t a) const;
  bool isSize(TKey::aka_t a) const;
  TBuf* size(TKey::aka_t a);
  int measure(TBuf* source, uint32_t* bits);

  const KeyMapRow* map_;
  KeySizeRule size_;
  Ref<TBuf> encoding_;
  int form_ = 0;
};

// Whether content octets are exactly the one octet v (a version number).
bool isOctet(const Buffer& content, unsigned char v);

// The body for key kind k and algorithm a, or null when the pair has none
// (or memory is short).
std::unique_ptr<Key> createKey(TKey::key_type_t k, pki_alg_t a);

#endif  // PKIX_KEY_KEY_H_
