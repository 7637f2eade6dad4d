// Certificate fields read out of selectors.
#include "name/selname.h"

#include <cstring>

namespace {

// The value of the first element of the given type in the source part.
bool FindInSource(const _selector* sel, unsigned type, unsigned* length,
                  const unsigned char** value) {
  const unsigned char* cursor = nullptr;
  unsigned tag = SEL_TAG(type, 0);
  return sel_getnext(sel, &cursor, SEL_M_SRC, &tag, length, value) == 1;
}

}  // namespace

extern "C" {

int sel_get_type(const _selector* sel, unsigned int* type) {
  if (sel == nullptr || type == nullptr) return SEL_ERR_ARG;
  unsigned length = 0;
  const unsigned char* value = nullptr;
  if (!FindInSource(sel, SEL_CERT_TYPE, &length, &value) || length == 0) return SEL_ERR_ABSENT;
  *type = value[0];
  return 0;
}

int sel_get_sn(const _selector* sel, Buffer* serial) {
  if (sel == nullptr || serial == nullptr) return SEL_ERR_ARG;
  unsigned length = 0;
  const unsigned char* value = nullptr;
  if (!FindInSource(sel, SEL_CERT_SN, &length, &value)) return SEL_ERR_ABSENT;
  if (alloc_buffer(length, serial) != 0) return SEL_ERR_NOMEM;
  if (length != 0) std::memcpy(serial->data, value, length);
  return 0;
}

}  // extern "C"
