#!/bin/sh
# pkixtool asn dump against `openssl asn1parse` as oracle: for every sample
# certificate, list and key and for the Mozilla roots, each line's offset,
# depth, header and content lengths, form and tag equal what asn1parse
# prints, and so do the values of INTEGER and BOOLEAN elements; PEM input
# dumps as its DER does; indefinite lengths are followed; broken input
# gives exit 1 and a message naming the offset, never a crash.
#   tool_asn.sh EXAMPLES_DIR ROOTS_DIR TOOL-COMMAND...
set -u
examples=$1
roots=$2
shift 2

. "$(dirname "$0")/tool_check.sh"
use_tool "$@"

# The columns both tools print the same way: everything before the value,
# and the value itself for INTEGER and BOOLEAN lines.
columns() {
  sed -E -e 's/^( *[0-9]+:d=[0-9]+ +hl=[0-9]+ l= *[0-9a-z]+ (cons|prim): (INTEGER|BOOLEAN) *:.*)$/\1/' \
         -e 't' \
         -e 's/^( *[0-9]+:d=[0-9]+ +hl=[0-9]+ l= *[0-9a-z]+ (cons|prim): [^:]*[^: ]).*$/\1/' \
         -e 's/ +$//'
}

compare() {
  cases=$((cases + 1))
  if ! "$TOOL" asn dump "$1" > "$t/ours" 2> "$t/err"; then
    echo "FAIL asn dump $1: $(head -c 400 "$t/err")"
    fail=1
    return
  fi
  openssl asn1parse -inform "${2:-DER}" -in "$1" > "$t/theirs" 2>/dev/null
  columns < "$t/ours" > "$t/a"
  columns < "$t/theirs" > "$t/b"
  if ! cmp -s "$t/a" "$t/b"; then
    echo "FAIL asn dump $1 differs from asn1parse:"
    diff "$t/b" "$t/a" | head -6
    fail=1
  fi
}

for f in "$examples"/certs/*.der "$examples"/crl/*.der "$examples"/crls/*.der "$examples"/keys/*.der \
         "$roots"/*.der; do
  compare "$f"
done

# PEM: the first block dumps as its DER.
openssl x509 -inform DER -in "$examples/certs/root-ca.der" -out "$t/root.pem"
compare "$t/root.pem" PEM
check 0 "1.2.840.113549.1.1.1 (rsaEncryption)" asn dump "$t/root.pem"

# Names the module's tables give to identifiers.
check 0 "1.2.840.10045.4.3.2 (ecdsa-with-SHA256)" asn dump "$examples/certs/ec256-leaf.der"
check 0 "1.2.840.10045.2.1 (id-ecPublicKey)" asn dump "$examples/certs/ec256-leaf.der"

# Indefinite lengths: SEQUENCE { INTEGER 5 } written with 80 .. 00 00.
printf '\060\200\002\001\005\000\000' > "$t/indef.der"
check 0 "l=inf  cons: SEQUENCE" asn dump "$t/indef.der"
check 0 "d=1  hl=2 l=   0 prim: EOC" asn dump "$t/indef.der"
# A negative INTEGER: 02 01 FF is -1.
printf '\002\001\377' > "$t/neg.der"
check 0 "INTEGER           :-01" asn dump "$t/neg.der"

# Broken input: exit 1 with the reason and where, never a crash.
head -c 300 "$examples/certs/root-ca.der" > "$t/cut.der"
check 1 "runs past its enclosing element at offset 0" asn dump "$t/cut.der"
printf '\060\200\002\001\005' > "$t/open.der"
check 1 "not closed" asn dump "$t/open.der"
printf '\004\200\000\000' > "$t/indefprim.der"
check 1 "indefinite length on a primitive" asn dump "$t/indefprim.der"
printf '\060\205\000\000\000\000\001' > "$t/longlen.der"
check 1 "malformed length" asn dump "$t/longlen.der"
printf '\060\201\005\002\001\005\005\000' > "$t/nonmin.der"
check 1 "malformed length" asn dump "$t/nonmin.der"
printf '\037' > "$t/hightag.der"
check 1 "cut off" asn dump "$t/hightag.der"
# [31] in the high tag-number form, whole: the service reads one identifier
# octet and refuses the form by name.
printf '\077\201\001\000' > "$t/hightag2.der"
check 1 "high tag-number form" asn dump "$t/hightag2.der"
: > "$t/empty.der"
check 1 "no DER element" asn dump "$t/empty.der"
# 200 nested indefinite SEQUENCEs: refused at the nesting limit.
i=0
: > "$t/deep.der"
while [ $i -lt 200 ]; do printf '\060\200' >> "$t/deep.der"; i=$((i + 1)); done
check 1 "nested too deeply" asn dump "$t/deep.der"
check 2 "" asn dump
check 3 "cannot read" asn dump "$t/missing.der"

# scep: the message data against DER cut out of the certificate with
# asn1parse's offsets (issuer Name, serialNumber, subject Name of the
# TBSCertificate). While the host offers no generic ASN.1 service the
# command must fail cleanly with code 9 instead.
hexof() { od -An -v -tx1 | tr -d ' \n' | tr 'a-f' 'A-F'; }
# The element of FILE at depth 2 whose index among them is N (1-based).
tbs_part() {
  line=$(openssl asn1parse -inform DER -in "$1" | grep ':d=2 ' | sed -n "${2}p")
  off=$(echo "$line" | sed -E 's/^ *([0-9]+):.*/\1/')
  hl=$(echo "$line" | sed -E 's/.*hl= *([0-9]+).*/\1/')
  l=$(echo "$line" | sed -E 's/.* l= *([0-9]+).*/\1/')
  dd if="$1" bs=1 skip="$off" count=$((hl + l)) 2>/dev/null | hexof
}
# SEQUENCE { content } in hex (content under 65536 octets).
seq_of() {
  n=$((${#1} / 2))
  if [ $n -lt 128 ]; then printf '30%02X%s' $n "$1"
  elif [ $n -lt 256 ]; then printf '3081%02X%s' $n "$1"
  else printf '3082%04X%s' $n "$1"; fi
}
for f in root-ca.der server.der ec256-leaf.der dsa-user.der; do
  c="$examples/certs/$f"
  # v3 certificates: [0] version, serial, signature, issuer, validity, subject
  serial=$(tbs_part "$c" 2)
  issuer=$(tbs_part "$c" 4)
  subject=$(tbs_part "$c" 6)
  cases=$((cases + 1))
  if got=$("$TOOL" scep gcim "$c" 2>"$t/err"); then
    [ "$got" = "$(seq_of "$issuer$serial")" ] || { echo "FAIL scep gcim $f: $got"; fail=1; }
    got=$("$TOOL" scep gcm "$c")
    [ "$got" = "$(seq_of "$issuer$subject")" ] || { echo "FAIL scep gcm $f: $got"; fail=1; }
  elif ! grep -q "code 9" "$t/err"; then
    echo "FAIL scep gcim $f: $(cat "$t/err")"
    fail=1
  fi
done
check 2 "" scep
check 2 "" scep gcim
check 2 "" scep gcm a b
check 2 "" scep nothing "$examples/certs/server.der"
check 3 "cannot read" scep gcim "$t/missing.der"
check 1 "" scep gcim "$examples/crl/v1.der"

echo "$cases cases"
exit $fail
