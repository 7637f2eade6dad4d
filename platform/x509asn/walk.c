/* Names: classification (isDN) and the attribute walkers over distinguished
 * names and general names. The first call of a walk checks the whole element,
 * so that the following calls only step. */
#include <stdint.h>
#include <string.h>

#include "internal.h"

/* kind bits above the walk kind */
#define KIND_MASK 0xFFu
#define IN_SET 0x100u    /* pos lies inside an RDN's SET */
#define SET_INDEF 0x200u /* that SET has the indefinite form (00 00 follows rdn_end) */

/* asn_take of a structural element of a name: another tag is a malformed
 * name, not "absent". */
static int take_part(asn_cur* c, unsigned char tag, asn_hdr* h, asn_cur* elem, asn_cur* content) {
  int r = asn_take(c, tag, h, elem, content);
  return r == X509ASN_E_TAG ? X509ASN_E_NAME : r;
}

/* An OBJECT IDENTIFIER element of a name at c: *content (optional) gets its
 * content octets, checked for well-formedness. */
static int take_oid(asn_cur* c, asn_cur* content) {
  asn_cur oid;
  int r = take_part(c, 0x06, NULL, NULL, &oid);
  if (r != 0) return r;
  r = cur_oid_check(&oid);
  if (r != 0) return r;
  if (content != NULL) *content = oid;
  return 0;
}

/* AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
 * Reads one at c; outputs are optional. */
static int take_atv(asn_cur* c, asn_cur* oid, asn_hdr* value_hdr, asn_cur* value) {
  asn_cur atv, type, v;
  asn_hdr h;
  int r = take_part(c, 0x30, NULL, NULL, &atv);
  if (r != 0) return r;
  r = take_oid(&atv, &type);
  if (r != 0) return r;
  if (cur_empty(&atv)) return X509ASN_E_NAME;
  r = asn_take(&atv, -1, &h, NULL, &v); /* any element; 00 00 is none */
  if (r != 0) return r == X509ASN_E_TAG ? X509ASN_E_NAME : r;
  if (!cur_empty(&atv)) return X509ASN_E_TRAILING;
  if (oid != NULL) *oid = type;
  if (value_hdr != NULL) *value_hdr = h;
  if (value != NULL) *value = v;
  return 0;
}

/* Name content: RelativeDistinguishedName ::= SET SIZE (1..MAX) OF ATV */
static int check_dn_body(asn_cur body) {
  while (!cur_empty(&body)) {
    asn_cur set;
    int r = take_part(&body, 0x31, NULL, NULL, &set);
    if (r != 0) return r;
    if (cur_empty(&set)) return X509ASN_E_NAME;
    while (!cur_empty(&set)) {
      r = take_atv(&set, NULL, NULL, NULL);
      if (r != 0) return r;
    }
  }
  return 0;
}

/* The identifier of a GeneralName choice: context class, number 0..8,
 * constructed exactly for otherName [0], x400Address [3], directoryName [4]
 * and ediPartyName [5]. */
static int gn_choice_ok(unsigned char t) {
  if ((t & 0xC0) != 0x80) return 0;
  unsigned num = t & 0x1Fu;
  if (num > 8) return 0;
  int constructed = (t & 0x20) != 0;
  int want = num == 0 || num == 3 || num == 4 || num == 5;
  return constructed == want;
}

/* OtherName ::= SEQUENCE { type-id OBJECT IDENTIFIER,
 *                          value [0] EXPLICIT ANY DEFINED BY type-id }
 * (the content of the implicitly tagged [0] choice) */
static int check_other_name(asn_cur content) {
  int r = take_oid(&content, NULL);
  if (r != 0) return r;
  if (cur_empty(&content)) return X509ASN_E_NAME; /* the value is not optional */
  asn_cur value;
  r = take_part(&content, 0xA0, NULL, NULL, &value);
  if (r != 0) return r;
  if (!cur_empty(&content)) return X509ASN_E_TRAILING;
  /* EXPLICIT: exactly one element inside */
  if (cur_empty(&value)) return X509ASN_E_NAME;
  r = asn_take(&value, -1, NULL, NULL, NULL);
  if (r != 0) return r == X509ASN_E_TAG ? X509ASN_E_NAME : r;
  return cur_empty(&value) ? 0 : X509ASN_E_TRAILING;
}

