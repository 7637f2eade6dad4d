#!/bin/sh
# pkixtool crl create and crl revoke against the openssl command as oracle:
# lists the module encodes and signs pass `openssl crl -verify` under their
# issuer (RSA, DSA and ECDSA), and openssl reads back the issuer, the times
# given with --now, every entry's serial, date and reason, the CRL number
# and the issuing distribution point; crl revoke writes the next issue
# (CRL number + 1, the old entries and the new, a successor of the old
# list); bad arguments give exit 2, unusable input exit 1. The clock is
# never read: every list is issued at a --now date.
#   tool_crl_create.sh EXAMPLES_DIR TOOL-COMMAND...
# Exit 77 (skipped) when the host offers no generic ASN.1 service, without
# which the module encodes nothing.
set -u
examples=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
cases=0
c="$examples/certs"
k="$examples/keys"
t="$tmp"

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
# openssl's text of a list (DER or PEM).
text() {
  openssl crl -inform "$2" -in "$1" -noout -text 2>&1
}
# openssl's signature verdict of a list under an issuer certificate (DER).
verdict() {
  openssl x509 -inform DER -in "$3" -out "$t/ca.pem" 2>/dev/null
  openssl crl -inform "$2" -in "$1" -CAfile "$t/ca.pem" -noout -verify 2>&1 | tail -n 1
}

now=20300101000000Z
if ! "$TOOL" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" --now $now -o "$t/probe.der" \
    > "$t/out" 2>&1; then
  if grep -q "(code 9)" "$t/out"; then
    echo "SKIP the host offers no generic ASN.1 service: $(cat "$t/out")"
    exit 77
  fi
fi

# One list per key family, with entries, a CRL number and a distribution
# point; openssl verifies each and reads back what was asked for.
for pair in "sub-ca sub-key" "dsa-ca dsa-ca-key" "ec256-sub ec256-sub-key" "ec384-root ec384-root-key"; do
  set -- $pair
  out="$t/$1.der"
  check 0 "CRL with 3 entries written" crl create --issuer "$c/$1.der" --key "$k/$2.p8.der" --now $now \
    --next-days 7 --revoke 67:keyCompromise --revoke 0102:cessationOfOperation:20291231120000Z --revoke 80FF \
    --crl-number 4660 --idp http://crl.example/sub.crl -o "$out"
  same "$1 signature" "verify OK" "$(verdict "$out" DER "$c/$1.der")"
  body=$(text "$out" DER)
  subject=$(openssl x509 -inform DER -in "$c/$1.der" -noout -subject | sed 's/^subject=//')
  same "$1 issuer" "Issuer: $subject" "$(echo "$body" | grep -o "Issuer: .*" | head -n 1)"
  same "$1 this update" "Last Update: Jan  1 00:00:00 2030 GMT" "$(echo "$body" | grep -o "Last Update: .*")"
  same "$1 next update" "Next Update: Jan  8 00:00:00 2030 GMT" "$(echo "$body" | grep -o "Next Update: .*")"
  same "$1 serials" "67 0102 80FF" "$(echo "$body" | sed -n 's/.*Serial Number: //p' | tr '\n' ' ' | sed 's/ $//')"
  same "$1 dates" "Jan  1 00:00:00 2030 GMT|Dec 31 12:00:00 2029 GMT|Jan  1 00:00:00 2030 GMT" \
    "$(echo "$body" | sed -n 's/.*Revocation Date: //p' | tr '\n' '|' | sed 's/|$//')"
  same "$1 reasons" "Key Compromise|Cessation Of Operation" \
    "$(echo "$body" | grep -A1 "CRL Reason Code" | grep -v "CRL Reason Code\|^--" | sed 's/^ *//' | tr '\n' '|' | sed 's/|$//')"
  same "$1 CRL number" "4660" "$(echo "$body" | grep -A1 "CRL Number" | tail -n 1 | tr -d ' ')"
  same "$1 distribution point" "URI:http://crl.example/sub.crl" "$(echo "$body" | grep -o "URI:.*")"
  same "$1 version" "Version 2 (0x1)" "$(echo "$body" | grep -o "Version .*")"
done

# The next issue: PEM, CRL number + 1, old entries kept, new ones added.
check 0 "CRL number 4661 with 2 more entries written to $t/next.pem; it succeeds the old list" \
  crl revoke "$t/sub-ca.der" 0A0B:superseded 99 --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  --now 20300103000000Z -o "$t/next.pem" --pem
same "next signature" "verify OK" "$(verdict "$t/next.pem" PEM "$c/sub-ca.der")"
body=$(text "$t/next.pem" PEM)
same "next CRL number" "4661" "$(echo "$body" | grep -A1 "CRL Number" | tail -n 1 | tr -d ' ')"
same "next serials" "67 0102 80FF 0A0B 99" "$(echo "$body" | sed -n 's/.*Serial Number: //p' | tr '\n' ' ' | sed 's/ $//')"
same "next this update" "Last Update: Jan  3 00:00:00 2030 GMT" "$(echo "$body" | grep -o "Last Update: .*")"
same "next next update" "Next Update: Jan 10 00:00:00 2030 GMT" "$(echo "$body" | grep -o "Next Update: .*")"
# The module verifies it too, and the revoked sample certificate is found.
check 0 "signature OK" crl verify "$t/next.pem" "$c/sub-ca.der"
check 1 "revoked on 2030-01-01 00:00:00 UTC, reason keyCompromise" \
  cert check "$c/revoked.der" "$t/next.pem" --issuer "$c/sub-ca.der"
# Issued after the old list's next update: not a successor (exit 1, list
# still written).
check 1 "NOT a successor" crl revoke "$t/sub-ca.der" 0C --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  --now 20300201000000Z -o "$t/late.der"
# A list another CA signed is refused.
check 1 "not signed by" crl revoke "$t/dsa-ca.der" 0C --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  -o "$t/x.der"

# Unusable input: exit 1 with a message.
check 1 "not a private key the module can use" crl create --issuer "$c/sub-ca.der" --key "$c/sub-ca.der" \
  --now $now -o "$t/x.der"
check 1 "cannot write /dev/full" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" --now $now \
  -o /dev/full
check 1 "not a CRL" crl revoke "$c/sub-ca.der" 0C --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" -o "$t/x.der"
# Wrong arguments: exit 2.
check 2 "usage: pkixtool crl create" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der"
check 2 "not a revocation" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" --revoke XYZ -o "$t/x.der"
check 2 "not a reason: noSuchReason" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  --revoke 01:noSuchReason -o "$t/x.der"
check 2 "not a date" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" --revoke 01:1:2030 -o "$t/x.der"
check 2 "not a number of days" crl create --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" --next-days x \
  -o "$t/x.der"
check 2 "usage: pkixtool crl revoke" crl revoke "$t/sub-ca.der" --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  -o "$t/x.der"
check 2 "unknown option" crl revoke "$t/sub-ca.der" 01 --idp x --issuer "$c/sub-ca.der" --key "$k/sub-key.p8.der" \
  -o "$t/x.der"

echo "cases: $cases"
exit $fail
