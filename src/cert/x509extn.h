// The generic extension (X509Extn), the extension list (X509ExtnList) and
// the factory that picks the class for an extension kind.
#ifndef PKIX_CERT_X509EXTN_H_
#define PKIX_CERT_X509EXTN_H_

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cert/list.h"
#include "cert/textn.h"
#include "support/ref.h"

// One Extension element as parsed from the start of an input: the whole
// element and its parts, all views into the input's octets.
struct ExtnElement {
  Buffer whole;
  Buffer oid;
  Buffer value;
  int critical;
};

// Parses the Extension element at the start of in (in is not consumed).
// True with *out filled; false when in does not start with one.
bool readExtnElement(const Buffer& in, ExtnElement* out);

// What every extension of this module keeps, for X509Extn and the typed
// extensions alike: its kind, the critical flag, and its element, value
// and identifier. A parsed extension holds one buffer object, a view of
// its whole Extension element; the identifier and value views are made
// from it on first request. Not a counted object of its own: each
// extension embeds one.
class ExtnCore {
 public:
  explicit ExtnCore(TExtn::extn_t t) : type_(t) {}

  TExtn::extn_t type() const { return type_; }
  void setType(TExtn::extn_t t) { type_ = t; }
  int critical() const { return critical_; }
  void setCritical(int critical) { critical_ = critical; }
  int hasBeenSet() const { return set_; }

  // Parses one Extension element from in and advances in past it; the
  // value is not read. Codes as TExtn::setRaw.
  int parse(TBuf* in);
  // parse for an element already read from the start of in.
  int adopt(TBuf* in, const ExtnElement& e);
  // The operations of TExtn of the same names; each stores its outcome in
  // *code (codes as there).
  TBuf* objId(int* code);
  TBuf* raw(int* code);
  TBuf* value(int* code);
  int setValue(TBuf* value);

  // Marks the stored DER as current (a typed extension that has just read
  // its value back from it).
  void markClean() { modified_ = 0; }
  void markModified() { modified_ = 1; }

 private:
  void fini();
  // fini, and the kind unknown and the DER stale: the state before a parse.
  void reset();
  // The identifier (made from the parsed element or the table when not yet
  // made); empty when there is none or memory is short.
  Ref<TBuf>& oidRef();
  // The value (made from the parsed element when not yet made); empty
  // without a value or when memory is short.
  Ref<TBuf>& valueRef();

  Ref<TBuf> raw_;
  Ref<TBuf> oid_;
  Ref<TBuf> value_;
  // Inside raw_ while it is the parsed element: the identifier's content
  // octets and the value (until value_ is made or set); empty otherwise.
  Buffer id_at_{nullptr, nullptr, 0};
  Buffer value_at_{nullptr, nullptr, 0};
  TExtn::extn_t type_;
  int modified_ = 1;
  int critical_ = 0;
  int set_ = 0;
};

// The generic extension: an ExtnCore behind the TExtn interface.
class X509Extn : public TExtn {
 public:
  explicit X509Extn(extn_t t = EXT_NONE) : core_(t) {}
  ~X509Extn() override;

  extn_t getType() override { return core_.type(); }
  TBuf* getObjId() override { return core_.objId(&error_); }
  int setRaw(TBuf* in) override { return error_ = core_.parse(in); }
  // setRaw for an element already read from the start of in.
  int setRawParsed(TBuf* in, const ExtnElement& e) { return error_ = core_.adopt(in, e); }
  TBuf* getRaw() override { return core_.raw(&error_); }
  int setValue(TBuf* value) final { return error_ = core_.setValue(value); }
  TBuf* getValue() override { return core_.value(&error_); }
  int error() override { return error_; }
  int isCritical() override { return core_.critical(); }
  int setCritical(int critical) override {
    core_.setCritical(critical);
    return error_ = pkixrc::kOk;
  }
  int hasBeenSet() override { return core_.hasBeenSet(); }
  virtual void setType(extn_t t) { core_.setType(t); }

  // The kind of the Extension element at in (in is not consumed); 0 when
  // unknown or unparsable.
  static extn_t getType(TBuf* in);
  // The kind of an identifier's content octets; 0 when not in the table.
  static extn_t kindOf(const Buffer& oid);
  // The identifier constant of a kind (null for 0 and kinds outside the
  // table).
  static const unsigned char* oidOf(extn_t t);

 private:
  ExtnCore core_;
};

class X509ExtnList : public TExtnList {
 public:
  X509ExtnList();
  ~X509ExtnList() override;

  TExtn* getFirst() override;
  TExtn* getNext() override;
  TExtn* get(TExtn::extn_t t) override;
  int clear() override;
  // Adds e after the last element, or in place of the element with the same
  // identifier. 0; kUnavailable (no list or null e), kFailed (e has no
  // identifier), kNoMemory or kNoReference (the list's). Each append costs
  // the same whatever the list's length.
  int append(TExtn* e) override;
  int error() override { return error_; }

  // append for an extension whose identifier's content octets the caller
  // already has (a list read from DER). Codes as append.
  int appendWithId(TExtn* e, const Buffer& id);

 private:
  // Lists shorter than this are searched in place; from this length on an
  // index of identifiers is kept.
  static constexpr size_t kIndexFrom = 16;
  // How many extensions a certificate usually carries.
  static constexpr size_t kUsualCount = 8;

  // The node holding an extension with identifier id (its content octets),
  // or null.
  Node* findNode(const std::string& id);

  // Drops the identifier of node at from the kept identifiers.
  void forgetNode(Node* at);

  Ref<List> list_;
  // The identifier of each node, in list order, so that no append asks an
  // element for its identifier again.
  std::vector<std::pair<std::string, Node*>> ids_;
  // The node holding each identifier, once the list is long enough.
  std::unordered_map<std::string, Node*> by_id_;
  int error_ = pkixrc::kOk;
};

// A new empty extension of kind t: the typed class for the kinds that have
// one, a generic extension of that kind otherwise. Null when memory is short.
TExtn* createX509Extn(TExtn::extn_t t);
TExtn* createTExtn(TExtn::extn_t t);
// The extension at in, in the class of its kind, with in advanced past it;
// null (in unchanged) for null or malformed input, or a value the kind's
// class cannot read. With id, also the identifier's content octets (a view
// into in's octets; empty when the element is malformed).
TExtn* createX509Extn(TBuf* in, Buffer* id = nullptr);
// The extension at in as an unrecognised one (kind 0), its value not read,
// with in advanced past it: how a list keeps an extension its kind's class
// cannot read. Null (in unchanged) for null input or when in does not start
// with an Extension element.
TExtn* createUnreadExtn(TBuf* in);
// A new empty extension list.
TExtnList* createTExtnList();

#endif  // PKIX_CERT_X509EXTN_H_
