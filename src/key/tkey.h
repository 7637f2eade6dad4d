// The key interface: one public, private or symmetric key of any supported
// algorithm, as other modules and the rest of this module see it. Keys are
// made by the key service (module/pkixkeysrv.h) or by createTKey.
#ifndef PKIX_KEY_TKEY_H_
#define PKIX_KEY_TKEY_H_

#include "alg/pki_alg.h"
#include "cert/xbase.h"
#include "contract/tbuf.h"

// The GOST container format a key body follows; the top octet of a GOST
// pki_alg_t.
enum pki_vendor : int {
  VENDOR_NONE = 0,
  VENDOR_TIK = 1,
  VENDOR_CPRO = 2,
  VENDOR_SC = 3
};

// Every operation stores its outcome as the key's last error, which error()
// returns, one of the pkixrc:: codes (support/result_codes.h): kOk (0),
// kNoMemory (1), kBadArgument (4, a bad or missing argument), kWrongType (5,
// an unsupported or mismatching value), kFailed (9, the operation failed),
// kUnavailable (40, nothing to work on), kNoReference (43, a reference could
// not be taken). A TBuf returned carries one reference for the caller;
// a TBuf passed in is referenced by the key when kept, never consumed.
class TKey : public XBase {
 public:
  // Fixed underlying types: any number a caller passes is a valid value
  // to refuse, not undefined behaviour.
  enum key_type_t : int {
    KT_NONE = 0,  // a key created without a kind
    KT_PUBLIC = 1,
    KT_PRIVATE = 2,
    KT_SECRET = 3
  };

  // Value-carrying attributes. Numbers are INTEGER content octets as they
  // stand in DER (big-endian, a leading zero octet kept); sizes are 4 octets
  // big-endian.
  enum aka_t : int {
    AKA_NONE = 0,  // the last index of several attribute maps; not readable by name
    AKA_MODULUS = 1,
    AKA_RSA_BITS = 2,  // kept equal to AKA_BITS
    AKA_PUB_EXPONENT = 3,
    AKA_PRIV_EXPONENT = 4,
    AKA_PRIME1 = 5,
    AKA_PRIME2 = 6,
    AKA_EXPONENT1 = 7,
    AKA_EXPONENT2 = 8,
    AKA_COEFFICIENT = 9,
    AKA_P = 10,
    AKA_Q = 11,
    AKA_G = 12,
    AKA_KEY = 13,   // the key value proper
    AKA_BITS = 14,  // key size in bits
    AKA_IV = 15,
    AKA_X16 = 16,  // EC private key: the public point, when known
    AKA_X17 = 17,
    AKA_ALG_PARAMS = 18,         // GOST public key, EC key: AlgorithmIdentifier parameters
    AKA_CONTAINER_NAME = 19,     // GOST private container: its name
    AKA_CONTAINER_ATTR1 = 20,
    AKA_CONTAINER_ATTR2 = 21,
    AKA_CONTAINER_ATTR0 = 22
  };

  // Boolean attributes, one bit each of a 32-bit word (bit number = value).
  // Only the two container usages are interpreted.
  enum bka_t : int {
    BKA_1 = 1,
    BKA_2 = 2,
    BKA_3 = 3,
    BKA_4 = 4,
    BKA_5 = 5,
    BKA_EXCHANGE = 6,   // a CPRO container holds a key-exchange key
    BKA_SIGNATURE = 7,  // a CPRO container holds a signature key
    BKA_8 = 8,
    BKA_9 = 9,
    BKA_10 = 10,
    BKA_11 = 11,
    BKA_12 = 12,
    BKA_13 = 13
  };

  // Defined with the key object, so that code which only calls keys (other
  // modules, the tool) needs none of the module's type information.
  ~TKey() override;

  // The kind (1, 2 or 3, else 4); a change of kind drops the body.
  virtual int setType(key_type_t k) = 0;
  virtual key_type_t getType() = 0;
  // The algorithm; a change drops the body. Always 0.
  virtual int setAlg(pki_alg_t a) = 0;
  virtual pki_alg_t getAlg() = 0;
  // The key value in the body's own form; 4 for null, 40 without algorithm.
  virtual int setKey(TBuf* b) = 0;
  virtual TBuf* getKey() = 0;
  // Attributes by index of the body's attribute map (5 out of range; 40
  // without algorithm).
  virtual TBuf* getParam(unsigned i) = 0;
  virtual int setParam(unsigned i, TBuf* b) = 0;
  // Attributes by identifier (5 when the body does not take it).
  virtual TBuf* getParam(aka_t a) = 0;
  // 1 when the flag is set, 0 when not (and 0 with error 5 outside 1..13).
  virtual int getParam(bka_t f) = 0;
  virtual int setParam(aka_t a, TBuf* b) = 0;
  virtual int setParam(bka_t f, int on) = 0;
  // The DER form of the key (40 without algorithm).
  virtual TBuf* getRaw() = 0;
  // Parses DER: a SubjectPublicKeyInfo for a public key, a private-key
  // structure (or a PKCS #1 RSAPrivateKey, or a GOST container) otherwise.
  // 40 without kind, 9 when the bytes do not parse, 5 when they hold another
  // algorithm than the one set; the key is left unchanged on failure.
  virtual int setRaw(const unsigned char* data, unsigned len) = 0;
  // An opaque pair of numbers, stored and returned.
  virtual void setTokenId(unsigned a, unsigned b) = 0;
  virtual void getTokenId(unsigned& a, unsigned& b) = 0;
  // The key identifier (4 for null, 43 when it cannot be referenced).
  virtual int setKeyId(TBuf* b) = 0;
  virtual TBuf* getKeyId() = 0;
  // Through the host's crypto service: null with the service's code as error.
  virtual TBuf* encrypt(TBuf* data) = 0;
  virtual TBuf* decrypt(TBuf* data) = 0;
  virtual TBuf* sign(TBuf* data) = 0;
  // 0 when signature is a valid signature of data, else the service's code.
  virtual int verify(TBuf* data, TBuf* signature) = 0;
  // 1 when this key and other form a public/private pair, else 0.
  virtual int isConsistent(TKey* other, int full) = 0;
  // The MD5 digest of the key's hash input (16 octets).
  virtual TBuf* getMD5() = 0;
  // Rebuilds the body in the container format of vendor v (kept when the
  // body already follows v); the algorithm is not changed.
  virtual int setVendor(pki_vendor v) = 0;
  // The body's vendor; 0 with error 40 without a body.
  virtual pki_vendor getVendor() = 0;
  virtual int error() = 0;
};

#endif  // PKIX_KEY_TKEY_H_
