// The name interface: a distinguished name (X.501 Name) or a general-names
// sequence (GeneralNames) held as DER, created from DER, from text or from a
// selector, walked attribute by attribute, printed, compared, combined and
// turned into selector elements. X509Name (name/x509name.h) implements it.
//
// Every operation sets the object's last error, read back with error():
//   0 success, 1 out of memory, 4 bad argument, 6 an IP-address attribute
//   whose value is not 4 octets, 9 malformed data or an operation not
//   possible for this kind, 36 not found or empty result, 40 nothing set.
// Results that are objects or buffers carry one new reference for the
// caller, who drops it with release(); null on failure.
#ifndef PKIX_NAME_TNAME_H_
#define PKIX_NAME_TNAME_H_

#include "cert/xbase.h"
#include "contract/tbuf.h"
#include "name/sel.h"

class TName : public XBase {
 public:
  // Low byte: the kind; high byte: the role, which chooses between the
  // subject and issuer selector tags. In use: 1, 2, 0x101, 0x102, 0x201,
  // 0x202.
  enum name_type_t : int {
    NAME_NONE = 0,
    NAME_DN = 1,          // distinguished name
    NAME_GN = 2,          // general names
    NAME_ISSUER = 0x100,  // stands for a certificate's issuer
    NAME_SUBJECT = 0x200  // stands for a certificate's subject
  };
  // Printing options, a bit set.
  enum prn_opt_t : int {
    PRN_PLAIN = 0,
    PRN_LOSSY = 1,  // accept a lossy string conversion
    PRN_NORM = 2    // print the normalised form
  };

  static constexpr int kindOf(int type) { return type & 0xFF; }
  static constexpr int roleOf(int type) { return type & 0xFF00; }

  // The order of the virtual operations below is part of the module's
  // binary interface: do not reorder or insert.

  // 1. The type (kind and role).
  virtual name_type_t getType() = 0;
  // 2. Takes a DER name (only the octets of its first element; trailing
  // octets are dropped). 0; 4 for null; 9 when the DER is not a name of the
  // object's kind (kind 0: the DER decides).
  virtual int setRaw(TBuf* der) = 0;
  // 3. The DER, or null with error 40.
  virtual TBuf* getRaw() = 0;
  // 4. Builds the name from text (name/name.h). 0; 4 for null; 9 when the
  // text does not parse or gives another kind (kind 0: 9).
  virtual int setPrintable(const char* text) = 0;
  // 5. The text (ASCII, octets of 0x80 or above escaped), zero-terminated.
  virtual TBuf* getPrintable(prn_opt_t options) = 0;
  // 6. The normalised name as UTF-8 text, zero-terminated.
  virtual TBuf* getUTF8String() = 0;
  // 7, 8. Step through the attributes: 1 when one is current, 0 at the
  // end, negative on error (error 9).
  virtual int firstAttr() = 0;
  virtual int nextAttr() = 0;
  // 9. Copies of the current attribute's type and value (each out-pointer
  // optional) and its tag. 0; 40 without a current attribute; 1 when memory
  // is short (nothing returned).
  virtual int getAttr(TBuf** type, unsigned char* tag, TBuf** value) = 0;
  // 10. 1 while the current attribute is followed by another attribute of
  // the same RDN.
  virtual int is_enclosed() = 0;
  // 11. The selector tag of an attribute type for the name's role; 0 with
  // error 9 without a role, 4 for null, 36 for an unknown type.
  virtual unsigned short getuid(TBuf* attrType) = 0;
  // 12. The template flag: the name is an incomplete pattern.
  virtual int is_selector() = 0;
  // 13. 1 when the name holds no RDN or component (also without DER, error
  // 40); 0 otherwise; -1 when the DER header is malformed (error 9).
  virtual int is_empty() = 0;
  // 14. A new name holding the normalised DER, sharing the name tree; null
  // when normalisation fails.
  virtual TName* getNormName() = 0;
  // 15. A copy of base (null: a new selector) with the name inserted: a
  // whole-name element for a distinguished name, components for general
  // names. Null on failure (the caller frees a result with sel_destroy).
  virtual _selector* getSelector(const _selector* base) = 0;
  // 16. The name a selector describes (null: nothing set). 0; 4 without a
  // role; 9 when no name can be built; 36 when the selector holds none.
  virtual int setSelector(const _selector* sel) = 0;
  // 17. 1 when both name the same entity (RDN order does not matter).
  virtual int operator==(TName& other) = 0;
  // 18. 1 when this name lies within the subtree other names.
  virtual int operator<<(TName& other) = 0;
  // 19. Appends other's RDNs or components (error 4 when a kind is not set,
  // 9 when the result is not a name). Returns this name.
  virtual TName& operator+=(TName& other) = 0;
  // 20. 1 when the two names share a whole RDN (or either is empty).
  virtual int doesContainSmth(TName* other) = 0;
  // 21. The last error.
  virtual int error() const = 0;
  // 22. 0 marks the name as a template, non-zero as complete.
  virtual void setComplete(int complete) = 0;
  // 23. The name converted to another kind (4 for kind 0, 36 when general
  // names hold no directory name, 9 when the conversion fails).
  virtual TName* produce(name_type_t type) = 0;
  // 24. A new name sharing this one's DER, normalised DER and tree.
  virtual TName* dup() = 0;
};

constexpr TName::name_type_t operator|(TName::name_type_t a, TName::name_type_t b) {
  return static_cast<TName::name_type_t>(static_cast<int>(a) | static_cast<int>(b));
}
constexpr TName::prn_opt_t operator|(TName::prn_opt_t a, TName::prn_opt_t b) {
  return static_cast<TName::prn_opt_t>(static_cast<int>(a) | static_cast<int>(b));
}

#endif  // PKIX_NAME_TNAME_H_
