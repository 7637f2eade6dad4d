#!/bin/sh
# pkixtool's revocation-list commands against the openssl command as
# oracle: crl show of every sample list says what `openssl crl` says (issuer,
# dates, signature algorithm, CRL number, every entry's serial and reason);
# crl verify and cert check agree with openssl's signature and revocation
# verdicts; sets written by crl bundle read back with `openssl pkcs7`, sets
# openssl writes read with crl unbundle; broken input gives exit 1 and a
# message, never a crash. No case reads the clock: openssl verify runs at a
# fixed time.
#   tool_crl.sh EXAMPLES_DIR TOOL-COMMAND...
set -u
examples=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
cases=0
c="$examples/certs"
l="$examples/crl"
t="$tmp"

# check EXPECTED-EXIT TEXT ARGS... and the tool wrapper: tool_check.sh.
. "$(dirname "$0")/tool_check.sh"
use_tool "$@"

# Two texts that must be equal: WHAT, EXPECTED (the oracle's), GOT.
same() {
  cases=$((cases + 1))
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s:\n  openssl: %s\n  pkixtool: %s\n' "$1" "$2" "$3"
    fail=1
  fi
}

# One octet of value N (decimal).
octet() { printf "\\$(printf %03o "$1")"; }
# The DER element of tag TAG (decimal) around the content of FILE.
wrap() {
  n=$(wc -c < "$2")
  octet "$1"
  if [ "$n" -lt 128 ]; then
    octet "$n"
  elif [ "$n" -lt 256 ]; then
    octet 129
    octet "$n"
  elif [ "$n" -lt 65536 ]; then
    octet 130
    octet $((n / 256))
    octet $((n % 256))
  else
    octet 131
    octet $((n / 65536))
    octet $((n / 256 % 256))
    octet $((n % 256))
  fi
  cat "$2"
}
# FILE with its last octet's lowest bit flipped.
flip_last() {
  n=$(wc -c < "$1")
  head -c $((n - 1)) "$1"
  octet $(($(tail -c 1 "$1" | od -An -tu1) ^ 1))
}

# --- 1. crl show against openssl crl ---------------------------------------
# Every entry as "SERIAL REASON" ("-" without reason), from openssl's text.
oracle_entries() {
  openssl crl -inform DER -in "$1" -noout -text | awk '
    function flush() { if (serial != "") print serial, reason }
    /Serial Number:/ { flush(); serial = $3; reason = "-"; next }
    want { gsub(/ /, ""); reason = tolower(substr($0, 1, 1)) substr($0, 2); want = 0; next }
    /CRL Reason Code:/ { want = 1 }
    /^    Signature Algorithm:/ { flush(); serial = "" }
    END { flush() }'
}
# The same from pkixtool crl show --all.
tool_entries() {
  sed -n 's/^  serial \([0-9A-F]*\), .*/&/p' "$1" | sed 's/^  serial \([0-9A-F]*\), [^,]*\(, reason \([A-Za-z]*\)\)\{0,1\}.*/\1 \3/; s/ $/ -/'
}
for f in "$l"/*.der "$examples"/crls/*.der; do
  name=$(basename "$f")
  cases=$((cases + 1))
  if ! "$TOOL" crl show "$f" --all > "$t/show" 2>&1; then
    echo "FAIL pkixtool crl show $name: $(head -c 500 "$t/show")"
    fail=1
    continue
  fi
  same "$name issuer" "$(openssl crl -inform DER -in "$f" -noout -issuer -nameopt oneline | sed 's/^issuer=//; s/ = /=/g')" \
    "$(sed -n 's/^issuer: //p' "$t/show")"
  same "$name this update" "$(openssl crl -inform DER -in "$f" -noout -lastupdate -dateopt iso_8601 | sed 's/^lastUpdate=//')" \
    "$(sed -n 's/^this update: \(.*\) UTC$/\1Z/p' "$t/show")"
  same "$name next update" "$(openssl crl -inform DER -in "$f" -noout -nextupdate -dateopt iso_8601 | sed 's/^nextUpdate=//')" \
    "$(sed -n 's/^next update: \(.*\) UTC$/\1Z/p; s/^next update: none .*/NONE/p' "$t/show")"
  same "$name signature algorithm" \
    "$(openssl crl -inform DER -in "$f" -noout -text | sed -n 's/^ *Signature Algorithm: //p' | head -1)" \
    "$(sed -n 's/^signature algorithm: \([^ ]*\) .*/\1/p' "$t/show")"
  number=$(openssl crl -inform DER -in "$f" -noout -crlnumber | sed 's/^crlNumber=//')
  [ "$number" = "<NONE>" ] || number=$((number))
  got=$(sed -n 's/^  CRL number: //p' "$t/show")
  same "$name CRL number" "$number" "${got:-<NONE>}"
  oracle_entries "$f" > "$t/want"
  same "$name number of entries" "$(wc -l < "$t/want")" "$(sed -n 's/^entries: //p' "$t/show")"
  same "$name entries" "$(cat "$t/want")" "$(tool_entries "$t/show")"