/* GeneralNames content: GeneralName ... */
static int check_gn_body(asn_cur body) {
  while (!cur_empty(&body)) {
    unsigned char t = body.p[0];
    if (!gn_choice_ok(t)) return X509ASN_E_NAME;
    asn_cur content;
    int r = asn_take(&body, t, NULL, NULL, &content);
    if (r != 0) return r;
    if (t == 0xA0) {
      r = check_other_name(content);
      if (r != 0) return r;
    } else if (t == 0x88) {
      /* registeredID [8] OBJECT IDENTIFIER (implicit: the content octets) */
      r = cur_oid_check(&content);
      if (r != 0) return r;
    } else if (t == 0xA4) {
      /* directoryName [4] Name: exactly one Name */
      asn_cur dn;
      if (cur_empty(&content)) return X509ASN_E_NAME;
      r = take_part(&content, 0x30, NULL, NULL, &dn);
      if (r != 0) return r;
      r = check_dn_body(dn);
      if (r != 0) return r;
      if (!cur_empty(&content)) return X509ASN_E_TRAILING;
    }
  }
  return 0;
}

int isDN(const Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b);
  if (cur_empty(&c)) return X509ASN_E_SHORT;
  if (c.p[0] != 0x30) return X509ASN_E_TAG;
  asn_hdr h;
  int r = asn_read_hdr(&c, &h);
  if (r != 0) return r;
  asn_cur body = {c.p + h.hdr_len, h.indefinite ? c.end : c.p + h.hdr_len + h.len};
  if (!h.indefinite && cur_empty(&body)) return 1;
  if (h.indefinite && cur_left(&body) >= 2 && body.p[0] == 0 && body.p[1] == 0) return 1;
  if (cur_empty(&body)) return X509ASN_E_SHORT;
  unsigned char first = body.p[0];
  if (first == 0x31) return 1;
  if ((first & 0xC0) == 0x80) return 2;
  return X509ASN_E_NAME;
}

/* ---- the walk ----------------------------------------------------------- */

static void set_view(Buffer* out, const unsigned char* p, uint32_t n) {
  if (out == NULL) return;
  out->start = NULL;
  out->data = (unsigned char*)p;
  out->len = n;
}

/* Starts a walk of the given kind: checks the whole element and fills the
 * state so that the next step delivers the first attribute. */
static int start_walk(x509_walk_state_t* st, const Buffer* name, uint32_t kind) {
  memset(st, 0, sizeof *st);
  st->kind = kind;
  st->status = X509ASN_E_STATE;
  if (name == NULL) return st->status = X509ASN_E_ARG;
  asn_cur c = cur_of(name), elem, body;
  int r = asn_take(&c, 0x30, NULL, &elem, &body);
  if (r == 0) r = kind == X509_WALK_DN ? check_dn_body(body) : check_gn_body(body);
  if (r != 0) return st->status = r;
  st->base.p = elem.p;
  st->total = cur_left(&elem);
  st->pos = (uint32_t)(body.p - elem.p);
  st->seq_end = (uint32_t)(body.end - elem.p);
  st->rdn_end = st->pos;
  st->status = 1;
  return 0;
}

/* A state fit for a step of the given kind, or its sticky result. */
static int state_ready(const x509_walk_state_t* st, uint32_t kind) {
  if (st == NULL) return X509ASN_E_ARG;
  if ((st->kind & KIND_MASK) != kind) return X509ASN_E_STATE;
  if (st->status <= 0) return st->status;
  if (st->base.p == NULL || st->seq_end > st->total || st->pos > st->seq_end ||
      st->rdn_end > st->seq_end)
    return X509ASN_E_STATE;
  return 1;
}

