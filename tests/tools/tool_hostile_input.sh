#!/bin/sh
# pkixtool against hostile and broken input: every case gives its exit code
# and a message that names the file and the reason, never a crash, an
# abort, a sanitizer report, or a success over input it did not read whole.
# Inputs are the sample PKI as the openssl command writes it, damaged one
# way per case (octets appended, base64 broken, blocks mixed), and the
# fixtures of DATA_DIR.
#   tool_hostile_input.sh EXAMPLES_DIR DATA_DIR TOOL-COMMAND...
set -u
examples=$1
data=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
cases=0
c="$examples/certs"
k="$examples/keys"
t="$tmp"

# --- Inputs ---------------------------------------------------------------
# DER followed by octets that belong to nothing.
(cat "$c/server.der"; printf 'XYZ') > "$t/cert-trail.der"
(cat "$c/server.der" "$c/sub-ca.der") > "$t/two-certs.der"
(cat "$k/server-key.p8.der"; printf '\0\0') > "$t/key-trail.der"
# An indefinite-length [2] certificate set closed after one certificate, a
# second certificate after its 00 00.
(printf '\242\200'; cat "$c/server.der"; printf '\0\0'; cat "$c/sub-ca.der") > "$t/set-trail.p7"
# The same set whole: both certificates inside.
(printf '\242\200'; cat "$c/server.der" "$c/sub-ca.der"; printf '\0\0') > "$t/set-indef.p7"
# Name C=DE (30 0D 31 0B 30 09 06 03 55 04 06 13 02 44 45), then FF FF.
printf '\060\015\061\013\060\011\006\003\125\004\006\023\002\104\105\377\377' > "$t/name-trail.der"
# Truncated inside the certificate.
head -c 100 "$c/server.der" > "$t/cert-short.der"

# PEM as the openssl command writes it, then damaged.
openssl x509 -inform DER -in "$c/server.der" -out "$t/server.pem"
openssl x509 -inform DER -in "$c/sub-ca.der" -out "$t/sub-ca.pem"
openssl pkey -inform DER -in "$k/server-key.p8.der" -out "$t/server-key.pem"
# A character outside base64 in the second line.
sed '2s/^./!/' "$t/server.pem" > "$t/bad-char.pem"
# Padding in the middle of the base64: '=' replaces the last character of
# the second line.
sed '2s/.$/=/' "$t/server.pem" > "$t/pad-middle.pem"
# BEGIN CERTIFICATE closed by END PRIVATE KEY.
sed 's/END CERTIFICATE/END PRIVATE KEY/' "$t/server.pem" > "$t/wrong-end.pem"
# A private key before the certificate; two certificates; a key alone.
cat "$t/server-key.pem" "$t/server.pem" > "$t/key-then-cert.pem"
cat "$t/server.pem" "$t/sub-ca.pem" > "$t/two-certs.pem"
# An encrypted block (headers between BEGIN and the base64).
sed '1a Proc-Type: 4,ENCRYPTED\nDEK-Info: AES-128-CBC,00112233445566778899AABBCCDDEEFF\n' "$t/server-key.pem" > "$t/encrypted.pem"
# EC parameters before the EC key, as key generation writes them.
(openssl ecparam -name prime256v1; openssl pkey -inform DER -in "$k/ec256-leaf-key.p8.der") > "$t/ec-params-key.pem"
# A certificate PEM whose content has octets after the certificate.
openssl base64 -in "$t/cert-trail.der" | sed '1i -----BEGIN CERTIFICATE-----' > "$t/pem-trail.pem"
echo '-----END CERTIFICATE-----' >> "$t/pem-trail.pem"
# A text far longer than any message should echo.
long=$(head -c 3000 /dev/zero | tr '\0' 'a')
mkdir "$t/dir"

# --- Cases ------------------------------------------------------------------
# check EXPECTED-EXIT TEXT ARGS... and the tool wrapper: tool_check.sh.
. "$(dirname "$0")/tool_check.sh"
use_tool "$@"

