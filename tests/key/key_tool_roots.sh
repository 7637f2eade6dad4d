#!/bin/sh
# pkixtool key show over the public keys of the root corpus: for every RSA
# key the size printed is the one OpenSSL reports, and every other key is
# refused with a message and exit code 1. Also a PEM private key and a bare
# RSAPublicKey of the sample PKI.
#   key_tool_roots.sh ROOTS_DIR EXAMPLES_DIR TOOL-COMMAND...
set -u
roots=$1
examples=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
rsa=0
other=0
for cert in "$roots"/*.der; do
  openssl x509 -inform DER -in "$cert" -noout -pubkey > "$tmp/pub.pem" || { echo "openssl: $cert"; fail=1; continue; }
  expected=$(openssl pkey -pubin -in "$tmp/pub.pem" -noout -text | sed -n '1s/.*(\([0-9]*\) bit).*/\1/p')
  if openssl x509 -inform DER -in "$cert" -noout -text | grep -q "Public Key Algorithm: rsaEncryption"; then
    rsa=$((rsa + 1))
    got=$("$@" key show "$tmp/pub.pem" | sed -n 's/^size: \([0-9]*\) bits$/\1/p')
    if [ "$got" != "$expected" ]; then
      echo "$cert: size '$got', OpenSSL $expected"
      fail=1
    fi
  else
    other=$((other + 1))
    if "$@" key show "$tmp/pub.pem" > /dev/null 2> "$tmp/err"; then
      echo "$cert: a key of another algorithm was shown"
      fail=1
    elif ! grep -q "code 9" "$tmp/err"; then
      echo "$cert: refused without code 9"
      fail=1
    fi
  fi
done
echo "RSA keys: $rsa, others refused: $other"
[ "$rsa" -gt 100 ] || fail=1

"$@" key show "$examples/keys/server-key.pem" > "$tmp/out" || fail=1
grep -q "^kind: private$" "$tmp/out" || { echo "PEM private key"; fail=1; }
grep -q "^size: 2048 bits$" "$tmp/out" || { echo "PEM private key size"; fail=1; }
"$@" key show "$examples/keys/server-key.p1pub.der" > "$tmp/out" || fail=1
grep -q "^algorithm: 0x00000001 (RSA)$" "$tmp/out" || { echo "RSAPublicKey"; fail=1; }
exit $fail