done
# What the extensions mean, and entries past the first ten only with --all.
check 0 "delta CRL indicator (critical): base CRL number 4096" crl show "$l/delta.der"
check 0 "authority key identifier: key id 64:73:17:DE:39:BD:B5:48:37:0C:BC:87:17:81:0B:2A:2B:25:D9:AC" \
  crl show "$l/v2-reasons.der"
check 0 "only some reasons: keyCompromise, cACompromise, superseded" crl show "$l/idp-reasons.der"
check 0 "full name: URI=ldap://ldap.example.org/" crl show "$l/idp-reasons.der"
check 0 "only CA certificates" crl show "$l/idp-only-ca.der"
check 0 "indirect CRL" crl show "$l/indirect.der"
check 0 "serial 65, revoked 2026-12-10 13:39:00 UTC, reason cACompromise, certificate issuer C=DE, O=Example, OU=PKI, CN=Example Root CA" \
  crl show "$l/indirect.der"
check 0 "serial 1002, revoked 2026-12-10 13:39:00 UTC, reason keyCompromise, invalid since 20260101000000Z" \
  crl show "$l/v2-reasons.der"
check 0 "version: 1" crl show "$l/v1.der"
check 0 "extensions: none" crl show "$l/v1.der"
# A list of twelve entries made by openssl ca: ten shown, the rest counted.
mkdir "$t/ca"
openssl x509 -inform DER -in "$c/sub-ca.der" -out "$t/ca/sub-ca.pem"
openssl pkey -inform DER -in "$examples/keys/sub-key.p8.der" -out "$t/ca/sub-ca-key.pem" 2> /dev/null
if [ -s "$t/ca/sub-ca-key.pem" ]; then
  : > "$t/ca/index.txt"
  for sn in 1001 1002 1003 1004 1005 1006 1007 1008 1009 100A 100B; do
    printf 'R\t361201000000Z\t261201000000Z,superseded\t%s\tunknown\t/CN=entry %s\n' "$sn" "$sn" >> "$t/ca/index.txt"
  done
  # The last entry revoked in 2040, the list's next update in 2045: dates
  # past 2038 as the list states them.
  printf 'R\t491201000000Z\t400101000000Z,keyCompromise\t100C\tunknown\t/CN=entry 100C\n' >> "$t/ca/index.txt"
  cat > "$t/ca/ca.cnf" <<CNF
[ca]
default_ca = d
[d]
database = $t/ca/index.txt
crlnumber = $t/ca/crlnumber
default_md = sha256
default_crl_days = 30
CNF
  echo 1000 > "$t/ca/crlnumber"
  openssl ca -config "$t/ca/ca.cnf" -gencrl -crl_lastupdate 261201000000Z -crl_nextupdate 20450101000000Z -keyfile "$t/ca/sub-ca-key.pem" -cert "$t/ca/sub-ca.pem" \
    -out "$t/ca/twelve.pem" 2> "$t/ca/err"
  check 0 "entries: 12" crl show "$t/ca/twelve.pem"
  check 0 "(2 more; --all shows every entry)" crl show "$t/ca/twelve.pem"
  [ "$(grep -c '^  serial ' "$t/out")" = 10 ] || { echo "FAIL crl show: not ten entries: $(cat "$t/out")"; fail=1; }
  check 0 "serial 100B, revoked 2026-12-01 00:00:00 UTC, reason superseded" crl show --all "$t/ca/twelve.pem"
  check 0 "serial 100C, revoked 2040-01-01 00:00:00 UTC, reason keyCompromise" crl show --all "$t/ca/twelve.pem"
  check 0 "next update: 2045-01-01 00:00:00 UTC" crl show "$t/ca/twelve.pem"
  check 0 "this update: 2026-12-01 00:00:00 UTC" crl show "$t/ca/twelve.pem"
  check 0 "signature OK" crl verify "$t/ca/twelve.pem" "$c/sub-ca.der"
