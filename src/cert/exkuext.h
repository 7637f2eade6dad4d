// The extended key usage extension (kind 16): a set of purpose identifiers.
#ifndef PKIX_CERT_EXKUEXT_H_
#define PKIX_CERT_EXKUEXT_H_

#include <cstdint>
#include <vector>

#include "cert/typedext.h"

class TX509ExtKeyUsage : public TExtn {
 public:
  // 1 when the identifier (arcs in decimal, separated by spaces or dots) is
  // held; 0 (9 for null or unreadable text).
  virtual int isIdPresent(char* oid) = 0;
  // Adds the identifier first (after emptying the set when replace is
  // non-zero); 9 for text that yields no arcs (the set is then unchanged).
  virtual int setId(char* oid, int replace) = 0;
};

class X509ExtKeyUsage : public TypedExtn<TX509ExtKeyUsage, TExtn::EXT_EXT_KEY_USAGE> {
 public:
  X509ExtKeyUsage() = default;
  ~X509ExtKeyUsage() override = default;

  // ExtKeyUsageSyntax ::= SEQUENCE SIZE (1..MAX) OF KeyPurposeId
  int setValue(TBuf* value) override;
  int isIdPresent(char* oid) override;
  int setId(char* oid, int replace) override;

 protected:
  TBuf* encodeValue() override;

 private:
  using Arcs = std::vector<uint32_t>;
  // Most recently added first.
  std::vector<Arcs> ids_;
};

#endif  // PKIX_CERT_EXKUEXT_H_