# 1. Octets after the outermost element, in every command that reads DER.
check 1 "cert-trail.der: 3 octets follow the certificate" cert show "$t/cert-trail.der"
check 1 "two-certs.der: 956 octets follow the certificate" cert show "$t/two-certs.der"
check 1 "cert-trail.der: 3 octets follow the certificate" cert verify "$t/cert-trail.der" "$c/sub-ca.der"
check 1 "cert-trail.der: 3 octets follow the certificate" cert verify "$c/server.der" "$t/cert-trail.der"
check 1 "cert-trail.der: 3 octets follow the certificate" cert compare "$c/server.der" "$t/cert-trail.der"
check 1 "cert-trail.der: 3 octets follow the certificate" cert bundle -o "$t/b.p7" "$t/cert-trail.der"
check 1 "pem-trail.pem: 3 octets follow the certificate" cert show "$t/pem-trail.pem"
check 1 "set-trail.p7: 956 octets follow the certificate set" cert unbundle "$t/set-trail.p7"
check 0 "2: C=DE, O=Example, OU=PKI, CN=Example Sub CA" cert unbundle "$t/set-indef.p7"
check 1 "key-trail.der: 2 octets follow the key" key show "$t/key-trail.der"
check 1 "name-trail.der: 2 octets follow the name" name print "$t/name-trail.der"
check 1 "2 octets follow the name" name print 300D310B3009060355040613024445FFFF
check 1 "2 octets follow the name" name print 300D310B3009060355040613024445FFFF --norm
check 0 "C=DE" name print 300D310B3009060355040613024445
check 1 "cert-short.der: not a certificate: input ends inside an element (code -36)" cert show "$t/cert-short.der"

# 2. PEM read strictly; blocks of other kinds skipped by their label.
check 1 "bad-char.pem: malformed PEM (bad base64 decode)" cert show "$t/bad-char.pem"
check 1 "pad-middle.pem: malformed PEM (bad base64 decode)" cert show "$t/pad-middle.pem"
check 1 "wrong-end.pem: malformed PEM (bad end line)" cert show "$t/wrong-end.pem"
check 1 "bad-char.pem: malformed PEM" cert bundle "$t/bad-char.pem"
check 0 "subject: C=DE, ST=Berlin" cert show "$t/key-then-cert.pem"
check 0 "two-certs.pem holds 2 certificates; the first is used" cert show "$t/two-certs.pem"
check 0 "2 certificates, " cert bundle -o "$t/both.p7" "$t/two-certs.pem"
check 0 "CN=gw1.example.org" cert unbundle "$t/both.p7"
grep -q "^2: " "$t/out" && grep -q "CN=Example Sub CA" "$t/out" || { echo "FAIL unbundle: $(cat "$t/out")"; fail=1; }
check 1 "server-key.pem holds no certificate (PEM blocks: PRIVATE KEY)" cert show "$t/server-key.pem"
check 1 "server.pem holds no key (PEM blocks: CERTIFICATE)" key show "$t/server.pem"
check 0 "kind: private" key show "$t/key-then-cert.pem"
check 0 "size: 256 bits" key show "$t/ec-params-key.pem"
check 1 "encrypted.pem: PEM block PRIVATE KEY carries headers" key show "$t/encrypted.pem"
check 1 "bad-char.pem: malformed PEM" key show "$t/bad-char.pem"

# 3. Every write checked.
check 1 "cannot write /dev/full: No space left on device" cert bundle -o /dev/full "$c/server.der"
check 1 "cannot write $t/none/x1.der: No such file or directory" cert unbundle "$t/both.p7" "$t/none/x"
check 0 "" cert unbundle "$t/both.p7" "$t/x"
# The set keeps its own order: each certificate written whole, once.
cat "$t/x1.der" "$t/x2.der" | cmp -s - "$t/two-certs.der" || cat "$t/x2.der" "$t/x1.der" | cmp -s - "$t/two-certs.der" ||
  { echo "FAIL unbundled files"; fail=1; }
check 1 "" cert bundle -o "$t/dir" "$c/server.der"
grep -q "^pkixtool cert: cannot write $t/dir: Is a directory$" "$t/out" || { echo "FAIL bundle to a directory: $(cat "$t/out")"; fail=1; }
cases=$((cases + 1))
"$TOOL" cert bundle "$c/server.der" > /dev/full 2> "$t/out"
[ $? = 1 ] && grep -q "cannot write standard output: No space left on device" "$t/out" ||
  { echo "FAIL bundle to a full standard output: $(cat "$t/out")"; fail=1; }
