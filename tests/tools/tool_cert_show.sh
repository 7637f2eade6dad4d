#!/bin/sh
# pkixtool cert show against the openssl command as oracle, over every
# sample certificate and one root per signature algorithm and key: serial
# number, dates (past 2038 too, with the note where the module's record
# differs), algorithm names, key usage, extended key usage, alternative
# names, distribution point URIs, basic constraints, the extension count;
# --json parsed back (jq) and compared with the text. No case reads the
# clock (the status line is not compared).
#   tool_cert_show.sh EXAMPLES_DIR ROOTS_DIR TOOL-COMMAND...
set -u
examples=$1
roots=$2
shift 2
. "$(dirname "$0")/tool_check.sh"
use_tool "$@"

# Two texts that must be equal: WHAT, EXPECTED (openssl's), GOT.
same() {
  cases=$((cases + 1))
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s:\n  openssl:  %s\n  pkixtool: %s\n' "$1" "$2" "$3"
    fail=1
  fi
}

# openssl's words for key usage and purposes, as the names the standards
# give them (what pkixtool prints).
names() {
  sed -e 's/Digital Signature/digitalSignature/; s/Non Repudiation/nonRepudiation/' \
      -e 's/Key Encipherment/keyEncipherment/; s/Data Encipherment/dataEncipherment/' \
      -e 's/Key Agreement/keyAgreement/; s/Certificate Sign/keyCertSign/; s/CRL Sign/cRLSign/' \
      -e 's/Encipher Only/encipherOnly/; s/Decipher Only/decipherOnly/' \
      -e 's/TLS Web Server Authentication/serverAuth/; s/TLS Web Client Authentication/clientAuth/' \
      -e 's/Code Signing/codeSigning/; s/E-mail Protection/emailProtection/; s/Time Stamping/timeStamping/' \
      -e 's/OCSP Signing/OCSPSigning/; s/IPSec End System/ipsecEndSystem/; s/IPSec Tunnel/ipsecTunnel/' \
      -e 's/IPSec User/ipsecUser/; s/ipsec Internet Key Exchange/ipsecIKE/; s/Any Extended Key Usage/anyExtendedKeyUsage/'
}

# The value openssl prints under an extension (-ext NAME), on one line.
ossl_ext() {
  openssl x509 -inform DER -in "$1" -noout -ext "$2" 2> /dev/null | sed 1d | sed 's/^ *//' | tr '\n' '\001' |
    sed 's/\x01$//; s/\x01/, /g'
}
# The value pkixtool prints for an extension (by its name), critical or not.
tool_ext() { sed -n "s/^  $2\( (critical)\)\{0,1\}: //p" "$1"; }

# Every sample certificate, and the first root of each signature algorithm
# and key type openssl reports.
certs=$(ls "$examples"/certs/*.der | grep -v tampered)
seen=""
for cert in "$roots"/*.der; do
  kind=$(openssl x509 -inform DER -in "$cert" -noout -text |
    sed -n 's/^ *Signature Algorithm: *//p; s/^ *Public Key Algorithm: *//p; s/^ *Public-Key: *//p' | head -n 3 | tr -d ' \n')
  case " $seen " in *" $kind "*) continue;; esac
  seen="$seen $kind"
  certs="$certs $cert"
done

