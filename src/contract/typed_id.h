// Typed identifiers of modules and services, as every module and the host
// compare them.
#ifndef PKIX_CONTRACT_TYPED_ID_H_
#define PKIX_CONTRACT_TYPED_ID_H_

#include <cstdint>

enum IDType_t : uint32_t { kIdUint32 = 0, kIdString = 1 };

// An identifier of some kind; identifiers of different kinds never compare
// equal.
class TypifiedID {
 public:
  explicit TypifiedID(IDType_t kind) : kind_(kind) {}
  TypifiedID(const TypifiedID& other) : kind_(other.kind_) {}
  virtual ~TypifiedID();

  // 1 when both identifiers have the same kind and val_comp says equal, else 0.
  int operator==(const TypifiedID& other) const {
    return kind_ == other.kind_ && val_comp(other) == 0 ? 1 : 0;
  }
  // Orders two identifiers of the same kind: 1 when other is greater, -1 when
  // smaller, 0 when equal. Called only once the kinds are known to be equal.
  virtual int val_comp(const TypifiedID& other) const = 0;
  virtual void dump() const = 0;

  IDType_t kind() const { return kind_; }

 private:
  TypifiedID& operator=(const TypifiedID&) = delete;
  IDType_t kind_;
};

// A numeric identifier (module number, or module * 65536 + service index).
class Tuint32ID : public TypifiedID {
 public:
  explicit Tuint32ID(uint32_t value) : TypifiedID(kIdUint32), value_(value) {}
  Tuint32ID(const Tuint32ID& other) : TypifiedID(other), value_(other.value_) {}
  ~Tuint32ID() override;
  int val_comp(const TypifiedID& other) const override;
  void dump() const override;
  uint32_t value() const { return value_; }

 private:
  uint32_t value_;
};

// A text identifier; a null text is kept as the empty text.
class TstringID : public TypifiedID {
 public:
  explicit TstringID(const char* text);
  TstringID(const TstringID& other);
  ~TstringID() override;
  int val_comp(const TypifiedID& other) const override;
  void dump() const override;
  const char* text() const { return text_; }

 private:
  char* text_;
};

static_assert(sizeof(Tuint32ID) == sizeof(void*) + 8, "Tuint32ID is vptr, kind, value");

#endif  // PKIX_CONTRACT_TYPED_ID_H_
