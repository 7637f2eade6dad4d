// The comparison form of a name: the RDNs of its normalised DER, each RDN a
// set of attributes, kept sorted so that two names can be tested for
// equality, containment and overlap whatever the order their RDNs and
// attributes were written in. General names are read the same way, one
// component per set.
//
// A tree is immutable once built, so several threads may compare trees at
// once. Trees are shared by reference count; every count changes under one
// process-wide mutex, so copies may be released from different threads.
#ifndef PKIX_NAME_NAMETREE_H_
#define PKIX_NAME_NAMETREE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contract/tbuf.h"
#include "contract/x509asn.h"

class NameTree {
 public:
  // An empty tree with one reference, its creator's.
  NameTree();
  NameTree(const NameTree&) = delete;
  NameTree& operator=(const NameTree&) = delete;

  // Builds the tree from the name element in der (a Name or GeneralNames)
  // and keeps a reference to der, whose octets the attributes point into.
  // 1 on success (a name without attributes gives an empty tree); 0 when the
  // DER is not a well-formed name or memory ran out (the tree is then empty
  // and holds no DER). A tree built before is cleared first.
  int build_tree(TBuf* der);

  // 1 when this name lies within the subtree named by b: every set of b is
  // contained in a distinct set of this tree, sought in order (any name
  // lies within the empty name); else 0.
  int subtree(const NameTree* b) const;
  // 1 when both hold the same sets (as multisets); else 0. A comparison of
  // the two canonical keys (below).
  int match(const NameTree* b) const;
  // 1 when some set of b equals some set of this tree, or either tree has no
  // attributes; else 0.
  int intersect(const NameTree* b) const;

  void addref();
  // Drops one reference; the last one frees the tree and releases its DER.
  void release();
  // addref under the name Ref<> holders call.
  void addRef() { addref(); }

  unsigned sets() const { return nsets_; }
  unsigned attributes() const { return nattrs_; }

 private:
  struct TreeAttr {
    TreeAttr* next;
    Buffer type;   // view into the DER: OID content octets, or the component's tag
    Buffer value;  // view into the DER
    uint8_t tag;   // the value's string type, or the general-name tag
  };
  struct TreeSet {
    TreeSet* next;
    TreeAttr first;  // the smallest attribute, held inline
    unsigned count;
  };

  ~NameTree();
  static int tree_attr_cmp(const TreeAttr* a, const TreeAttr* b);
  static int tree_set_cmp(const TreeSet* a, const TreeSet* b);
  static bool set_contains(const TreeSet* a, const TreeSet* b);
  static TreeSet* new_tree_set(std::vector<TreeAttr>* attrs);
  static void free_tree_set(TreeSet* s);
  void tree_insert(std::vector<TreeSet*>* sets);
  void clear();

  // The sorted sets written out one after the other, each attribute as
  // type length, type, tag, value length, value: equal keys mean equal
  // trees, so a match is one memcmp.
  bool make_key();

  TBuf* der_;  // one reference held
  TreeSet* sets_;  // ascending
  unsigned char* key_;
  size_t key_len_;
  unsigned nsets_;
  unsigned nattrs_;
  int refs_;
};

#endif  // PKIX_NAME_NAMETREE_H_