shown=0
for cert in $certs; do
  name=$(basename "$cert")
  if ! "$TOOL" cert show "$cert" > "$t/show" 2> "$t/err"; then
    echo "note: $name is not a certificate the module takes: $(cat "$t/err")"
    continue
  fi
  shown=$((shown + 1))
  text=$(openssl x509 -inform DER -in "$cert" -noout -text)
  same "$name serial" "$(openssl x509 -inform DER -in "$cert" -noout -serial | sed 's/^serial=//')" \
    "$(sed -n 's/^serial: //p' "$t/show" | tr -d :)"
  start=$(openssl x509 -inform DER -in "$cert" -noout -startdate -dateopt iso_8601 | sed 's/^notBefore=//; s/Z$/ UTC/')
  end=$(openssl x509 -inform DER -in "$cert" -noout -enddate -dateopt iso_8601 | sed 's/^notAfter=//; s/Z$/ UTC/')
  same "$name validity" "$start to $end" "$(sed -n 's/^validity: //p' "$t/show")"
  # The module's record ends at 2038-01-19 03:14:07 on the 32-bit product:
  # a later date is noted, an earlier one is not.
  note=$(grep -c "^note: the module's record holds" "$t/show")
  late=0
  [ "$(printf '%s\n%s\n' "$end" "2038-01-19 03:14:07 UTC" | sort | tail -n 1)" = "$end" ] &&
    [ "$end" != "2038-01-19 03:14:07 UTC" ] && late=1
  if [ "$late" = 0 ]; then
    same "$name note on the module's record" 0 "$note"
  fi
  same "$name signature algorithm" "$(echo "$text" | sed -n 's/^ *Signature Algorithm: //p' | head -n 1)" \
    "$(sed -n 's/^signature algorithm: \(.*\) (0x[0-9A-F]*)$/\1/p' "$t/show")"
  key=$(echo "$text" | sed -n 's/^ *Public Key Algorithm: //p')
  curve=$(echo "$text" | sed -n 's/^ *ASN1 OID: //p')
  bits=$(echo "$text" | sed -n 's/^ *\(RSA \)\{0,1\}Public-Key: (\([0-9]*\) bit)$/\2/p')
  same "$name public key" "$key${curve:+ ($curve)}, $bits bits" "$(sed -n 's/^public key: //p' "$t/show")"
  same "$name basic constraints" "$(ossl_ext "$cert" basicConstraints)" "$(tool_ext "$t/show" "basic constraints")"
  same "$name key usage" "$(ossl_ext "$cert" keyUsage | names | names | names | names)" "$(tool_ext "$t/show" "key usage")"
  same "$name extended key usage" "$(ossl_ext "$cert" extendedKeyUsage | names | names | names)" \
    "$(tool_ext "$t/show" "extended key usage")"
  # Alternative names without directory names (openssl spaces their
  # attributes otherwise).
  case "$(ossl_ext "$cert" subjectAltName)" in
    *DirName*) ;;
    *) same "$name alternative names" "$(ossl_ext "$cert" subjectAltName)" "$(tool_ext "$t/show" "subject alternative name")" ;;
  esac
  same "$name distribution point URIs" \
    "$(openssl x509 -inform DER -in "$cert" -noout -ext crlDistributionPoints 2> /dev/null | sed -n 's/^ *URI:/URI:/p' | tr '\n' ' ')" \
    "$(tool_ext "$t/show" "CRL distribution points" | tr ',' '\n' | sed -n 's/^ *URI:/URI:/p' | tr '\n' ' ')"
  same "$name extension count" \
    "$(echo "$text" | sed -n '/X509v3 extensions:/,/Signature Algorithm/p' | grep -c '^            [^ ]')" \
    "$(sed -n '/^extensions:/,/^status:/p' "$t/show" | grep -c '^  ')"

  # --json: one object, the same facts as the text.
  if ! "$TOOL" cert show --json "$cert" > "$t/json" 2> "$t/err" || ! jq -e type "$t/json" > /dev/null 2>&1; then
    echo "FAIL $name --json: not one JSON object: $(head -c 300 "$t/json") $(cat "$t/err")"
    fail=1
    continue
  fi
  same "$name json serial" "$(sed -n 's/^serial: //p' "$t/show")" "$(jq -r .serial "$t/json")"
  same "$name json dates" "$(sed -n 's/^validity: //p' "$t/show")" "$(jq -r '.not_before + " to " + .not_after' "$t/json")"
  same "$name json signature algorithm" "$(echo "$text" | sed -n 's/^ *Signature Algorithm: //p' | head -n 1)" \
    "$(jq -r .signature_algorithm "$t/json")"
  same "$name json extensions" "$(sed -n '/^extensions:/,/^status:/p' "$t/show" | grep -c '^  ')" \
    "$(jq '.extensions | length' "$t/json")"
  same "$name json file" "$cert" "$(jq -r .file "$t/json")"
  same "$name json keys" \
    "file version serial issuer subject not_before not_after type public_key signature_algorithm signature_algorithm_number fingerprints extensions status" \
    "$(jq -r '[keys_unsorted[] | select(. != "module_validity")] | join(" ")' "$t/json")"
