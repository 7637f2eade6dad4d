// X509Name, the one implementation of TName, and the free functions the
// factory service creates and combines names with.
#ifndef PKIX_NAME_X509NAME_H_
#define PKIX_NAME_X509NAME_H_

#include <cstdint>

#include "contract/tbuf.h"
#include "contract/x509asn.h"
#include "name/nametree.h"
#include "name/tname.h"
#include "support/ref.h"

template <class T>
class Ref;

class X509Name : public TName {
 public:
  explicit X509Name(name_type_t type);
  ~X509Name() override;

  name_type_t getType() override { return type_; }
  int setRaw(TBuf* der) override;
  TBuf* getRaw() override;
  int setPrintable(const char* text) override;
  TBuf* getPrintable(prn_opt_t options) override;
  TBuf* getUTF8String() override;
  int firstAttr() override;
  int nextAttr() override;
  int getAttr(TBuf** type, unsigned char* tag, TBuf** value) override;
  int is_enclosed() override;
  unsigned short getuid(TBuf* attrType) override;
  int is_selector() override { return flags_ & kTemplate; }
  int is_empty() override;
  TName* getNormName() override;
  _selector* getSelector(const _selector* base) override;
  int setSelector(const _selector* sel) override;
  int operator==(TName& other) override;
  int operator<<(TName& other) override;
  TName& operator+=(TName& other) override;
  int doesContainSmth(TName* other) override;
  int error() const override { return error_; }
  void setComplete(int complete) override;
  TName* produce(name_type_t type) override;
  TName* dup() override;

 private:
  static constexpr uint8_t kTemplate = 1;    // an incomplete pattern for a selector
  static constexpr uint8_t kNormalised = 2;  // this object is another name's normalised copy

  // Releases the DER, the normalised DER and the tree; clears the walk, the
  // flags and the error. The type stays.
  void reinit();
  // The text of the name (mode 1 ASCII, 3 UTF-8), normalised with PRN_NORM.
  TBuf* toString(int options, int mode);
  // The cached normalised DER (borrowed), or null with the error set.
  TBuf* norm_name();
  // The cached tree of the normalised DER (borrowed), or null (error 9).
  NameTree* get_tree();
  // The other name's tree: its own when it is an X509Name.
  // For another implementation the tree is built here and held in
  // *temporary for the caller's comparison.
  NameTree* tree_of(TName& other, Ref<NameTree>* temporary);
  // 1 when both DERs are octet for octet the same.
  int same_raw(TName& other);
  // Whether the other name holds DER.
  static bool has_der(TName& other);
  int walk_result(int r);

  uint8_t flags_;
  name_type_t type_;
  Ref<TBuf> raw_;
  Ref<TBuf> norm_;
  Buffer attr_type_;
  Buffer attr_value_;
  uint8_t attr_tag_;
  bool has_attr_;
  x509_walk_state_t* walk_;  // &walk_state_ while a walk runs
  x509_walk_state_t walk_state_;
  Ref<NameTree> tree_;
  int error_;
};

// A name of that type without content (the DER 30 00), or null.
TName* createTName(TName::name_type_t type);
// A name from the DER in der (only its first element), or null when it is
// not a name of that kind (kind 0: the DER decides) or der is null.
TName* createTName(TName::name_type_t type, TBuf* der);
// The same from len octets at data; null for null data or zero length.
TName* createTName(TName::name_type_t type, const unsigned char* data, unsigned int len);
// A name from a selector into *out (null on failure). 0; 4 for a null out;
// 1 when no name can be created; or the name's setSelector error.
int createTName(TName::name_type_t type, const _selector* sel, TName** out);
// other converted to type (other's produce), or null for null.
TName* createTName(TName::name_type_t type, TName* other);

// SEQUENCE { gn's components, [4] dn } as a new name of gn's type (general
// names when gn is null); a copy of gn when dn is null; null on failure.
TName* GNplusDN(TName* gn, TName* dn);
// SEQUENCE { a's content, b's content } as a new name of a's type; a copy
// of a when b is null; null on failure or for a null a.
TName* NplusN(TName* a, TName* b);

#endif  // PKIX_NAME_X509NAME_H_
