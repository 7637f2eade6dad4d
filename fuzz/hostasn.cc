// Fuzz target: the host's ASN.1 type service decoding arbitrary octets.
// The first octet picks a shape (one kind, or a composition) and the
// setting (DER or BER); the rest is decoded. Checked: a failed decode reads
// nothing; a successful one reads exactly getDecLen() octets; under DER the
// value re-encodes to exactly the octets read (SET excepted: it writes its
// elements sorted); a second decode of what was written succeeds; no object
// outlives the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "contract/asn_types.h"
#include "framework/id_type.h"
#include "host/host.h"
#include "host/hostasn.h"

namespace {

using namespace pkixasn;

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Drop {
  void operator()(CMN_GuardedRef* p) const {
    if (p != nullptr) p->remReference();
  }
};
template <class T>
using Own = std::unique_ptr<T, Drop>;

template <class T>
Own<T> MakeWith(CMN_ASN_Interface* svc, unsigned code) {
  return Own<T>(static_cast<T*>(svc->create(code)));
}

// CHOICE { PrintableString, [UTF8String], BMPString, SEQUENCE OF any },
// registered once under a name (the service keeps it for the process).
void RegisterChoice(CMN_ASN_Interface* svc) {
  auto ch = MakeWith<CMN_ASN_Choice_Interface>(svc, kKindChoice);
  auto ps = MakeWith<CMN_ASN_Type_Interface>(svc, kKindPrintableString);
  auto utf8 = MakeWith<CMN_ASN_Template_Interface>(svc, kKindTemplate);
  auto bmp = MakeWith<CMN_ASN_Type_Interface>(svc, kKindBMPString);
  auto seq = MakeWith<CMN_ASN_Type_Interface>(svc, kKindSequence);
  utf8->setRealId(0x0C);
  ch->addObject(ps.get());
  ch->addObject(utf8.get());
  ch->addObject(bmp.get());
  ch->addObject(seq.get());
  Check(svc->registry("fuzz-choice", ch.get()) == kAsnOk);
}

// The service as a module reaches it: through a host's registry.
CMN_ASN_Interface* Service() {
  static CMN_ASN_Interface* svc = [] {
    static pkixhost::Host* host = new pkixhost::Host;
    CMN_ASN_Interface* s = static_cast<CMN_ASN_Interface*>(
        host->acquire(Tuint32ID(pkixhost::kAsnServiceID), Tuint32ID(pkixid::kModule)));
    Check(s != nullptr);
    RegisterChoice(s);
    return s;
  }();
  return svc;
}

const unsigned kKinds[] = {kKindGeneric,  kKindBool,       kKindInteger,  kKindOctetString, kKindPrintableString,
                           kKindBitString, kKindNull,      kKindObjectId, kKindUtcTime,     kKindGeneralTime,
                           kKindTemplate, kKindBMPString,  kKindIA5String, kKindUniversalString, kKindSequence,
                           kKindSet,      kKindAny,        kKindConstructed};
constexpr unsigned kKindCount = sizeof kKinds / sizeof kKinds[0];

// A shape to decode into; keep holds every part alive with it.
struct Shape {
  Own<CMN_ASN_Type_Interface> top;
  std::vector<Own<CMN_ASN_Type_Interface>> keep;
  bool sorted = false;  // re-encoding may reorder (SET)
};

template <class T>
T* Part(Shape* s, unsigned code) {
  Own<CMN_ASN_Type_Interface> p(static_cast<CMN_ASN_Type_Interface*>(Service()->create(code)));
  T* raw = static_cast<T*>(p.get());
  s->keep.push_back(std::move(p));
  return raw;
}

Shape Build(unsigned pick) {
  Shape s;
  if (pick < kKindCount) {
    s.top.reset(static_cast<CMN_ASN_Type_Interface*>(Service()->create(kKinds[pick])));
    s.sorted = kKinds[pick] == kKindSet;
    return s;
  }
  switch (pick - kKindCount) {
    case 0: {  // SEQUENCE { INTEGER, OPTIONAL [0] EXPLICIT BOOLEAN, OCTET STRING }
      auto* seq = Part<CMN_ASN_Sequence_Interface>(&s, kKindSequence);
      auto* opt = Part<CMN_ASN_Optional_Interface>(&s, kKindOptional);
      auto* ex = Part<CMN_ASN_Explicit_Interface>(&s, kKindExplicit);
      ex->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindBool));
      opt->addObject(ex);
      seq->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindInteger));
      seq->addObject(opt);
      seq->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindOctetString));
      s.top.reset(seq->clone());
      return s;
    }
    case 1: {  // SET { INTEGER, BOOLEAN, OPTIONAL OBJECT IDENTIFIER }
      auto* set = Part<CMN_ASN_Set_Interface>(&s, kKindSet);
      auto* opt = Part<CMN_ASN_Optional_Interface>(&s, kKindOptional);
      opt->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindObjectId));
      set->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindInteger));
      set->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindBool));
      set->addObject(opt);
      s.top.reset(set->clone());
      s.sorted = true;
      return s;
    }
    case 2:  // the named CHOICE
      s.top.reset(Service()->create("fuzz-choice"));
      return s;
    case 3: {  // ANY with an INTEGER candidate
      auto* any = Part<CMN_ASN_Any_Interface>(&s, kKindAny);
      any->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindInteger));
      s.top.reset(any->clone());
      return s;
    }
    default: {  // [1] EXPLICIT SEQUENCE { SEQUENCE OF any, OPTIONAL [APPLICATION 2] IMPLICIT constructed }
      auto* ex = Part<CMN_ASN_Explicit_Interface>(&s, kKindExplicit);
      ex->setObjId(1);
      auto* seq = Part<CMN_ASN_Sequence_Interface>(&s, kKindSequence);
      auto* con = Part<CMN_ASN_Type_Interface>(&s, kKindConstructed);
      con->setFlag(kAsnClassApplication);
      con->setObjId(2);
      auto* opt = Part<CMN_ASN_Optional_Interface>(&s, kKindOptional);
      opt->addObject(con);
      seq->addObject(Part<CMN_ASN_Type_Interface>(&s, kKindSequence));
      seq->addObject(opt);
      ex->addObject(seq);
      s.top.reset(ex->clone());
      return s;
    }
  }
}