else
  echo "FAIL: no sub CA key in $examples/keys"
  fail=1
fi

# --- 2. crl verify, with openssl crl -CAfile as oracle ---------------------
# LIST ISSUER: each list with the certificate of its issuer.
for pair in v2-reasons.der:sub-ca.der v1.der:sub-ca.der no-next-update.der:sub-ca.der idp-reasons.der:sub-ca.der \
  idp-only-ca.der:root-ca.der indirect.der:sub-ca.der delta.der:sub-ca.der sha256.der:sub-ca.der \
  ecdsa.der:ec256-sub.der dsa.der:dsa-ca.der; do
  f="$l/${pair%%:*}"
  ca="$c/${pair#*:}"
  openssl x509 -inform DER -in "$ca" -out "$t/issuer.pem"
  flip_last "$f" > "$t/tampered.der"
  # Good, tampered, and signed by another CA: openssl's verdict, then ours.
  for case in "$f:$ca" "$t/tampered.der:$ca" "$f:$c/ec384-root.der"; do
    list=${case%%:*}
    by=${case#*:}
    openssl x509 -inform DER -in "$by" -out "$t/by.pem"
    if openssl crl -inform DER -in "$list" -CAfile "$t/by.pem" -noout 2>&1 | grep -q "verify OK"; then
      check 0 "signature OK" crl verify "$list" "$by"
    else
      check 1 "signature FAILED (code " crl verify "$list" "$by"
    fi
  done
done
# A good list must verify under its issuer at all (openssl agreed above).
check 0 "signature OK" crl verify "$l/v2-reasons.der" "$c/sub-ca.der"
check 0 "signature OK" crl verify "$l/ecdsa.der" "$c/ec256-sub.der"

# --- 3. cert check, with openssl verify -crl_check as oracle ---------------
openssl x509 -inform DER -in "$c/root-ca.der" -out "$t/chain.pem"
openssl x509 -inform DER -in "$c/sub-ca.der" >> "$t/chain.pem"
openssl crl -inform DER -in "$l/v2-reasons.der" -out "$t/v2.pem"
# An hour after the list was issued: no case depends on today's date.
at=$(($(date -u -d "$(openssl crl -in "$t/v2.pem" -noout -lastupdate -dateopt iso_8601 | sed 's/^lastUpdate=//; s/Z$//')" +%s) + 3600))
for cert in revoked.der server.der md5-user.der server-sha256.der; do
  if openssl verify -attime "$at" -crl_check -CRLfile "$t/v2.pem" -CAfile "$t/chain.pem" "$c/$cert" > /dev/null 2>&1; then
    check 0 "$cert: not revoked (1 of 1 lists used)" cert check "$c/$cert" "$l/v2-reasons.der" --issuer "$c/sub-ca.der"
  else
    check 1 "$cert: revoked on 2026-12-10 13:39:00 UTC, reason keyCompromise" \
      cert check "$c/$cert" "$l/v2-reasons.der" --issuer "$c/sub-ca.der"
  fi
done
# The list's signature checked first: under the wrong issuer it is not used.
check 1 "v2-reasons.der: signature FAILED (code 14852: the signature does not verify) under $c/root-ca.der; the list is not used" \
  cert check "$c/revoked.der" "$l/v2-reasons.der" --issuer "$c/root-ca.der"
check 1 "revoked.der: not revoked (0 of 1 lists used)" cert check "$c/revoked.der" "$l/v2-reasons.der" --issuer "$c/root-ca.der"
flip_last "$l/v2-reasons.der" > "$t/v2-tampered.der"
check 1 "the list is not used" cert check "$c/server.der" "$t/v2-tampered.der" --issuer "$c/sub-ca.der"
# Without --issuer the list is used as it is; several lists, several files.
check 1 "revoked on 2026-12-10 13:39:00 UTC, reason keyCompromise" cert check "$c/revoked.der" "$l/v2-reasons.der"
check 0 "not revoked (3 of 3 lists used)" cert check "$c/server.der" "$l/v2-reasons.der" "$l/v1.der" "$l/delta.der"
# Issuer and serial both matter: serial 67 of the EC CA's certificate is
# not on the sub CA's list; the indirect list revokes the root's 65 (the
# sub CA), and the sub CA's own 66 (server.der), not the root's 01.
check 0 "not revoked" cert check "$c/ec-user.der" "$l/v2-reasons.der" "$l/ecdsa.der"
check 1 "sub-ca.der: revoked on 2026-12-10 13:39:00 UTC, reason cACompromise, certificate issuer C=DE, O=Example, OU=PKI, CN=Example Root CA" \
  cert check "$c/sub-ca.der" "$l/indirect.der"
check 1 "server.der: revoked on 2026-12-10 13:39:00 UTC (" cert check "$c/server.der" "$l/indirect.der"
check 0 "root-ca.der: not revoked" cert check "$c/root-ca.der" "$l/indirect.der"
check 0 "ec256-leaf.der: not revoked" cert check "$c/ec256-leaf.der" "$l/ecdsa.der" --issuer "$c/ec256-sub.der"

# --- 4. Sets: crl bundle and unbundle, openssl pkcs7 both ways --------------
check 0 "10 CRLs, " crl bundle -o "$t/all.set" "$l"/*.der
# The set as a SignedData's crls [1], read back by openssl.
{ octet 2; octet 1; octet 1; octet 49; octet 0; } > "$t/sd-head"
printf '\060\013\006\011\052\206\110\206\367\015\001\007\001' >> "$t/sd-head"
{ octet 161; tail -c +2 "$t/all.set"; } > "$t/crls"
{ cat "$t/sd-head" "$t/crls"; octet 49; octet 0; } > "$t/sd-body"
wrap 48 "$t/sd-body" > "$t/sd"
wrap 160 "$t/sd" > "$t/sd-explicit"
{ printf '\006\011\052\206\110\206\367\015\001\007\002'; cat "$t/sd-explicit"; } > "$t/ci-body"
wrap 48 "$t/ci-body" > "$t/all.p7"
cases=$((cases + 1))
if openssl pkcs7 -inform DER -in "$t/all.p7" -print_certs > "$t/p7" 2>&1; then
  same "bundle read by openssl pkcs7: lists" 10 "$(grep -c 'Certificate Revocation List' "$t/p7")"
  # Each list's signature value (its first line as openssl prints it)
  # appears among what openssl read.
  for f in "$l"/*.der; do
    sig=$(openssl crl -inform DER -in "$f" -noout -text | sed -n '/Signature Value/{n;p;}' | tr -d ' ')
    cases=$((cases + 1))
    grep -qF "$sig" "$t/p7" || { echo "FAIL openssl pkcs7 does not read $(basename "$f") in the bundle"; fail=1; }
  done
else
  echo "FAIL openssl pkcs7 cannot read the bundle: $(head -c 500 "$t/p7")"
  fail=1
fi
# Unbundled, every list comes back whole (the last bundled first).
check 0 "10: C=DE, O=Example, OU=PKI, CN=Example Sub CA" crl unbundle "$t/all.set" "$t/u"
i=10
for f in "$l"/*.der; do
  cases=$((cases + 1))
  cmp -s "$f" "$t/u$i.der" || { echo "FAIL unbundled $t/u$i.der is not $(basename "$f")"; fail=1; }
  i=$((i - 1))
done
# A set openssl writes (crl2pkcs7: the crls [1] of a SignedData) read by
# crl unbundle.
openssl crl -inform DER -in "$l/dsa.der" -out "$t/dsa.pem"
openssl crl2pkcs7 -in "$t/dsa.pem" -outform DER -out "$t/ossl.p7"
off=$(openssl asn1parse -inform DER -in "$t/ossl.p7" | sed -n 's/^ *\([0-9]*\):d=3 *hl=\([0-9]*\) *l= *\([0-9]*\) cons: cont \[ 1 \].*/\1 \2 \3/p')
set -- $off
tail -c +$(($1 + 1)) "$t/ossl.p7" | head -c $(($2 + $3)) > "$t/ossl.set"
check 0 "1: C=DE, O=Example, CN=Example DSA CA" crl unbundle "$t/ossl.set" "$t/o"
cases=$((cases + 1))
cmp -s "$l/dsa.der" "$t/o1.der" || { echo "FAIL openssl's set: the list read back differs"; fail=1; }

# --- 5. Hostile input --------------------------------------------------------
head -c 200 "$l/v2-reasons.der" > "$t/short.der"
(cat "$l/v2-reasons.der"; printf 'XYZ') > "$t/trail.der"
(cat "$l/v1.der" "$l/delta.der") > "$t/two.der"
(cat "$t/all.set"; printf '\0') > "$t/set-trail"
: > "$t/empty"
openssl crl -inform DER -in "$l/delta.der" -out "$t/delta.pem"
cat "$t/v2.pem" "$t/delta.pem" > "$t/two.pem"
openssl x509 -inform DER -in "$c/server.der" -out "$t/server.pem"
openssl base64 -in "$t/trail.der" | sed '1i -----BEGIN X509 CRL-----' > "$t/pem-trail.pem"
echo '-----END X509 CRL-----' >> "$t/pem-trail.pem"
check 1 "short.der: not a CRL: input ends inside an element (code -36)" crl show "$t/short.der"
check 1 "trail.der: 3 octets follow the CRL" crl show "$t/trail.der"
check 1 "two.der: " crl show "$t/two.der"
check 1 "pem-trail.pem: 3 octets follow the CRL" crl show "$t/pem-trail.pem"
check 1 "server.der: a certificate, not a CRL" crl show "$c/server.der"
check 1 "server.pem holds no CRL (PEM blocks: CERTIFICATE)" crl show "$t/server.pem"
check 1 "empty: not a CRL: empty" crl show "$t/empty"
check 1 "trail.der: 3 octets follow the CRL" crl verify "$t/trail.der" "$c/sub-ca.der"
check 1 "server.der: a certificate, not a CRL" crl verify "$c/server.der" "$c/sub-ca.der"
check 1 "v2-reasons.der: not a certificate" crl verify "$l/v2-reasons.der" "$l/v2-reasons.der"
check 1 "trail.der: 3 octets follow the CRL" cert check "$c/server.der" "$t/trail.der"
check 1 "short.der: not a CRL" cert check "$c/server.der" "$l/v1.der" "$t/short.der"
check 1 "trail.der: 3 octets follow the CRL" crl bundle -o "$t/x.set" "$t/trail.der"
check 1 "set-trail: 1 octets follow the CRL set" crl unbundle "$t/set-trail"
check 1 "not a CRL set the module can use" crl unbundle "$l/v1.der"
check 0 "not revoked (1 of 1 lists used)" cert check "$c/server.der" "$t/v2.pem" --issuer "$c/sub-ca.der"
check 0 "two.pem holds 2 CRLs; the first is used" crl show "$t/two.pem"
check 0 "2 CRLs, " crl bundle -o "$t/two.set" "$t/two.pem"
check 0 "not revoked (2 of 2 lists used)" cert check "$c/server.der" "$t/two.pem" --issuer "$c/sub-ca.der"
# Every write checked.
check 1 "cannot write /dev/full: No space left on device" crl bundle -o /dev/full "$l/v1.der"
check 1 "cannot write $t/none/x1.der: No such file or directory" crl unbundle "$t/all.set" "$t/none/x"
cases=$((cases + 1))
"$TOOL" crl show "$l/v2-reasons.der" > /dev/full 2> "$t/out"
[ $? = 1 ] && grep -q "cannot write standard output: No space left on device" "$t/out" ||
  { echo "FAIL crl show to a full standard output: $(cat "$t/out")"; fail=1; }
# Wrong arguments: exit 2.
check 2 "usage: pkixtool crl show FILE [--all]" crl show
check 2 "usage: pkixtool crl show FILE [--all]" crl show a b
check 2 "usage: pkixtool crl verify CRL ISSUER" crl verify "$l/v1.der"
check 2 "usage: pkixtool crl bundle" crl bundle -o
check 2 "usage: pkixtool crl unbundle" crl unbundle
check 2 "usage: pkixtool cert check CERT CRL... [--issuer CA]" cert check "$c/server.der"
check 2 "usage: pkixtool cert check" cert check "$c/server.der" "$l/v1.der" --issuer

echo "cases: $cases"
exit $fail
