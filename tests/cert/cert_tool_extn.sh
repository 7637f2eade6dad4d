#!/bin/sh
# pkixtool cert show over certificates whose key usage, extended key usage
# or authority key identifier cannot be read (critical and not), made and
# signed by the openssl command with the sample sub-CA: every extension is
# listed (as many as openssl lists), the unreadable one as unrecognised with
# its identifier, and a critical one makes the status an unrecognised
# critical extension, not "valid now".
#   cert_tool_extn.sh EXAMPLES_DIR TOOL-COMMAND...
set -u
examples=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

openssl req -new -key "$examples/keys/server-key.p1.der" -keyform DER -subj "/CN=bad extension/O=Example" \
  -out "$tmp/csr.pem" 2> "$tmp/err" || { cat "$tmp/err"; exit 1; }

# identifier (hex of the OID content) and extension value (DER, hex)
n=0
while read -r oid hexid value what; do
  for crit in "" "critical,"; do
    n=$((n + 1))
    cert="$tmp/bad-$n.der"
    printf '[e]\n%s=%sDER:%s\nbasicConstraints=CA:FALSE\n' "$oid" "$crit" "$value" > "$tmp/ext.cnf"
    if ! openssl x509 -req -in "$tmp/csr.pem" -CA "$examples/certs/sub-ca.der" -CAform DER \
        -CAkey "$examples/keys/sub-key.p8.der" -CAkeyform DER -extfile "$tmp/ext.cnf" -extensions e \
        -days 30 -set_serial $n -outform DER -out "$cert" 2> "$tmp/err"; then
      cat "$tmp/err"
      exit 1
    fi
    label="$what${crit:+ (critical)}"
    if ! "$@" cert show "$cert" > "$tmp/out" 2> "$tmp/err"; then
      echo "FAIL: $label: not shown: $(cat "$tmp/err")"
      fail=1
      continue
    fi
    want=$(openssl x509 -inform DER -in "$cert" -noout -text |
      sed -n '/X509v3 extensions:/,/Signature Algorithm/p' | grep -c '^            [^ ]')
    got=$(sed -n '/^extensions:/,/^status:/p' "$tmp/out" | grep -c '^  ')
    if [ "$got" != "$want" ]; then
      echo "FAIL: $label: $got extensions shown, openssl lists $want"
      fail=1
    fi
    if ! grep -qi "^  unrecognised extension${crit:+ (critical)} $hexid\$" "$tmp/out"; then
      echo "FAIL: $label: not shown as unrecognised $hexid"
      fail=1
    fi
    status=$(sed -n 's/^status: //p' "$tmp/out")
    if [ -n "$crit" ] && [ "$status" != "carries an unrecognised critical extension" ]; then
      echo "FAIL: $label: status \"$status\""
      fail=1
    fi
    if [ -z "$crit" ] && [ "$status" = "carries an unrecognised critical extension" ]; then
      echo "FAIL: $label: status \"$status\" for a non-critical extension"
      fail=1
    fi
  done
done <<'CASES'
2.5.29.15 551d0f 03020880 key-usage-with-8-unused-bits
2.5.29.37 551d25 3000 empty-extended-key-usage
2.5.29.35 551d23 3003850100 authority-key-identifier-with-an-unknown-element
CASES

[ $fail -eq 0 ] && echo "$n certificates: every extension shown, critical ones make the certificate invalid"
exit $fail
