// The name constraints extension (kind 14): permitted and excluded subtrees,
// read from the value. Made directly by callers; the factory gives a generic
// extension for this kind.
#ifndef PKIX_CERT_NAMECEXT_H_
#define PKIX_CERT_NAMECEXT_H_

#include "cert/typedext.h"
#include "name/tname.h"

class TX509NameConstrs : public TExtn {
 public:
  struct subtree_list {
    TName* base;   // a one-name GeneralNames
    TBuf* minimum; // content octets of [0], or null
    TBuf* maximum; // content octets of [1], or null
    subtree_list* next;
  };
};

class X509NameConstrs : public TypedExtn<TX509NameConstrs, TExtn::EXT_NAME_CONSTRAINTS> {
 public:
  X509NameConstrs() = default;
  ~X509NameConstrs() override;

  // NameConstraints ::= SEQUENCE {
  //     permittedSubtrees [0] GeneralSubtrees OPTIONAL,
  //     excludedSubtrees  [1] GeneralSubtrees OPTIONAL }
  int setValue(TBuf* value) override;
  // The lists (borrowed; in the order of the DER).
  const subtree_list* permitted() const { return permitted_; }
  const subtree_list* excluded() const { return excluded_; }

  static void release_tree(subtree_list* l);

 protected:
  TBuf* encodeValue() override;

 private:
  subtree_list* permitted_ = nullptr;
  subtree_list* excluded_ = nullptr;
};

#endif  // PKIX_CERT_NAMECEXT_H_
