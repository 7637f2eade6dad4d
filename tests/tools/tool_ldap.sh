#!/bin/sh
# pkixtool's directory commands against a private slapd (scripts/slapd-test)
# loaded with the sample PKI: crl fetch by URL writes the very octets that
# were loaded (cmp against examples/, openssl reads them), by a
# certificate's distribution points (written by openssl) and by a directory
# name through --server; cert check --fetch says revoked or not revoked as
# cert check does with the same lists; a stopped server, an unknown entry
# and bad arguments give exit 1 or 2 and a message, never a crash. Without
# slapd the test fails with the reason.
#   tool_ldap.sh SOURCE_DIR TOOL-COMMAND...
set -u
src=$1
shift
examples="$src/examples"
tmp=$(mktemp -d)
fail=0
cases=0
t="$tmp"
srv="$tmp/srv"
trap '"$src/scripts/slapd-test" clean "$srv" >/dev/null 2>&1; rm -rf "$tmp"' EXIT

. "$(dirname "$0")/tool_check.sh"
use_tool "$@"

url=$("$src/scripts/slapd-test" start "$srv" 2>"$tmp/slapd.err") || {
  echo "FAIL the private directory server did not start: $(cat "$tmp/slapd.err")"
  exit 1
}
hostport=${url#ldap://}
# The server may still be opening its listener when the script returns.
for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
  ldapsearch -x -H "$url" -b "" -s base >/dev/null 2>&1 && break
  sleep 0.25
done
c="$examples/certs"
k="$examples/keys"
l="$examples/crl"
odd="ou=Odd%2Co=Example%2Cc=DE"
attr="certificateRevocationList;binary"

# The same octets: WHAT, EXPECTED FILE, GOT FILE.
same_file() {
  cases=$((cases + 1))
  if ! cmp -s "$2" "$3"; then
    echo "FAIL $1: $3 differs from $2"
    fail=1
  fi
}

# A certificate from the sub CA with serial SERIAL and the distribution
# points VALUE (an openssl crlDistributionPoints value, sections after it).
make_cert() {
  out=$1 serial=$2 value=$3
  printf '[e]\ncrlDistributionPoints = %s\n' "$value" > "$t/ext.cnf"
  [ $# -ge 4 ] && printf '%b' "$4" >> "$t/ext.cnf"
  openssl req -new -key "$k/sub-key.p8.der" -keyform DER -subj "/C=DE/O=Example/CN=fetch test" \
    -out "$t/req.pem" 2>/dev/null &&
    openssl x509 -req -in "$t/req.pem" -CA "$c/sub-ca.der" -CAform DER -CAkey "$k/sub-key.p8.der" \
      -CAkeyform DER -extfile "$t/ext.cnf" -extensions e -set_serial "$serial" -days 3650 \
      -outform der -out "$out" 2>/dev/null || { echo "FAIL openssl could not make $out"; fail=1; }
}

# By URL: each odd entry's one list, the name escaped as RFC 4514 and the
# URL percent-encoded.
for row in "cn=Comma%5C%2C%20Inc.:v1.der" "cn=Plus%5C%2BSign:no-next-update.der" \
           "cn=Star*:indirect.der" "cn=Paren(s):sha256.der" "cn=Nul%5C00Byte:dsa.der"; do
  rdn=${row%%:*}
  file=${row#*:}
  rm -rf "$t/lists"; mkdir "$t/lists"
  check 0 "point 1:" crl fetch "$url/$rdn%2C$odd?$attr" -o "$t/lists"
  same_file "crl fetch $rdn" "$l/$file" "$t/lists/crl-1.der"
  [ -f "$t/lists/crl-2.der" ] && { echo "FAIL crl fetch $rdn: more than one list"; fail=1; }
done

# The sub CA's entry holds three lists; openssl reads each one.
rm -rf "$t/lists"; mkdir "$t/lists"
check 0 "point 1:" crl fetch "$url/cn=Example%20Sub%20CA%2Cou=PKI%2Co=Example%2Cc=DE?$attr" -o "$t/lists"
n=0
for f in "$t/lists"/crl-*.der; do
  n=$((n + 1))
  cases=$((cases + 1))
  openssl crl -inform der -in "$f" -noout 2>/dev/null || { echo "FAIL openssl cannot read $f"; fail=1; }
done
cases=$((cases + 1))
[ "$n" = 3 ] || { echo "FAIL the sub CA's entry gave $n lists, not 3"; fail=1; }

# The URL's own scope and filter are dropped: ou=Odd itself holds no list.
check 1 "no revocation list" crl fetch "$url/$odd?$attr?sub?(objectClass=*)"
check 1 "no revocation list" crl fetch "$url/cn=*%2C$odd?$attr"

# By a certificate's distribution points: a URL point, and a directory
# name point sent to --server.
revoked_serial=0x$(openssl x509 -inform der -in "$c/revoked.der" -noout -serial | cut -d= -f2)
sub_entry="cn=Example%20Sub%20CA%2Cou=PKI%2Co=Example%2Cc=DE"
make_cert "$t/revoked-here.der" "$revoked_serial" "URI:$url/$sub_entry?$attr"
make_cert "$t/fine-here.der" 0x4242 "URI:$url/$sub_entry?$attr"
make_cert "$t/by-name.der" 0x4243 "dirName:dn" '[dn]\nC=DE\nO=Example\nOU=Odd\nCN=Star*\n'
rm -rf "$t/lists"; mkdir "$t/lists"
check 0 "point 1:" crl fetch "$t/by-name.der" --server "$hostport" -o "$t/lists"
same_file "crl fetch by directory name" "$l/indirect.der" "$t/lists/crl-1.der"
check 0 "point 1:" crl fetch "$t/revoked-here.der"

# cert check --fetch agrees with cert check over the same lists, and with
# openssl's verdict.
check 1 "revoked" cert check "$t/revoked-here.der" --fetch --issuer "$c/sub-ca.der"
check 0 "not revoked" cert check "$t/fine-here.der" --fetch --issuer "$c/sub-ca.der"
rm -rf "$t/lists"; mkdir "$t/lists"
"$TOOL" crl fetch "$t/revoked-here.der" -o "$t/lists" >/dev/null 2>&1
cases=$((cases + 1))
revoked_by_openssl=0
for f in "$t/lists"/crl-*.der; do
  openssl crl -inform der -in "$f" -noout -text 2>/dev/null | grep -q "Serial Number: ${revoked_serial#0x}" &&
    revoked_by_openssl=1
done
[ "$revoked_by_openssl" = 1 ] || { echo "FAIL openssl finds serial $revoked_serial on no fetched list"; fail=1; }

# Faults and bad arguments.
# Without the extension a certificate names its issuer's entry, which a
# name request can only reach through --server.
check 1 "no revocation list was fetched" crl fetch "$c/root-ca.der"
# Two attributes: the point refuses to send it.
check 1 "no request could be formed" crl fetch "$url/$odd?cn,$attr"
# An input file that cannot be read: exit 3.
check 3 "" crl fetch "$t/no-such-file.der"
check 2 "usage" crl fetch
check 2 "usage" crl fetch "$url/x" "$url/y"
check 2 "usage" crl fetch "$url/x" -o
check 2 "usage" cert check --fetch
check 2 "HOST[:PORT]" crl fetch "$t/by-name.der" --server "host:99999"
"$src/scripts/slapd-test" stop "$srv" >/dev/null 2>&1
check 1 "the directory gave no list" crl fetch "$url/cn=Star*%2C$odd?$attr"
check 1 "" cert check "$t/revoked-here.der" --fetch

echo "tool_ldap: $cases cases"
exit $fail
