#include "cert/namecext.h"

#include <new>

#include "cert/tbufview.h"
#include "name/x509name.h"

namespace {

using subtree_list = TX509NameConstrs::subtree_list;

// GeneralSubtrees ::= SEQUENCE SIZE (1..MAX) OF GeneralSubtree
// GeneralSubtree ::= SEQUENCE { base GeneralName,
//     minimum [0] BaseDistance DEFAULT 0, maximum [1] BaseDistance OPTIONAL }
// Reads the subtrees in content into *out in order; 0 or 9 (1 for memory).
int readSubtrees(Buffer content, subtree_list** out) {
  subtree_list** tail = out;
  while (content.len != 0) {
    Buffer tree;
    if (asn1_decode_primitive(0x30, &content, &tree) < 0) return 9;
    Buffer base;
    if (asn1_decode_any_type(&tree, &base) < 0) return 9;
    subtree_list* n = new (std::nothrow) subtree_list{nullptr, nullptr, nullptr, nullptr};
    if (n == nullptr) return 1;
    *tail = n;
    tail = &n->next;
    TBuf* gn = tbufCopy(base);
    if (gn == nullptr || asn1_der_encode(0x30, gn->getBuffer()) != 0) {
      if (gn != nullptr) gn->release();
      return 1;
    }
    n->base = createTName(TName::NAME_GN, gn);
    gn->release();
    if (n->base == nullptr) return 9;
    Buffer v;
    if (asn1_peek_tag(&tree) == 0x80) {
      if (asn1_decode_primitive(0x80, &tree, &v) < 0 || (n->minimum = tbufCopy(v)) == nullptr) return 9;
    }
    if (tree.len != 0 && asn1_peek_tag(&tree) == 0x81) {
      if (asn1_decode_primitive(0x81, &tree, &v) < 0 || (n->maximum = tbufCopy(v)) == nullptr) return 9;
    }
    if (tree.len != 0) return 9;
  }
  return 0;
}

// Prepends the subtrees of l, wrapped with tag, to b.
bool writeSubtrees(const subtree_list* l, unsigned char tag, Buffer* b) {
  if (l == nullptr) return true;
  Buffer all;
  init_buffer(&all);
  bool ok = true;
  // Written from the end: collect the nodes first.
  const subtree_list* nodes[256];
  int count = 0;
  for (const subtree_list* n = l; n != nullptr && count < 256; n = n->next) nodes[count++] = n;
  for (int i = count - 1; ok && i >= 0; --i) {
    const subtree_list* n = nodes[i];
    Buffer w;
    init_buffer(&w);
    Buffer part;
    if (n->maximum != nullptr) {
      Buffer t;
      init_buffer(&t);
      part = bufferOf(n->maximum);
      ok = insert_buffer(&t, &part) == 0 && asn1_der_encode(0x81, &t) == 0 && insert_buffer(&w, &t) == 0;
      release_buffer(&t);
    }
    if (ok && n->minimum != nullptr) {
      Buffer t;
      init_buffer(&t);
      part = bufferOf(n->minimum);
      ok = insert_buffer(&t, &part) == 0 && asn1_der_encode(0x80, &t) == 0 && insert_buffer(&w, &t) == 0;
      release_buffer(&t);
    }
    TBuf* raw = ok ? n->base->getRaw() : nullptr;
    ok = raw != nullptr;
    if (ok) {
      Buffer content = bufferOf(raw);
      ok = asn1_der_decode(0x30, &content) >= 0 && insert_buffer(&w, &content) == 0;
      raw->release();
    }
    ok = ok && asn1_der_encode(0x30, &w) == 0 && insert_buffer(&all, &w) == 0;
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
  if (value == nullptr) return error_ = 4;
  release_tree(permitted_);
  release_tree(excluded_);
  permitted_ = excluded_ = nullptr;
  int r = storeValue(value);
  if (r != 0) return error_ = r;
  Buffer b = bufferOf(value);
  Buffer seq;
  if (asn1_decode_primitive(0x30, &b, &seq) < 0) return error_ = 9;
  Buffer part;
  if (seq.len != 0 && asn1_peek_tag(&seq) == 0xA0) {
    if (asn1_decode_primitive(0xA0, &seq, &part) < 0) return error_ = 9;
    if ((r = readSubtrees(part, &permitted_)) != 0) return error_ = r;
  }
  if (seq.len != 0 && asn1_peek_tag(&seq) == 0xA1) {
    if (asn1_decode_primitive(0xA1, &seq, &part) < 0) return error_ = 9;
    if ((r = readSubtrees(part, &excluded_)) != 0) return error_ = r;
  }
  return error_ = seq.len == 0 ? 0 : 9;
}

TBuf* X509NameConstrs::encodeValue() {
  TBuf* out = createTBuf();
  if (out == nullptr) return nullptr;
  Buffer* b = out->getBuffer();
  if (!writeSubtrees(excluded_, 0xA1, b) || !writeSubtrees(permitted_, 0xA0, b) ||
      asn1_der_encode(0x30, b) != 0) {
    out->release();
    return nullptr;
  }
  return out;
}