constexpr unsigned kShapes = kKindCount + 5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  Service();
  int live = pkixhost::liveAsnObjects();
  {
    unsigned pick = (data[0] & 0x7F) % kShapes;
    bool ber = (data[0] & 0x80) != 0;
    Shape s = Build(pick);
    Check(s.top != nullptr);
    CMN_ASN_Type_Interface* v = s.top.get();
    v->setEnc(ber ? ASN_BER : ASN_DER);
    Own<CMN_ASN_Buf_Interface> in(static_cast<CMN_ASN_Buf_Interface*>(Service()->create(kKindBuffer)));
    Check(in->set(data + 1, static_cast<unsigned>(size - 1)) == kAsnOk);
    int rc = v->decode(in.get());
    Check(v->err() == rc);
    unsigned rest = in->len_of_datap();
    if (rc != kAsnOk) {
      Check(rest == size - 1);
    } else {
      unsigned used = v->getDecLen();
      Check(used + rest == size - 1);
      Own<CMN_ASN_Buf_Interface> out(v->encode());
      if (out) {
        if (!ber && !s.sorted) {
          Check(out->len() == used);
          Check(used == 0 || std::memcmp(out->base(), data + 1, used) == 0);
        }
        // What was written reads back.
        Own<CMN_ASN_Type_Interface> again(v->clone());
        if (again && out->len() > 0) {
          again->setEnc(ASN_BER);
          Check(again->decode(out.get()) == kAsnOk);
          Check(out->len_of_datap() == 0);
        }
      } else {
        Check(v->err() != kAsnOk);
      }
    }
  }
  Check(pkixhost::liveAsnObjects() == live);
  return 0;
}
