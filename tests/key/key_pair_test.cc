// The key pair check over scripted keys: a toy signature scheme stands in
// for the crypto service, so the steps of the check, the order of
// verify's arguments, the RSA encrypt/decrypt step and every path of the
// CPRO usage guessing are observable.
#include <string>

#include "key/keypair.h"
#include "key_testutil.h"

namespace keytest {
namespace {

// A key whose "signature" of m is its secret followed by m; verify(data,
// signature) accepts exactly the signature of data under the same secret,
// and reports 77 otherwise. As a CPRO container it signs correctly only
// under the usage flag `good`, and refuses to sign (the unusable code)
// under the flag `refuse`.
class ScriptedKey : public TKey {
 public:
  ScriptedKey(key_type_t kind, pki_alg_t alg, std::string secret, pki_vendor vendor = VENDOR_NONE)
      : kind_(kind), alg_(alg), secret_(std::move(secret)), vendor_(vendor) {}

  int good = 0;         // CPRO: the flag under which signing is right (0: none)
  int refuse = 0;       // CPRO: the flag under which signing is refused
  int sign_error = 0;   // signing fails with this code (no signature)
  bool silent = false;  // signing yields nothing and reports nothing
  int signs = 0, verifies = 0, encrypts = 0, decrypts = 0;
  std::string last_data;

  int setType(key_type_t) override { return 0; }
  key_type_t getType() override { return kind_; }
  int setAlg(pki_alg_t) override { return 0; }
  pki_alg_t getAlg() override { return alg_; }
  int setKey(TBuf*) override { return 0; }
  TBuf* getKey() override { return nullptr; }
  TBuf* getParam(unsigned) override { return nullptr; }
  int setParam(unsigned, TBuf*) override { return 0; }
  TBuf* getParam(aka_t) override { return nullptr; }
  int getParam(bka_t f) override { return (flags_ >> f) & 1; }
  int setParam(aka_t, TBuf*) override { return 0; }
  int setParam(bka_t f, int on) override {
    flags_ = on ? flags_ | 1u << f : flags_ & ~(1u << f);
    return 0;
  }
  TBuf* getRaw() override { return nullptr; }
  int setRaw(const unsigned char*, unsigned) override { return 0; }
  void setTokenId(unsigned, unsigned) override {}
  void getTokenId(unsigned&, unsigned&) override {}
  int setKeyId(TBuf*) override { return 0; }
  TBuf* getKeyId() override { return nullptr; }
  TBuf* encrypt(TBuf* data) override {
    ++encrypts;
    error_ = 0;
    return Make("enc:" + Text(data));
  }
  TBuf* decrypt(TBuf* data) override {
    ++decrypts;
    error_ = 0;
    return Make(Text(data).substr(4));
  }
  TBuf* sign(TBuf* data) override {
    ++signs;
    error_ = 0;
    if (sign_error != 0) {
      error_ = sign_error;
      return nullptr;
    }
    if (silent) return nullptr;
    std::string secret = secret_;
    if (vendor_ == VENDOR_CPRO) {
      if (refuse != 0 && getParam(static_cast<bka_t>(refuse))) {
        error_ = kCproContainerUnusable;
        return nullptr;
      }
      if (good == 0 || !getParam(static_cast<bka_t>(good))) secret = "wrong";
    }
    return Make(secret + Text(data));
  }
  int verify(TBuf* data, TBuf* signature) override {
    ++verifies;
    last_data = Text(data);
    return error_ = Text(signature) == secret_ + Text(data) ? 0 : 77;
  }
  int isConsistent(TKey*, int) override { return 0; }
  TBuf* getMD5() override { return nullptr; }
  int setVendor(pki_vendor) override { return 0; }
  pki_vendor getVendor() override { return vendor_; }
  int error() override { return error_; }

  bool flag(bka_t f) { return getParam(f) != 0; }

