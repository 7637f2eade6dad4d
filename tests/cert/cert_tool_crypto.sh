#!/bin/sh
# pkixtool cert show's SHA-1 and MD5 fingerprints against the openssl
# command's over the sample PKI and one root of the corpus for every pair of
# signature algorithm and key size in it; pkixtool cert verify's verdicts and
# exit codes over the sample chains, the tampered certificate, wrong issuers,
# and those roots checked against themselves. (Every root of the corpus goes
# through the same operations in process in the certificate tests; a tool run
# per root would cost minutes under emulation.)
#   cert_tool_crypto.sh ROOTS_DIR EXAMPLES_DIR TOOL-COMMAND...
set -u
roots=$1
examples=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
shown=0

certs="$examples"/certs/*.der
# One root per signature algorithm and public key size, as openssl reads them.
picked=""
seen=""
for cert in "$roots"/*.der; do
  kind=$(openssl x509 -inform DER -in "$cert" -noout -text |
    sed -n 's/^ *Signature Algorithm: *//p; s/^ *Public-Key: *//p' | head -n 2 | tr -d ' \n')
  case " $seen " in *" $kind "*) continue;; esac
  seen="$seen $kind"
  picked="$picked $cert"
done
certs="$certs $picked"
for cert in $certs; do
  if ! "$@" cert show "$cert" > "$tmp/out" 2> "$tmp/err"; then
    echo "note: $cert is not a certificate the module takes: $(cat "$tmp/err")"
    continue
  fi
  shown=$((shown + 1))
  for md in sha1 md5; do
    label=SHA-1
    [ $md = md5 ] && label=MD5
    want=$(openssl x509 -inform DER -in "$cert" -noout -fingerprint -$md | sed 's/^[^=]*=//')
    got=$(sed -n "s/^$label fingerprint: //p" "$tmp/out")
    if [ "$got" != "$want" ]; then
      echo "$cert: $label '$got', openssl '$want'"
      fail=1
    fi
  done
done
echo "fingerprints compared: $shown certificates"
# Every one: the sample PKI and every root.
total=$(echo $certs | wc -w)
[ "$shown" -eq "$total" ] || { echo "only $shown of $total shown"; fail=1; }

# CERT ISSUER EXPECTED-EXIT
c="$examples/certs"
while read -r cert issuer want; do
  "$@" cert verify "$c/$cert" "$c/$issuer" > "$tmp/out" 2>&1
  got=$?
  if [ "$got" != "$want" ]; then
    echo "cert verify $cert $issuer: exit $got, expected $want: $(cat "$tmp/out")"
    fail=1
  elif [ "$want" = 0 ] && ! grep -qx "signature OK" "$tmp/out"; then
    echo "cert verify $cert $issuer: no 'signature OK'"
    fail=1
  elif [ "$want" = 1 ] && ! grep -q "^signature FAILED (code [0-9]*" "$tmp/out"; then
    echo "cert verify $cert $issuer: no 'signature FAILED (code N)'"
    fail=1
  fi
done <<LINKS
root-ca.der root-ca.der 0
sub-ca.der root-ca.der 0
server.der sub-ca.der 0
revoked.der sub-ca.der 0
md5-user.der sub-ca.der 0
dsa-user.der dsa-ca.der 0
server-sha384.der sub-ca.der 0
dsa-user-sha256.der dsa-ca.der 0
ec256-root.der ec256-root.der 0
ec256-sub.der ec256-root.der 0
ec256-leaf.der ec256-sub.der 0
ec384-root.der ec384-root.der 0
ec384-leaf.der ec384-root.der 0
ec384-leaf-sha512.der ec384-root.der 0
server-tampered.der sub-ca.der 1
ec256-leaf.der ec256-root.der 1
server.der root-ca.der 1
dsa-user.der root-ca.der 1
LINKS
# The picked roots verify their own signatures.
verified=0
for root in $picked; do
  if "$@" cert verify "$root" "$root" > "$tmp/out" 2>&1; then
    verified=$((verified + 1))
  else
    echo "cert verify $root itself: $(cat "$tmp/out")"
    fail=1
  fi
done
echo "roots verified against themselves: $verified"

# Wrong use: a usage line and exit 1.
"$@" cert verify "$c/server.der" > /dev/null 2>&1 && { echo "cert verify with one file succeeded"; fail=1; }
exit $fail