static int step_dn(x509_walk_state_t* st, unsigned char* tag, Buffer* type, Buffer* value) {
  int r = state_ready(st, X509_WALK_DN);
  if (r <= 0) return r;
  const unsigned char* base = st->base.p;
  for (;;) {
    if (st->kind & IN_SET) {
      if (st->pos < st->rdn_end) {
        asn_cur c = {base + st->pos, base + st->rdn_end}, oid, v;
        asn_hdr h;
        r = take_atv(&c, &oid, &h, &v);
        if (r != 0) return st->status = r;
        st->pos = (uint32_t)(c.p - base);
        st->enclosed = st->pos < st->rdn_end;
        st->index++;
        if (tag != NULL) *tag = h.tag;
        set_view(type, oid.p, cur_left(&oid));
        set_view(value, v.p, cur_left(&v));
        return st->status = 1;
      }
      /* The RDN is done: step over its SET's end (00 00 when indefinite). */
      st->pos = st->rdn_end + ((st->kind & SET_INDEF) ? 2u : 0u);
      st->kind &= ~(IN_SET | SET_INDEF);
      if (st->pos > st->seq_end) return st->status = X509ASN_E_STATE;
    }
    if (st->pos >= st->seq_end) {
      st->enclosed = 0;
      return st->status = 0;
    }
    asn_cur c = {base + st->pos, base + st->seq_end}, set;
    asn_hdr h;
    r = take_part(&c, 0x31, &h, NULL, &set);
    if (r != 0) return st->status = r;
    st->pos = (uint32_t)(set.p - base);
    st->rdn_end = (uint32_t)(set.end - base);
    st->kind |= IN_SET | (h.indefinite ? SET_INDEF : 0u);
  }
}

static int step_gn(x509_walk_state_t* st, unsigned char* tag, Buffer* type, Buffer* value) {
  int r = state_ready(st, X509_WALK_GN);
  if (r <= 0) return r;
  const unsigned char* base = st->base.p;
  st->enclosed = 0;
  if (st->pos >= st->seq_end) return st->status = 0;
  asn_cur c = {base + st->pos, base + st->seq_end}, elem, content;
  r = asn_take(&c, -1, NULL, &elem, &content);
  if (r != 0) return st->status = r;
  st->pos = (uint32_t)(c.p - base);
  st->index++;
  if (tag != NULL) *tag = elem.p[0];
  set_view(type, elem.p, 1);
  set_view(value, content.p, cur_left(&content));
  return st->status = 1;
}

int x509_dn_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag, Buffer* type,
                 Buffer* value) {
  if (state == NULL) return X509ASN_E_ARG;
  int r = start_walk(state, name, X509_WALK_DN);
  if (r != 0) return r;
  return step_dn(state, tag, type, value);
}

int x509_dn_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type, Buffer* value) {
  return step_dn(state, tag, type, value);
}

int x509_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag, Buffer* type,
              Buffer* value) {
  if (state == NULL) return X509ASN_E_ARG;
  int r = start_walk(state, name, X509_WALK_GN);
  if (r != 0) return r;
  return step_gn(state, tag, type, value);
}

int x509_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type, Buffer* value) {
  return step_gn(state, tag, type, value);
}

int x509_U_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag, Buffer* type,
                Buffer* value) {
  if (state == NULL) return X509ASN_E_ARG;
  int k = isDN(name);
  if (k < 0) {
    memset(state, 0, sizeof *state);
    state->status = k;
    return k;
  }
  return k == 1 ? x509_dn_gfra(state, name, tag, type, value)
                : x509_gfra(state, name, tag, type, value);
}

int x509_U_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type, Buffer* value) {
  if (state == NULL) return X509ASN_E_ARG;
  switch (state->kind & KIND_MASK) {
    case X509_WALK_DN: return step_dn(state, tag, type, value);
    case X509_WALK_GN: return step_gn(state, tag, type, value);
    default: return state->status < 0 ? state->status : X509ASN_E_STATE;
  }
}
