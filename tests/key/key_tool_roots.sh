#!/bin/sh
# pkixtool key show over the public keys of the root corpus: every key is
# shown, RSA and EC keys with the size OpenSSL reports. Also a PEM private
# key and a bare RSAPublicKey of the sample PKI, an RSAPublicKey OpenSSL
# writes (shown with OpenSSL's size), and OpenSSL's traditional DSA private
# key (six INTEGERs), which is no key the module reads and must not be shown
# as an RSA public key.
#   key_tool_roots.sh ROOTS_DIR EXAMPLES_DIR TOOL-COMMAND...
set -u
roots=$1
examples=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
rsa=0
ec=0
for cert in "$roots"/*.der; do
  openssl x509 -inform DER -in "$cert" -noout -pubkey > "$tmp/pub.pem" || { echo "openssl: $cert"; fail=1; continue; }
  expected=$(openssl pkey -pubin -in "$tmp/pub.pem" -noout -text | sed -n '1s/.*(\([0-9]*\) bit).*/\1/p')
  text=$(openssl x509 -inform DER -in "$cert" -noout -text)
  case "$text" in
    *"Public Key Algorithm: rsaEncryption"*) rsa=$((rsa + 1)); alg="0x00000001 (RSA)" ;;
    *"Public Key Algorithm: id-ecPublicKey"*) ec=$((ec + 1)); alg="0x00000010 (EC)" ;;
    *) echo "$cert: a key of neither RSA nor EC"; fail=1; continue ;;
  esac
  if ! "$@" key show "$tmp/pub.pem" > "$tmp/out" 2> "$tmp/err"; then
    echo "$cert: refused: $(cat "$tmp/err")"
    fail=1
    continue
  fi
  got=$(sed -n 's/^size: \([0-9]*\) bits$/\1/p' "$tmp/out")
  if [ "$got" != "$expected" ]; then
    echo "$cert: size '$got', OpenSSL $expected"
    fail=1
  fi
  grep -q "^algorithm: $alg$" "$tmp/out" || { echo "$cert: algorithm not $alg"; fail=1; }
done
echo "RSA keys: $rsa, EC keys: $ec"
[ "$rsa" -gt 100 ] || fail=1
[ "$ec" -gt 30 ] || fail=1

"$@" key show "$examples/keys/server-key.pem" > "$tmp/out" || fail=1
grep -q "^kind: private$" "$tmp/out" || { echo "PEM private key"; fail=1; }
grep -q "^size: 2048 bits$" "$tmp/out" || { echo "PEM private key size"; fail=1; }
"$@" key show "$examples/keys/server-key.p1pub.der" > "$tmp/out" || fail=1
grep -q "^algorithm: 0x00000001 (RSA)$" "$tmp/out" || { echo "RSAPublicKey"; fail=1; }

openssl rsa -inform DER -in "$examples/keys/sub-key.p8.der" -RSAPublicKey_out -outform DER -out "$tmp/rsapub.der" 2> /dev/null ||
  { echo "openssl rsa -RSAPublicKey_out"; fail=1; }
expected=$(openssl rsa -RSAPublicKey_in -inform DER -in "$tmp/rsapub.der" -noout -text 2> /dev/null | sed -n '1s/.*(\([0-9]*\) bit).*/\1/p')
"$@" key show "$tmp/rsapub.der" > "$tmp/out" || { echo "OpenSSL's RSAPublicKey refused"; fail=1; }
grep -q "^kind: public$" "$tmp/out" || { echo "OpenSSL's RSAPublicKey kind"; fail=1; }
grep -q "^size: $expected bits$" "$tmp/out" || { echo "OpenSSL's RSAPublicKey size, OpenSSL $expected"; fail=1; }

openssl dsa -inform DER -in "$examples/keys/dsa-ca-key.p8.der" -outform DER -out "$tmp/dsa.der" 2> /dev/null ||
  { echo "openssl dsa"; fail=1; }
if "$@" key show "$tmp/dsa.der" > "$tmp/out" 2> "$tmp/err"; then
  echo "traditional DSA private key shown as: $(tr '\n' ' ' < "$tmp/out")"
  fail=1
fi
grep -q "key the module reads" "$tmp/err" || { echo "traditional DSA private key: $(cat "$tmp/err")"; fail=1; }
exit $fail
