// The pattern every typed extension follows: its own fields, kept in step
// with an embedded extension core that holds identifier, value and DER.
// Setters of the fields mark the value stale; getValue and getRaw encode
// the fields first (a failure gives null with error 9); setRaw parses the
// DER into the embedded extension and then reads its value into the fields
// through the class's own setValue.
#ifndef PKIX_CERT_TYPEDEXT_H_
#define PKIX_CERT_TYPEDEXT_H_

#include "cert/x509extn.h"

template <class I, TExtn::extn_t kKind>
class TypedExtn : public I {
 public:
  TypedExtn() : embedded_(kKind) {}
  ~TypedExtn() override = default;

  TExtn::extn_t getType() override { return kKind; }
  TBuf* getObjId() override { return embedded_.objId(&this->error_); }
  int setRaw(TBuf* in) override {
    int r = embedded_.parse(in);
    return this->error_ = r != pkixrc::kOk ? r : readValue();
  }
  // setRaw for an element already read from the start of in.
  int setRawParsed(TBuf* in, const ExtnElement& e) {
    int r = embedded_.adopt(in, e);
    return this->error_ = r != pkixrc::kOk ? r : readValue();
  }
  TBuf* getRaw() override {
    if (sync() != pkixrc::kOk) return nullptr;
    return embedded_.raw(&this->error_);
  }
  TBuf* getValue() override {
    if (sync() != pkixrc::kOk) return nullptr;
    return embedded_.value(&this->error_);
  }
  int error() override { return this->error_; }
  int isCritical() override { return embedded_.critical(); }
  int setCritical(int c) override {
    embedded_.setCritical(c);
    return this->error_ = pkixrc::kOk;
  }
  int hasBeenSet() override { return embedded_.hasBeenSet(); }

 protected:
  // The fields encoded as a new extension value, or null when they cannot
  // be.
  virtual TBuf* encodeValue() = 0;
  // Stores v as the value the fields now agree with.
  int storeValue(TBuf* v) {
    stale_ = false;
    return embedded_.setValue(v);
  }
  void markStale() { stale_ = true; }

 private:
  // Encodes the fields into the embedded value when they changed. 0 or
  // kFailed.
  int sync() {
    if (!stale_) return pkixrc::kOk;
    Ref<TBuf> v = adoptRef(encodeValue());
    if (!v || embedded_.setValue(v.get()) != pkixrc::kOk) return this->error_ = pkixrc::kFailed;
    stale_ = false;
    return pkixrc::kOk;
  }

  // After the element was parsed: the fixed kind, and the value read into
  // the fields through the class's own setValue. 0 or setValue's code
  // (kFailed without a value).
  int readValue() {
    embedded_.setType(kKind);
    int r = pkixrc::kOk;
    Ref<TBuf> v = adoptRef(embedded_.value(&r));
    r = v ? this->setValue(v.get()) : pkixrc::kFailed;
    if (r == pkixrc::kOk) embedded_.markClean();
    return r;
  }

  ExtnCore embedded_;
  bool stale_ = true;
};

#endif  // PKIX_CERT_TYPEDEXT_H_