cases=$((cases + 1))
"$TOOL" cert show "$c/server.der" > /dev/full 2> "$t/out"
[ $? = 1 ] && grep -q "cannot write standard output: No space left on device" "$t/out" ||
  { echo "FAIL show to a full standard output: $(cat "$t/out")"; fail=1; }

# 4. Files that cannot be read, or never end: exit 3, the input is unreadable.
check 3 "cannot read $t/dir: Is a directory" cert show "$t/dir"
check 3 "cannot read $t/dir: Is a directory" key show "$t/dir"
check 3 "cannot read $t/dir: Is a directory" name print "$t/dir"
check 3 "cannot read $t/dir: Is a directory" cert unbundle "$t/dir"
check 3 "cannot read $t/absent: No such file or directory" cert show "$t/absent"
check 3 "cannot read /proc/self/mem: " cert show /proc/self/mem
check 3 "cannot read /dev/zero: larger than the input limit of 67108864 octets (set PKIXTOOL_MAX_INPUT)" \
  cert show /dev/zero
export PKIXTOOL_MAX_INPUT=1K
check 3 "cannot read /dev/zero: larger than the input limit of 1024 octets" key show /dev/zero
check 3 "cannot read /dev/zero: larger than the input limit of 1024 octets" name print /dev/zero
export PKIXTOOL_MAX_INPUT=100
check 3 "cannot read $c/server.der: larger than the input limit of 100 octets" cert show "$c/server.der"
# A file of exactly the limit is read.
export PKIXTOOL_MAX_INPUT=$(wc -c < "$c/server.der")
check 0 "subject:" cert show "$c/server.der"
for bad in x 0 12Q -5 1KK 99999999999999999999999 17179869184G; do
  export PKIXTOOL_MAX_INPUT=$bad
  check 1 "PKIXTOOL_MAX_INPUT must be a positive number of octets" cert show "$c/server.der"
done
unset PKIXTOOL_MAX_INPUT

# 5. Failures in words, and input echoed only in part.
check 1 "ed25519-self.der: not a certificate the module can use: signature algorithm not usable (code 68)" \
  cert show "$data/ed25519-self.der"
check 1 "x25519-by-root-ca.der: not a certificate the module can use: public key cannot be made (code 69)" \
  cert show "$data/x25519-by-root-ca.der"
check 1 "server-key.p8.der: not a certificate: an element of another type where one was expected (code -15)" \
  cert show "$k/server-key.p8.der"
check 1 "signature FAILED (code 14852: the signature does not verify)" cert verify "$c/server-tampered.der" "$c/sub-ca.der"
check 1 "signature FAILED (code 14851: the key does not fit the algorithm)" cert verify "$c/ec256-leaf.der" "$c/root-ca.der"
check 1 "the text ends inside quotes or after a backslash (code -62)" name encode 'CN="abc'
check 1 "... (3004 characters)" name encode "CN=\"$long"
check 1 "... (3004 characters)" name compare "CN=\"$long" "CN=b"
check 1 "neither a file nor pairs of hex digits" name print "ZZ$long"
for args in "name encode CN=\"$long" "name print ZZ$long" "name compare CN=\"$long CN=b"; do
  # shellcheck disable=SC2086
  "$TOOL" $args > "$t/out" 2>&1
  size=$(wc -c < "$t/out")
  [ "$size" -lt 200 ] || { echo "FAIL pkixtool ${args%% *}: $size octets of message"; fail=1; }
done

# 6. Exit codes: 2 for wrong arguments, in every command.
check 2 "usage: pkixtool cert show FILE" cert show
check 2 "usage: pkixtool cert verify CERT ISSUER" cert verify "$c/server.der"
check 2 "usage: pkixtool cert bundle" cert bundle -o
check 2 "usage: pkixtool cert unbundle" cert unbundle
check 2 "usage: pkixtool key show FILE" key show
check 2 "usage: pkixtool name print" name print
check 2 "usage: pkixtool name encode TEXT" name encode
check 2 "usage: pkixtool name compare A B" name compare a
check 2 "usage: pkixtool COMMAND" cert nothing

echo "cases: $cases"
exit $fail
