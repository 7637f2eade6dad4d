// X509CRL, the implementation of TCRL: one CertificateList parsed in place
// with one cursor (definite and indefinite lengths) or built field by field.
// The revoked entries of a parsed list are kept as a compact table of views
// into the DER; the certificate objects of getRevokedCerts() are made from
// it on request, and findRevokedCert answers from a hash index over the
// serial numbers built on first use.
#ifndef PKIX_CRL_X509CRL_H_
#define PKIX_CRL_X509CRL_H_

#include <cstdint>
#include <vector>

#include "crl/crlextn.h"
#include "crl/tcrl.h"
#include "support/der_reader.h"
#include "support/ref.h"

class X509CRL : public TCRL {
 public:
  X509CRL() = default;
  ~X509CRL() override = default;

  int getType() override { return error_ = 0, 1; }
  int setStatus(TCert::cert_status_t s) override { return status_ = s, error_ = 0; }
  TCert::cert_status_t getStatus() override;
  TName* getIssuer() override;
  TName* getTName(TName::name_type_t t) override;
  TName* getNormName(TName::name_type_t t) override;
  int setTName(TName* n) override;
  pki_alg_t getSignatureAlgorithm() override { return error_ = 0, sign_alg_; }
  int setSignatureAlgorithm(pki_alg_t a) override;
  TBuf* getRaw(TCert* issuer, TKey* key) override;
  int setRaw(TBuf* in) override;
  unsigned getVersion() override { return error_ = 0, version_; }
  int setVersion(unsigned v) override;
  long getThisReleaseTime() override { return error_ = 0, this_update_; }
  int setThisReleaseTime(long t) override { return this_update_ = t, error_ = 0; }
  long getNextReleaseTime() override { return error_ = 0, next_update_; }
  int setNextReleaseTime(long t) override { return next_update_ = t, next_saturated_ = false, error_ = 0; }
  TCertList* getRevokedCerts() override;
  int addRevokedCert(TCert* c) override;
  int setRevokedCerts(TCertList* l) override;
  TExtnList* getCRLExtns() override;
  int setCRLExtns(TExtnList* l) override;
  int addCRLExtn(TExtn* e) override;
  TDPList* getDistributionPoints() override;
  int isSuccessor(TCRL* next) override;
  int checkSign(TCert* issuer) override;
  int error() override { return error_; }
  TCRL* dup() override;
  X509CRLReasons getReasons() override;
  int setReasons(X509CRLReasons& r) override;
  TCert* findRevokedCert(TCert* c) override;

  // The number of revoked entries (of the parsed table, or of the list
  // once the entries were changed through the setters).
  unsigned revokedCount();
  // 1 when c (its serial number and issuer) is on the list, else 0 (error
  // 36; 4 for null). Makes no object: the fast form of findRevokedCert.
  int isRevoked(TCert* c);
  // 1 when an entry of the list's own issuer carries the serial number
  // (the INTEGER's content octets), else 0.
  int isSerialRevoked(const unsigned char* serial, unsigned len);
  // The issuing distribution point (a new reference), or null.
  IDP* getIDP();

 private:
  // One revoked entry of the parsed DER, as offsets from the list's first
  // octet.
  struct Entry {
    uint32_t serial;      // serial INTEGER's content octets
    uint32_t extns;       // crlEntryExtensions element (0: none)
    uint32_t extns_len;
    int32_t revoked;      // revocation date
    uint16_t serial_len;
    uint16_t issuer;      // index into issuers_
  };

  void reset();
  // The issuer of a list about to be encoded: the certificate's subject as
  // the issuer name, the extensions rebuilt for it. 0 or the failing code.
  int takeIssuer(TCert* issuer);
  // True when a time of the list or of an entry is a saturated 32-bit
  // value (a date the module could not hold) that would be written wrong.
  bool holdsSaturatedTime();
  int parse(const Buffer& in, Buffer* whole);
  int parseTbs(DerReader& tbs);
  int parseEntries(DerReader& seq);
  int parseEntry(DerReader& entry);
  int parseExtensions(DerReader& seq);
  // Makes the certificate list from the table (once).
  int materialise();
  TCert* entryObject(uint32_t i);
  void buildIndex();
  uint32_t slotOf(const unsigned char* serial, uint32_t len) const;
  // The entry number revoking the serial for an issuer that issuerMatches
  // (called once per issuer of the table) accepts; -1 when there is none.
  template <class IssuerMatches>
  long lookup(const unsigned char* serial, uint32_t len, IssuerMatches issuerMatches);
  // The table's issuer i as a name, made on first use; null when it cannot
  // be made.
  TName* issuerName(uint16_t i);
  // The distinguished-name issuer: the parsed one (made on first use) or
  // the one set.
  TName* dn();
  // The entry number revoking c in the table, or -1.
  long entryOf(TCert* c);
  // Builds the extension objects from the parsed element (once).
  int ensureExtensions();
  // What a getter of a held object returns: null with the preparation's
  // code when it failed, null with 40 when nothing is held, else a new
  // reference.
  template <class T>
  T* handOut(int prepared, const Ref<T>& slot);

  // The DER (a view of the caller's buffer), or none.
  Ref<TBuf> raw_;
  Buffer tbs_{};        // TBSCertList element inside raw_
  Buffer signature_{};  // BIT STRING value octets inside raw_
  const unsigned char* base_ = nullptr;
  pki_alg_t sign_alg_ = 0;
  long this_update_ = -1;
  long next_update_ = -1;
  // nextUpdate was present but past 2038 (held as the saturated value).
  bool next_saturated_ = false;
  unsigned version_ = static_cast<unsigned>(-1);
  Ref<TName> issuer_dn_;  // made from issuer_view_ on first use
  Ref<TName> issuer_gn_;
  Buffer issuer_view_{};  // the issuer Name element inside raw_
  bool dn_from_der_ = false;  // issuer_dn_ is made from issuer_view_
  Buffer extns_view_{};   // the crlExtensions [0] element inside raw_
  int derived_ = 0;
  Ref<TExtnList> extns_;
  TCert::cert_status_t status_ = 0;
  int error_ = 0;

  // Entries of the parsed DER and the issuers they name (0 the list's
  // issuer; an indirect list's certificate-issuer extensions add more).
  std::vector<Entry> entries_;
  std::vector<Ref<TName>> issuers_;
  // The issuers' DER, compared octet by octet before names are compared.
  std::vector<Buffer> issuer_ders_;
  std::vector<Ref<TBuf>> issuer_der_owners_;
  // Open-addressed hash of entry numbers + 1 by serial (0 empty), built on
  // the first lookup.
  std::vector<uint32_t> index_;
  // The entries as certificates, made on request; once changed through the
  // setters the list is the truth and the table is no longer used.
  Ref<TCertList> revoked_;
  bool table_current_ = true;
  // Parse state: the first code to report (6 for algorithms) and the
  // entry issuer in force.
  int parse_error_ = 0;
  Buffer inner_alg_{};  // the TBSCertList's AlgorithmIdentifier element
  uint16_t current_issuer_ = 0;
};

#endif  // PKIX_CRL_X509CRL_H_
