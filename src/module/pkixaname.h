// The name wrapper: how client code holds a name (TName).
#ifndef PKIX_MODULE_PKIXANAME_H_
#define PKIX_MODULE_PKIXANAME_H_

#include "support/abuf.h"
#include "module/pkixwrap.h"
#include "name/tname.h"

// Operations follow the wrapper rules (module/pkixwrap.h): codes become the
// error, plain values and objects take the name's error; an empty wrapper
// answers 40 and its failure value without calling.
class aName : public PKIXObject<TName> {
 public:
  explicit aName(TName* n = nullptr) : PKIXObject<TName>(n) {}
  // Through the certificate service client; empty (40) when nothing comes
  // back.
  explicit aName(TName::name_type_t t);
  aName(TName::name_type_t t, const _selector* s);
  aName(TName::name_type_t t, aBuf& der);
  aName(TName::name_type_t t, aName& other);
  aName(TName::name_type_t t, const unsigned char* data, unsigned len);
  aName(const aName& other) : PKIXObject<TName>(other) {}
  ~aName() override;

  TName::name_type_t getType() const;
  int setRaw(aBuf& der);
  aBuf getRaw() const;
  int setPrintable(const char* text);
  aBuf getPrintable(TName::prn_opt_t options) const;
  aBuf getUTF8String() const;
  int firstAttr();
  int nextAttr();
  // Fills type and value with the current attribute's buffers.
  int getAttr(aBuf& type, unsigned char& tag, aBuf& value);
  int is_enclosed() const;
  unsigned short getuid(aBuf& attr_type) const;
  int is_selector() const;
  int is_empty() const;
  aName getNormName() const;
  // A new selector (sel_destroy), or null.
  _selector* getSelector(const _selector* base) const;
  int setSelector(const _selector* s);
  // With an argument wrapper that holds no name: false (== ) and true
  // (!=), without calling and without changing the error.
  int operator==(const aName& other) const;
  int operator!=(const aName& other) const;
  int operator<<(const aName& other) const;
  // The negation of <<.
  int operator>>(const aName& other) const;
  aName& operator+=(const aName& other);
  int doesContainSmth(aName& other) const;
  // Forwards; the error is left as it was.
  void setComplete(int complete);

 private:
  aName& operator=(const aName&) = delete;
};

#endif  // PKIX_MODULE_PKIXANAME_H_
