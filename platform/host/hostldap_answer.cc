#include "host/hostldap_answer.h"

#include <new>

#include "cert/tcert.h"
#include "contract/service_ids.h"
#include "contract/tbuf.h"
#include "crl/tcrl.h"
#include "framework/cmn_stub.h"
#include "module/pkixsrv.h"
#include "support/der_reader.h"
#include "support/ref.h"
#include "support/result_codes.h"

// The lists are the module's objects: this file is built without the vptr
// check (platform/host/CMakeLists.txt), since their type information is the
// module's, not this library's.

namespace pkixhost {

namespace {

const Tuint32ID kCertServiceId(pkixid::kCertService);
const Tuint32ID kBufferServiceId(pkixid::kBuffers);

// Reads one SEQUENCE at the cursor, whole: header and content. 0, or the
// support library's code (cursor unmoved).
int NextSequence(DerReader& r, Buffer* whole) {
  return r.element(der::kSequence, [](DerReader& body) {
    body.skipRest();
    return 0;
  }, whole);
}

// Both services for one build, bound for its duration, and each value's
// TBuf made through the buffer service.
class Services {
 public:
  Services() : certs_(&kCertServiceId), buffers_(&kBufferServiceId) {}
  TPkixService* certs() const { return certs_.service(); }
  bool ready() const { return certs_.service() != nullptr && buffers_.service() != nullptr; }
  CMN_Guard* guard() const { return certs_.guard(); }
  Ref<TBuf> buffer(const Buffer& v) {
    return adoptRef(buffers_.service()->createTBuf(v.data, v.len));
  }

 private:
  CMN_ServiceStub<TPkixService> certs_;
  CMN_ServiceStub<X509CmnSrv_I> buffers_;
};

// The list-building loop for either list: make makes one element from a
// value (a new reference, or null), the list takes each.
template <class List, class Element, class MakeList, class Make>
List* BuildList(const unsigned char* octets, size_t len, int* error, MakeList make_list, Make make) {
  int ignored;
  if (error == nullptr) error = &ignored;
  std::vector<Buffer> views;
  try {
    if ((*error = ldapSplitValues(octets, len, &views)) != pkixrc::kOk) return nullptr;
  } catch (const std::bad_alloc&) {
    *error = pkixrc::kNoMemory;
    return nullptr;
  }
  Services services;
  if (!services.ready()) {
    *error = pkixrc::kUnavailable;
    return nullptr;
  }
  GuardLockVar calling(services.guard());
  Ref<List> list = adoptRef(make_list(services.certs()));
  if (!list) {
    *error = pkixrc::kNoMemory;
    return nullptr;
  }
  for (const Buffer& v : views) {
    Ref<Element> e = adoptRef(make(services, v));
    if (!e || list->append(e.get()) != pkixrc::kOk) {
      *error = pkixrc::kFailed;
      return nullptr;
    }
  }
  *error = pkixrc::kOk;
  return list.detach();
}

}  // namespace

int LdapAnswer::add(LdapValueKind kind, const unsigned char* data, size_t len) {
  if (data == nullptr || ldapSequenceLength(data, len) != len || len == 0) return pkixrc::kMalformed;
  if (len > cap_ || total() > cap_ - len) return pkixrc::kFailed;
  std::vector<unsigned char>& to = kind == LdapValueKind::kCrl ? crls_ : certs_;
  try {
    to.insert(to.end(), data, data + len);
  } catch (const std::bad_alloc&) {
    return pkixrc::kNoMemory;
  }
  ++(kind == LdapValueKind::kCrl ? crl_count_ : cert_count_);
  return pkixrc::kOk;
}

void LdapAnswer::clear() {
  crls_.clear();
  certs_.clear();
  crls_.shrink_to_fit();
  certs_.shrink_to_fit();
  crl_count_ = cert_count_ = 0;
}

size_t ldapSequenceLength(const unsigned char* data, size_t len) {
  if (data == nullptr || len == 0 || len > UINT32_MAX) return 0;
  DerReader r(Buffer{nullptr, const_cast<unsigned char*>(data), static_cast<uint32_t>(len)});
  Buffer whole{nullptr, nullptr, 0};
  if (NextSequence(r, &whole) != 0) return 0;
  return whole.len;
}

int ldapSplitValues(const unsigned char* data, size_t len, std::vector<Buffer>* views) {
  views->clear();
  if (len == 0) return pkixrc::kOk;
  if (data == nullptr || len > UINT32_MAX) return pkixrc::kMalformed;
  DerReader r(Buffer{nullptr, const_cast<unsigned char*>(data), static_cast<uint32_t>(len)});
  while (!r.atEnd()) {
    Buffer whole{nullptr, nullptr, 0};
    if (NextSequence(r, &whole) != 0) return pkixrc::kMalformed;
    views->push_back(whole);
  }
  return pkixrc::kOk;
}

TCRLList* ldapBuildCrlList(const unsigned char* octets, size_t len, int* error) {
  return BuildList<TCRLList, TCRL>(
      octets, len, error, [](TPkixService* s) { return s->createTCRLList(); },
      [](Services& services, const Buffer& v) -> TCRL* {
        Ref<TBuf> b = services.buffer(v);
        return b ? services.certs()->createTCRL(TCert::CF_X509, b.get()) : nullptr;
      });
}

TCertList* ldapBuildCertList(const unsigned char* octets, size_t len, int* error) {
  return BuildList<TCertList, TCert>(
      octets, len, error, [](TPkixService* s) { return s->createTCertList(); },
      [](Services& services, const Buffer& v) -> TCert* {
        return services.certs()->createTCert(TCert::CF_X509, v.data, v.len);
      });
}

}  // namespace pkixhost
