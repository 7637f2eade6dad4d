// The extension wrappers: a generic extension (aExtn), a list of them
// (aExtnList), and the typed wrappers built on aExtnChild (aKeyUsage).
#ifndef PKIX_MODULE_PKIXAEXTN_H_
#define PKIX_MODULE_PKIXAEXTN_H_

#include "cert/keyusageext.h"
#include "cert/textn.h"
#include "support/abuf.h"
#include "module/pkixwrap.h"

// Operations follow the wrapper rules (module/pkixwrap.h).
class aExtn : public PKIXObject<TExtn> {
 public:
  explicit aExtn(TExtn* e = nullptr) : PKIXObject<TExtn>(e) {}
  // Through the certificate service client: an empty extension of kind t,
  // or the one decoded from der.
  explicit aExtn(TExtn::extn_t t);
  explicit aExtn(const aBuf& der);
  aExtn(const aExtn& other) : PKIXObject<TExtn>(other) {}
  ~aExtn() override;

  TExtn::extn_t getType() const;
  aBuf getObjId() const;
  int setRaw(aBuf& der);
  aBuf getRaw() const;
  int setValue(aBuf& value);
  aBuf getValue() const;
  int isCritical() const;
  int setCritical(int critical);
  int hasBeenSet() const;

 private:
  aExtn& operator=(const aExtn&) = delete;
};

class aExtnList : public PKIXObject<TExtnList> {
 public:
  explicit aExtnList(TExtnList* l) : PKIXObject<TExtnList>(l) {}
  // A new empty list through the certificate service client.
  aExtnList();
  aExtnList(const aExtnList& other) : PKIXObject<TExtnList>(other) {}
  ~aExtnList() override;

  aExtn getFirst();
  aExtn getNext();
  aExtn get(TExtn::extn_t t);
  int clear();
  int append(aExtn& e);

 private:
  aExtnList& operator=(const aExtnList&) = delete;
};

// A typed view of a generic extension wrapper: it shares the object only
// when the extension is of kind kKind, else it stays empty (40).
template <class T, TExtn::extn_t kKind>
class aExtnChild : public aExtn {
 public:
  aExtnChild() : aExtn(static_cast<TExtn*>(nullptr)) {}
  explicit aExtnChild(aExtn& generic) : aExtn(static_cast<TExtn*>(nullptr)) {
    if (generic.getType() == kKind) shareWith(generic);
  }
  ~aExtnChild() override = default;

 protected:
  // The held object as its typed interface.
  static T* typed(TExtn* e) { return static_cast<T*>(e); }
};

class aKeyUsage : public aExtnChild<TX509KeyUsage, TExtn::EXT_KEY_USAGE> {
 public:
  aKeyUsage() = default;
  explicit aKeyUsage(aExtn& generic) : aExtnChild(generic) {}
  ~aKeyUsage() override;

  int set(TX509KeyUsage::kusage_t m, int on);
  int isSet(TX509KeyUsage::kusage_t m) const;
  int isDigitalSignature() const;
  int isCertSign() const;
  int isCRLSign() const;
  int setBitString(aBuf& bits);
};

#endif  // PKIX_MODULE_PKIXAEXTN_H_