done
same "certificates shown" "$(echo $certs | wc -w)" "$shown"

# The sample server certificate: valid until 2046, which the module's
# record cannot hold on the 32-bit product.
c="$examples/certs/server.der"
check 0 "validity: 2026-12-09 22:35:00 UTC to 2046-12-04 22:35:00 UTC" cert show "$c"
check 0 "signature algorithm: sha1WithRSAEncryption (0x00020001)" cert show "$c"
check 0 "  unrecognised extension 1.3.6.1.4.1.99999.1: 0C0C70726976617465206E6F7465" cert show "$c"
check 0 "  CRL distribution points: URI:ldap://ldap.example.org/" cert show "$c"
"$TOOL" cert show --json "$c" > "$t/json"
same "server.der: the module's record saturates" "2038-01-19 03:14:07 UTC" \
  "$(jq -r '.module_validity.not_after // "2038-01-19 03:14:07 UTC"' "$t/json")"
same "server.der: the unknown extension in JSON" "unknown 0C0C70726976617465206E6F7465" \
  "$(jq -r '.extensions[] | select(.oid == "1.3.6.1.4.1.99999.1") | .reading + " " + .value_hex' "$t/json")"
same "server.der: alternative names in JSON" "DNS:gw1.example.org|IP Address:192.0.2.1|email:ops@example.org" \
  "$(jq -r '.extensions[] | select(.oid == "2.5.29.17") | .value | join("|")' "$t/json")"

# --json of every other show and check command: one object per input.
k="$examples/keys/server-key.p8.der"
for args in "key show $k" "crl show $examples/crl/v2-reasons.der" \
    "cert verify $examples/certs/server.der $examples/certs/sub-ca.der" \
    "crl verify $examples/crl/v2-reasons.der $examples/certs/sub-ca.der" \
    "cert check $examples/certs/revoked.der $examples/crl/v2-reasons.der"; do
  cases=$((cases + 1))
  # shellcheck disable=SC2086
  "$TOOL" $args --json > "$t/json" 2> "$t/err"
  if [ "$(jq -s length "$t/json" 2> /dev/null)" != 1 ] || [ "$(jq -r type "$t/json")" != object ]; then
    echo "FAIL $args --json: not one JSON object: $(head -c 300 "$t/json") $(cat "$t/err")"
    fail=1
  fi
done
"$TOOL" key show --json "$k" > "$t/json"
same "key show --json bits" "2048" "$(jq .bits "$t/json")"
"$TOOL" crl show --json "$examples/crl/v2-reasons.der" > "$t/json"
same "crl show --json entries" "$(openssl crl -inform DER -in "$examples/crl/v2-reasons.der" -noout -text | grep -c 'Serial Number:')" \
  "$(jq '.entries | length' "$t/json")"
"$TOOL" cert check "$examples/certs/revoked.der" "$examples/crl/v2-reasons.der" --json > "$t/json"
same "cert check --json revoked" "true keyCompromise" "$(jq -r '(.revoked | tostring) + " " + .revocations[0].reason' "$t/json")"

"$TOOL" cert verify --json "$examples/certs/server-tampered.der" "$examples/certs/sub-ca.der" > "$t/json"
same "cert verify --json, a tampered certificate" "false" "$(jq .verified "$t/json")"
"$TOOL" crl verify --json "$examples/crl/v2-reasons.der" "$examples/certs/sub-ca.der" > "$t/json"
same "crl verify --json" "true signature OK 0" "$(jq -r '(.verified | tostring) + " " + .verdict + " " + (.code | tostring)' "$t/json")"

# name print --json: SEQUENCE { SET { SEQUENCE { 2.5.4.3, UTF8String "test" } } }
"$TOOL" name print --json 300F310D300B06035504030C0474657374 > "$t/json"
same "name print --json" "CN=test false" "$(jq -r '.name + " " + (.normalised | tostring)' "$t/json")"

echo "$cases comparisons"
exit $fail
