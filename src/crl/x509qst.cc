#include "crl/x509qst.h"

#include <new>

#include "support/ref.h"
#include "support/result_codes.h"

int X509SimpleCertChecking::ask() {
  if (archive_ == nullptr) return answer_ = pkixrc::kBadArgument;
  // The certificate is the archive's to account for: it is not released.
  TCert* c = archive_->getCert();
  if (c == nullptr) return answer_ = pkixrc::kMalformed;
  return answer_ = c->check();
}

L_List<Question>* getX509CertQuestions() {
  Ref<L_List<Question>> list = adoptRef(new (std::nothrow) L_List<Question>);
  Ref<Question> q = adoptRef<Question>(new (std::nothrow) X509SimpleCertChecking);
  if (!list || !q || list->append(q.get()) != 0) return nullptr;
  return list.detach();
}
