/* Keyword tables of distinguished-name attributes and general-name choices
 * (text names, name walks, selectors from names). Selector tags: X509S (type 16) and
 * X509I (type 17) elements of subtype s have the tags 32 + 512 s and
 * 34 + 512 s. */
#include "internal.h"

#define SUBJ(s) ((uint16_t)(32 + 512 * (s)))
#define ISS(s) ((uint16_t)(34 + 512 * (s)))
#define ROW(s, oid, kw) {SUBJ(s), ISS(s), oid, kw, sizeof(kw) - 1}
#define ROW0(oid, kw) {0, 0, oid, kw, sizeof(kw) - 1}

/* Selector component subtypes (X509S_... / X509I_...). */
enum {
  kCountry = 0,
  kState = 1,
  kLocality = 2,
  kOrg = 3,
  kUnit = 4,
  kCN = 5,
  kTitle = 6,
  kSurname = 7,
  kGivenName = 8,
  kInitials = 9,
  kMail = 10,
  kDNS = 11,
  kIP = 12,
};

/* Row i is component subtype i for i < 11; the rows after have no
 * component (subtypes 11 and 12, DNS and IP, belong to general names). */
const x509_keyword_t sub_rdn[X509_SUB_RDN_COUNT] = {
    ROW(kCountry, id_at_countryName, "C"),
    ROW(kState, id_at_stateOrProvinceName, "ST"),
    ROW(kLocality, id_at_localityName, "L"),
    ROW(kOrg, id_at_organizationName, "O"),
    ROW(kUnit, id_at_organizationalUnitName, "OU"),
    ROW(kCN, id_at_commonName, "CN"),
    ROW(kTitle, id_at_title, "T"),
    ROW(kSurname, id_at_surname, "SN"),
    ROW(kGivenName, id_at_givenName, "GN"),
    ROW(kInitials, id_at_initials, "initials"),
    ROW(kMail, id_emailAddress, "emailAddress"),
    ROW0(id_domainComponent, "DC"),
    ROW0(id_at_serialNumber, "serialNumber"),
    ROW0(id_at_streetAddress, "street"),
    ROW0(id_userId, "UID"),
    ROW0(id_at_organizationIdentifier, "organizationIdentifier"),
};

/* Row i is GeneralName choice [i]; entry 4 is the directory name. */
const x509_keyword_t sub_rgn[X509_SUB_RGN_COUNT] = {
    ROW0(gn_otherName, "otherName"),
    ROW(kMail, gn_rfc822Name, "email"),
    ROW(kDNS, gn_dNSName, "DNS"),
    ROW0(gn_x400Address, "x400Address"),
    ROW0(directoryName, "dirName"),
    ROW0(gn_ediPartyName, "ediPartyName"),
    ROW0(gn_uniformResourceIdentifier, "URI"),
    ROW(kIP, gn_iPAddress, "IP"),
    ROW0(gn_registeredID, "RID"),
};

/* Row i is component subtype 10 + i for i < 3 (the components selectors are built from). */
const x509_keyword_t sub_recognized_rgn[X509_SUB_RECOGNIZED_RGN_COUNT] = {
    ROW(kMail, gn_rfc822Name, "email"),
    ROW(kDNS, gn_dNSName, "DNS"),
    ROW(kIP, gn_iPAddress, "IP"),
    ROW0(gn_uniformResourceIdentifier, "URI"),
    ROW0(directoryName, "dirName"),
    ROW0(gn_otherName, "otherName"),
    ROW0(gn_x400Address, "x400Address"),
    ROW0(gn_ediPartyName, "ediPartyName"),
    ROW0(gn_registeredID, "RID"),
};
