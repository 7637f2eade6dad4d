// The valid_policy_tree of RFC 5280 section 6.1: nodes by depth with their
// valid policy and expected policy set, grown by each certificate's
// policies, rewritten by policy mappings, and intersected with the
// caller's initial policy set at the end.
#ifndef PKIX_PATH_POLICYTREE_H_
#define PKIX_PATH_POLICYTREE_H_

#include <vector>

#include "path/pathder.h"

namespace pkixpath {

// anyPolicy, 2.5.29.32.0, as OID content octets.
const Bytes& anyPolicyOid();

class PolicyTree {
 public:
  // The tree of one anyPolicy node at depth 0.
  PolicyTree();

  // True once the tree is NULL (every node gone).
  bool null() const { return null_; }
  // Makes the tree NULL (a certificate without policies).
  void clear() { null_ = true; }

  // Adds depth's nodes for a certificate's policies (6.1.3 (d) (1), (2));
  // any_allowed says whether its anyPolicy counts; then prunes.
  void addCertificatePolicies(int depth, const std::vector<Bytes>& policies, bool any_allowed);
  // Applies a certificate's mappings at depth (6.1.4 (b)): rewrites the
  // expected sets when mapping is allowed, else deletes the mapped nodes.
  void applyMappings(int depth, const std::vector<PolicyMapping>& mappings, bool mapping_allowed);
  // Intersects the tree of a path of n certificates with the initial
  // policy set (6.1.5 (g)); an empty set stands for any-policy.
  void intersect(int n, const std::vector<Bytes>& initial);
  // The valid policies of the leaves at depth n (the authorities'
  // policies the path is valid for), anyPolicy included when present.
  std::vector<Bytes> policiesAt(int n) const;

 private:
  struct Node {
    int depth;
    int parent;  // index, -1 for the root
    Bytes valid_policy;
    std::vector<Bytes> expected;
    bool alive = true;
  };
  bool hasChild(int node) const;
  // Deletes nodes of depth below depth that have no children, deepest
  // first; the tree becomes NULL when the root goes.
  void prune(int depth);
  void removeSubtree(int node);

  std::vector<Node> nodes_;
  bool null_ = false;
};

}  // namespace pkixpath

#endif  // PKIX_PATH_POLICYTREE_H_