 private:
  static std::string Text(TBuf* b) { return std::string(reinterpret_cast<char*>(b->datap()), b->len()); }
  static TBuf* Make(const std::string& s) {
    return createTBuf(reinterpret_cast<const unsigned char*>(s.data()), static_cast<unsigned>(s.size()));
  }
  key_type_t kind_;
  pki_alg_t alg_;
  std::string secret_;
  pki_vendor vendor_;
  uint32_t flags_ = 0;
  int error_ = 0;
};

class KeyPairTest : public KeyTest {};
class KeyPairNoCryptoTest : public KeyNoCryptoTest {};

TEST_F(KeyPairTest, MatchingPairPassesMismatchedFails) {
  ScriptedKey priv(TKey::KT_PRIVATE, PKI_ALG_DSA, "alice");
  ScriptedKey pub(TKey::KT_PUBLIC, PKI_ALG_DSA, "alice");
  ScriptedKey other(TKey::KT_PUBLIC, PKI_ALG_DSA, "bob");
  EXPECT_EQ(pkix_check_key_pair(&priv, &pub, PKI_ALG_DSA, 1), 0);
  // verify got the message as its data (its first argument): the first 16
  // octets of the check text for a non-GOST key
  EXPECT_EQ(pub.last_data, "_check Key Pair_");
  EXPECT_EQ(pkix_check_key_pair(&priv, &other, PKI_ALG_DSA, 1), 77);
  // encrypt and decrypt belong to RSA only
  EXPECT_EQ(pub.encrypts + priv.decrypts, 0);
  // GOST keys sign the whole 32 octets.
  ScriptedKey gpriv(TKey::KT_PRIVATE, PKI_ALG_GOST3410_SC, "g");
  ScriptedKey gpub(TKey::KT_PUBLIC, PKI_ALG_GOST3410_SC, "g");
  EXPECT_EQ(pkix_check_key_pair(&gpriv, &gpub, PKI_ALG_GOST3410_SC, 0), 0);
  EXPECT_EQ(gpub.last_data, "_check Key Pair__check Key Pair_");
}

TEST_F(KeyPairTest, RSAFullCheckEncryptsAndDecrypts) {
  ScriptedKey priv(TKey::KT_PRIVATE, PKI_ALG_RSA, "k");
  ScriptedKey pub(TKey::KT_PUBLIC, PKI_ALG_RSA, "k");
  EXPECT_EQ(pkix_check_key_pair(&priv, &pub, PKI_ALG_RSA, 0), 0);
  EXPECT_EQ(pub.encrypts, 0);
  EXPECT_EQ(pkix_check_key_pair(&priv, &pub, PKI_ALG_RSA, 1), 0);
  EXPECT_EQ(pub.encrypts, 1);
  EXPECT_EQ(priv.decrypts, 1);
  // no encryption after a failed verification
  ScriptedKey wrong(TKey::KT_PUBLIC, PKI_ALG_RSA, "x");
  EXPECT_EQ(pkix_check_key_pair(&priv, &wrong, PKI_ALG_RSA, 1), 77);
  EXPECT_EQ(wrong.encrypts, 0);
}

TEST_F(KeyPairTest, FailedSigningIsTheResult) {
  ScriptedKey pub(TKey::KT_PUBLIC, PKI_ALG_RSA, "k");
  ScriptedKey priv(TKey::KT_PRIVATE, PKI_ALG_RSA, "k");
  priv.sign_error = 40;
  EXPECT_EQ(pkix_check_key_pair(&priv, &pub, PKI_ALG_RSA, 1), pkixrc::kUnavailable);
  EXPECT_EQ(pub.verifies, 0);
  // Nothing signed and no code: still a failure, never a pass.
  ScriptedKey mute(TKey::KT_PRIVATE, PKI_ALG_RSA, "k");
  mute.silent = true;
  EXPECT_EQ(pkix_check_key_pair(&mute, &pub, PKI_ALG_RSA, 0), pkixrc::kFailed);
}

// The key object hands the check the right halves whichever key is asked.
TEST_F(KeyPairNoCryptoTest, KeyObjectAsEitherHalf) {
  Bytes der = ReadFile(KeyData("rsa-1024.pub.der"));
  KeyRef pub(createTKey(TKey::KT_PUBLIC, der.data(), static_cast<unsigned>(der.size())));
  ScriptedKey priv(TKey::KT_PRIVATE, PKI_ALG_RSA, "k");
  // The scripted private key signs; the key object verifies through the
  // bridge, which has no service: 40, not a pass.
  EXPECT_EQ(pub->isConsistent(&priv, 0), 0);
  EXPECT_EQ(pub->error(), pkixrc::kUnavailable);
  EXPECT_EQ(priv.signs, 1);
}

// CPRO containers: which usage the container is for is guessed when no
// flag says it, and the guess that works stays set.
TEST_F(KeyPairTest, CPROUsageGuessing) {
  constexpr int kSig = TKey::BKA_SIGNATURE;
  constexpr int kExch = TKey::BKA_EXCHANGE;
  const struct {
    const char* what;
    int preset;   // flags set before: 0, kSig, kExch or -1 for both
    int good;     // usage under which the signature is right
    int refuse;   // usage under which signing is refused
    int code;
    bool sig, exch;  // flags after
    int signs;
  } cases[] = {
      {"exchange key guessed", 0, kExch, 0, 0, false, true, 1},
      {"signature key guessed", 0, kSig, 0, 0, true, false, 2},
      {"neither works", 0, 0, 0, 77, false, false, 2},
      {"refused as exchange", 0, kSig, kExch, kCproContainerUnusable, false, false, 1},
      {"refused as signature", 0, 0, kSig, kCproContainerUnusable, true, false, 2},
      {"signature flag given", kSig, kSig, 0, 0, true, false, 1},
      {"signature flag given, wrong", kSig, kExch, 0, 77, true, false, 1},
      {"exchange flag given, refused", kExch, kSig, kExch, kCproContainerUnusable, false, true, 1},
      {"both flags", -1, kSig, 0, 9, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedKey priv(TKey::KT_PRIVATE, PKI_ALG_GOST3410_CPRO, "c", VENDOR_CPRO);
    ScriptedKey pub(TKey::KT_PUBLIC, PKI_ALG_GOST3410_CPRO, "c");
    priv.good = c.good;
    priv.refuse = c.refuse;
    if (c.preset == -1 || c.preset == kSig) priv.setParam(TKey::BKA_SIGNATURE, 1);
    if (c.preset == -1 || c.preset == kExch) priv.setParam(TKey::BKA_EXCHANGE, 1);
    EXPECT_EQ(pkix_check_key_pair(&priv, &pub, PKI_ALG_GOST3410_CPRO, 1), c.code);
    EXPECT_EQ(priv.flag(TKey::BKA_SIGNATURE), c.sig);
    EXPECT_EQ(priv.flag(TKey::BKA_EXCHANGE), c.exch);
    EXPECT_EQ(priv.signs, c.signs);
  }
}

}  // namespace
}  // namespace keytest
