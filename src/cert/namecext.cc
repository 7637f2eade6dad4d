#include "cert/namecext.h"

#include <new>
#include <vector>

#include "support/tbufs.h"
#include "name/x509name.h"

using namespace pkixrc;

namespace {

constexpr int kTagSequence = 0x30;
constexpr int kTagMinimum = 0x80;    // [0] BaseDistance
constexpr int kTagMaximum = 0x81;    // [1] BaseDistance
constexpr int kTagPermitted = 0xA0;  // [0] GeneralSubtrees
constexpr int kTagExcluded = 0xA1;   // [1] GeneralSubtrees

using subtree_list = TX509NameConstrs::subtree_list;

// GeneralSubtrees ::= SEQUENCE SIZE (1..MAX) OF GeneralSubtree
// GeneralSubtree ::= SEQUENCE { base GeneralName,
//     minimum [0] BaseDistance DEFAULT 0, maximum [1] BaseDistance OPTIONAL }
// Reads the subtrees in content into *out in order; 0, kFailed, or
// kNoMemory.
int readSubtrees(Buffer content, subtree_list** out) {
  subtree_list** tail = out;
  while (content.len != 0) {
    Buffer tree;
    if (asn1_decode_primitive(kTagSequence, &content, &tree) < 0) return kFailed;
    Buffer base;
    if (asn1_decode_any_type(&tree, &base) < 0) return kFailed;
    subtree_list* n = new (std::nothrow) subtree_list{nullptr, nullptr, nullptr, nullptr};
    if (n == nullptr) return kNoMemory;
    *tail = n;
    tail = &n->next;
    Ref<TBuf> gn = tbufCopy(base);
    if (!gn || asn1_der_encode(kTagSequence, gn->getBuffer()) != 0) return kNoMemory;
    n->base = createTName(TName::NAME_GN, gn.get());
    if (n->base == nullptr) return kFailed;
    Buffer v;
    if (asn1_peek_tag(&tree) == kTagMinimum) {
      if (asn1_decode_primitive(kTagMinimum, &tree, &v) < 0 || (n->minimum = tbufCopy(v).detach()) == nullptr) {
        return kFailed;
      }
    }
    if (tree.len != 0 && asn1_peek_tag(&tree) == kTagMaximum) {
      if (asn1_decode_primitive(kTagMaximum, &tree, &v) < 0 || (n->maximum = tbufCopy(v).detach()) == nullptr) {
        return kFailed;
      }
    }
    if (tree.len != 0) return kFailed;
  }
  return kOk;
}

// Prepends the subtrees of l, wrapped with tag, to b.
bool writeSubtrees(const subtree_list* l, unsigned char tag, Buffer* b) {
  if (l == nullptr) return true;
  Buffer all;
  init_buffer(&all);
  bool ok = true;
  // Written from the end: collect the nodes first (all of them).
  std::vector<const subtree_list*> nodes;
  for (const subtree_list* n = l; n != nullptr; n = n->next) nodes.push_back(n);
  for (auto it = nodes.rbegin(); ok && it != nodes.rend(); ++it) {
    const subtree_list* n = *it;
    Buffer w;
    init_buffer(&w);
    Buffer part;
    if (n->maximum != nullptr) {
      Buffer t;
      init_buffer(&t);
      part = viewOf(n->maximum);
      ok = insert_buffer(&t, &part) == 0 && asn1_der_encode(kTagMaximum, &t) == 0 && insert_buffer(&w, &t) == 0;
      release_buffer(&t);
    }
    if (ok && n->minimum != nullptr) {
      Buffer t;
      init_buffer(&t);
      part = viewOf(n->minimum);
      ok = insert_buffer(&t, &part) == 0 && asn1_der_encode(kTagMinimum, &t) == 0 && insert_buffer(&w, &t) == 0;
      release_buffer(&t);
    }
    Ref<TBuf> raw = ok ? adoptRef(n->base->getRaw()) : Ref<TBuf>();
    ok = static_cast<bool>(raw);
    if (ok) {
      Buffer content = viewOf(raw.get());
      ok = asn1_der_decode(kTagSequence, &content) >= 0 && insert_buffer(&w, &content) == 0;
    }
    ok = ok && asn1_der_encode(kTagSequence, &w) == 0 && insert_buffer(&all, &w) == 0;
    release_buffer(&w);
  }
  ok = ok && asn1_der_encode(tag, &all) == 0 && insert_buffer(b, &all) == 0;
  release_buffer(&all);
  return ok;
}

}  // namespace

X509NameConstrs::~X509NameConstrs() {
  release_tree(permitted_);
  release_tree(excluded_);
}

void X509NameConstrs::release_tree(subtree_list* l) {
  while (l != nullptr) {
    subtree_list* next = l->next;
    if (l->base != nullptr) l->base->release();
    if (l->minimum != nullptr) l->minimum->release();
    if (l->maximum != nullptr) l->maximum->release();
    delete l;
    l = next;
  }
}

int X509NameConstrs::setValue(TBuf* value) {
  if (value == nullptr) return error_ = kBadArgument;
  release_tree(permitted_);
  release_tree(excluded_);
  permitted_ = excluded_ = nullptr;
  int r = storeValue(value);
  if (r != kOk) return error_ = r;
  Buffer b = viewOf(value);
  Buffer seq;
  if (asn1_decode_primitive(kTagSequence, &b, &seq) < 0) return error_ = kFailed;
  Buffer part;
  if (seq.len != 0 && asn1_peek_tag(&seq) == kTagPermitted) {
    if (asn1_decode_primitive(kTagPermitted, &seq, &part) < 0) return error_ = kFailed;
    if ((r = readSubtrees(part, &permitted_)) != kOk) return error_ = r;
  }
  if (seq.len != 0 && asn1_peek_tag(&seq) == kTagExcluded) {
    if (asn1_decode_primitive(kTagExcluded, &seq, &part) < 0) return error_ = kFailed;
    if ((r = readSubtrees(part, &excluded_)) != kOk) return error_ = r;
  }
  return error_ = seq.len == 0 ? kOk : kFailed;
}

TBuf* X509NameConstrs::encodeValue() {
  Ref<TBuf> out = adoptRef(createTBuf());
  if (!out) return nullptr;
  Buffer* b = out->getBuffer();
  if (!writeSubtrees(excluded_, kTagExcluded, b) || !writeSubtrees(permitted_, kTagPermitted, b) ||
      asn1_der_encode(kTagSequence, b) != 0) {
    return nullptr;
  }
  return out.detach();
}
