#!/bin/sh
# pkixtool verify over the path fixtures' table of cases against the
# openssl command as oracle: for every case the tool's exit code says the
# expected verdict (0 valid, 1 not valid), and `openssl verify` with the
# matching flags agrees where the table does not say it cannot; the JSON
# form says the same; bad arguments give exit 2. Every run is at the fixed
# time 2030-01-01, never the clock's.
#   tool_verify.sh PATH-DATA-DIR TOOL-COMMAND...
set -u
data=$1
shift
. "$(dirname "$0")/tool_check.sh"
use_tool "$@"
at=20300101000000Z
at_seconds=1893456000

# PEM of the DER files named (comma separated) into one file; the file's
# name, or nothing when none is named.
pem_of() {
  list=$1
  out=$2
  kind=$3
  : > "$out"
  [ -z "$list" ] && return 1
  for f in $(echo "$list" | tr ',' ' '); do
    openssl "$kind" -inform der -in "$data/$f" >> "$out" 2>/dev/null || return 1
  done
  return 0
}

while IFS='|' read -r name verdict target untrusted anchors crls options; do
  [ -z "$name" ] && continue
  want=1
  [ "$verdict" = valid ] && want=0
  set -- verify --at "$at" --roots "$t/anchors.pem"
  pem_of "$anchors" "$t/anchors.pem" x509
  ossl="-x509_strict -policy_check -attime $at_seconds -CAfile $t/anchors.pem"
  if pem_of "$untrusted" "$t/untrusted.pem" x509; then
    set -- "$@" --untrusted "$t/untrusted.pem"
    ossl="$ossl -untrusted $t/untrusted.pem"
  fi
  if pem_of "$crls" "$t/crls.pem" crl; then
    set -- "$@" --crl "$t/crls.pem"
    ossl="$ossl -CRLfile $t/crls.pem"
  fi
  oracle=yes
  for o in $options; do
    case "$o" in
      crl_leaf) set -- "$@" --crl-check leaf; ossl="$ossl -crl_check" ;;
      crl_all) set -- "$@" --crl-check all; ossl="$ossl -crl_check_all" ;;
      explicit) set -- "$@" --explicit-policy; ossl="$ossl -explicit_policy" ;;
      inhibit_map) set -- "$@" --inhibit-policy-mapping; ossl="$ossl -inhibit_map" ;;
      inhibit_any) set -- "$@" --inhibit-any-policy; ossl="$ossl -inhibit_any" ;;
      policy=*) set -- "$@" --policy "${o#policy=}"; ossl="$ossl -policy ${o#policy=}" ;;
      extended) ossl="$ossl -extended_crl" ;;
      deltas) ossl="$ossl -use_deltas" ;;
      no_oracle=*) oracle=no ;;
    esac
  done
  check "$want" "" "$@" "$data/$target"
  if [ "$oracle" = yes ]; then
    openssl x509 -inform der -in "$data/$target" -out "$t/target.pem" 2>/dev/null
    # shellcheck disable=SC2086
    openssl verify $ossl "$t/target.pem" > /dev/null 2>&1
    got=$?
    [ "$got" != 0 ] && got=1
    cases=$((cases + 1))
    if [ "$got" != "$want" ]; then
      echo "FAIL $name: openssl verify exit $got, the table says $verdict"
      fail=1
    fi
  fi
done < "$data/cases.txt"

# The JSON form of a valid and of a revoked path.
openssl x509 -inform der -in "$data/root.der" -out "$t/root.pem"
check 0 '"valid": true' verify --at "$at" --roots "$t/root.pem" --untrusted "$data/int.der" --json "$data/ee.der"
check 0 '"from": "anchor"' verify --at "$at" --roots "$t/root.pem" --untrusted "$data/int.der" --json "$data/ee.der"
check 1 '"verdict": "certificate revoked"' verify --at "$at" --roots "$t/root.pem" --untrusted "$data/int_crl.der" \
  --crl "$data/crl_int.der" --crl "$data/crl_root.der" --json "$data/ee_revoked.der"
check 1 'verdict: not valid: certificate expired (depth 1)' verify --at "$at" --roots "$t/root.pem" \
  --untrusted "$data/int_expired.der" "$data/ee_under_expired.der"
# A directory of roots: files that are not certificates are passed over.
mkdir "$t/roots" "$t/roots_empty"
cp "$data/root.der" "$t/roots/"
cp "$data/crl_root.der" "$t/roots/"
check 0 'verdict: valid' verify --at "$at" --roots "$t/roots" --untrusted "$data/int.der" "$data/ee.der"
# Usage errors.
check 2 "usage" verify
check 2 "usage" verify --roots "$t/root.pem"
check 2 "usage" verify --roots "$t/root.pem" --at yesterday "$data/ee.der"
check 2 "usage" verify --roots "$t/root.pem" --policy 1.x.3 "$data/ee.der"
check 2 "usage" verify --roots "$t/root.pem" --crl-check some "$data/ee.der"
check 2 "usage" verify --roots "$t/root.pem" --bogus "$data/ee.der"
# Unusable input: exit 1 with a message.
check 1 "pkixtool verify" verify --roots "$t/root.pem" "$data/cases.txt"
check 1 "pkixtool verify: " verify --roots "$data/cases.txt" "$data/ee.der"
check 1 "no trust anchor" verify --roots "$t/roots_empty" "$data/ee.der"

echo "$cases cases"
exit $fail
