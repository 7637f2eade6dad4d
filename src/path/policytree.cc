// The policy tree, held as a table of nodes that refer to their parents.
#include "path/policytree.h"

#include <algorithm>

namespace pkixpath {
namespace {

bool contains(const std::vector<Bytes>& set, const Bytes& p) { return std::find(set.begin(), set.end(), p) != set.end(); }

}  // namespace

const Bytes& anyPolicyOid() {
  static const Bytes kAny{0x55, 0x1d, 0x20, 0x00};
  return kAny;
}

PolicyTree::PolicyTree() { nodes_.push_back(Node{0, -1, anyPolicyOid(), {anyPolicyOid()}}); }

bool PolicyTree::hasChild(int node) const {
  for (const Node& n : nodes_) {
    if (n.alive && n.parent == node) return true;
  }
  return false;
}

void PolicyTree::removeSubtree(int node) {
  nodes_[node].alive = false;
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].alive && nodes_[i].parent == node) removeSubtree(static_cast<int>(i));
  }
}

void PolicyTree::prune(int depth) {
  for (int d = depth - 1; d >= 0; --d) {
    for (size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].alive && nodes_[i].depth == d && !hasChild(static_cast<int>(i))) nodes_[i].alive = false;
    }
  }
  if (!nodes_[0].alive) null_ = true;
}

void PolicyTree::addCertificatePolicies(int depth, const std::vector<Bytes>& policies, bool any_allowed) {
  if (null_) return;
  size_t existing = nodes_.size();
  bool cert_any = false;
  for (const Bytes& p : policies) {
    if (p == anyPolicyOid()) {
      cert_any = true;
      continue;
    }
    // (d) (1) (i): a child of every parent that expects P.
    bool matched = false;
    for (size_t i = 0; i < existing; ++i) {
      const Node& n = nodes_[i];
      if (n.alive && n.depth == depth - 1 && contains(n.expected, p)) {
        nodes_.push_back(Node{depth, static_cast<int>(i), p, {p}});
        matched = true;
      }
    }
    // (d) (1) (ii): else a child of the anyPolicy parent.
    if (!matched) {
      for (size_t i = 0; i < existing; ++i) {
        const Node& n = nodes_[i];
        if (n.alive && n.depth == depth - 1 && n.valid_policy == anyPolicyOid()) {
          nodes_.push_back(Node{depth, static_cast<int>(i), p, {p}});
        }
      }
    }
  }
  // (d) (2): anyPolicy in the certificate: every expected policy of a
  // parent that has no child of that policy yet.
  if (cert_any && any_allowed) {
    for (size_t i = 0; i < existing; ++i) {
      if (!nodes_[i].alive || nodes_[i].depth != depth - 1) continue;
      std::vector<Bytes> expected = nodes_[i].expected;
      for (const Bytes& e : expected) {
        bool present = false;
        for (size_t j = existing; j < nodes_.size(); ++j) {
          present = present || (nodes_[j].parent == static_cast<int>(i) && nodes_[j].valid_policy == e);
        }
        if (!present) nodes_.push_back(Node{depth, static_cast<int>(i), e, {e}});
      }
    }
  }
  // (d) (3)
  prune(depth);
}

void PolicyTree::applyMappings(int depth, const std::vector<PolicyMapping>& mappings, bool mapping_allowed) {
  if (null_) return;
  // The issuer domain policies, each with the subject policies it maps to.
  std::vector<Bytes> issuers;
  for (const PolicyMapping& m : mappings) {
    if (!contains(issuers, m.issuer_policy)) issuers.push_back(m.issuer_policy);
  }
  for (const Bytes& idp : issuers) {
    std::vector<Bytes> mapped;
    for (const PolicyMapping& m : mappings) {
      if (m.issuer_policy == idp && !contains(mapped, m.subject_policy)) mapped.push_back(m.subject_policy);
    }
    if (mapping_allowed) {
      bool found = false;
      for (Node& n : nodes_) {
        if (n.alive && n.depth == depth && n.valid_policy == idp) {
          n.expected = mapped;
          found = true;
        }
      }
      if (!found) {
        // (b) (1): the anyPolicy node at depth stands for ID-P.
        for (size_t i = 0; i < nodes_.size(); ++i) {
          Node& n = nodes_[i];
          if (n.alive && n.depth == depth && n.valid_policy == anyPolicyOid()) {
            nodes_.push_back(Node{depth, n.parent, idp, mapped});
            break;
          }
        }
      }
    } else {
      // (b) (2): mapping inhibited, the mapped policy's nodes go.
      for (size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].alive && nodes_[i].depth == depth && nodes_[i].valid_policy == idp) removeSubtree(static_cast<int>(i));
      }
      prune(depth);
      if (null_) return;
    }
  }
}

void PolicyTree::intersect(int n, const std::vector<Bytes>& initial) {
  if (null_ || initial.empty() || contains(initial, anyPolicyOid())) return;
  // (g) (iii) 1: the nodes whose parent is an anyPolicy node.
  std::vector<int> node_set;
  for (size_t i = 0; i < nodes_.size(); ++i) {
    const Node& x = nodes_[i];
    if (x.alive && x.parent >= 0 && nodes_[x.parent].valid_policy == anyPolicyOid()) node_set.push_back(static_cast<int>(i));
  }
  // 2: those of a policy outside the initial set go, with their subtrees.
  for (int i : node_set) {
    const Node& x = nodes_[i];
    if (x.alive && x.valid_policy != anyPolicyOid() && !contains(initial, x.valid_policy)) removeSubtree(i);
  }
  // 3: an anyPolicy leaf at depth n stands for every initial policy not
  // yet in the set.
  for (size_t i = 0; i < nodes_.size(); ++i) {
    Node& leaf = nodes_[i];
    if (!leaf.alive || leaf.depth != n || leaf.valid_policy != anyPolicyOid()) continue;
    int parent = leaf.parent;
    leaf.alive = false;
    for (const Bytes& p : initial) {
      bool present = false;
      for (int j : node_set) present = present || (nodes_[j].alive && nodes_[j].valid_policy == p);
      if (!present) nodes_.push_back(Node{n, parent, p, {p}});
    }
    break;
  }
  // 4
  prune(n);
}

std::vector<Bytes> PolicyTree::policiesAt(int n) const {
  std::vector<Bytes> out;
  if (null_) return out;
  for (const Node& x : nodes_) {
    if (x.alive && x.depth == n && !contains(out, x.valid_policy)) out.push_back(x.valid_policy);
  }
  return out;
}

}  // namespace pkixpath
