#!/bin/sh
# scripts/slapd-test as shell tests use it: start prints a URL that serves
# the sample entries, url and restart give the same URL, stop ends the
# service, add takes entries, clean removes the folder, and a second start
# in the same folder is refused while the first runs.
#   slapd_script_test.sh SOURCE_DIR
set -u
src=$1
script=$src/scripts/slapd-test
dir=$(mktemp -d "${TMPDIR:-/tmp}/pkix-slapd-sh-XXXXXX")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
trap '"$script" clean "$dir" >/dev/null 2>&1' EXIT

url=$("$script" start "$dir") || { echo "FAIL: start: $url"; exit 1; }
case $url in ldap://127.0.0.1:[0-9]*) ;; *) fail "start printed '$url'";; esac
ldapsearch -x -LLL -H "$url" -b c=DE -s base dn >/dev/null 2>&1 || fail "no answer at $url"
[ "$("$script" url "$dir")" = "$url" ] || fail "url differs from start's"
"$script" start "$dir" >/dev/null 2>&1 && fail "a second start in the same folder was taken"

printf 'dn: cn=Shell CA,ou=PKI,o=Example,c=DE\nobjectClass: device\ncn: Shell CA\n' > "$dir/shell.ldif"
"$script" add "$dir" "$dir/shell.ldif" || fail "add"
ldapsearch -x -LLL -H "$url" -b 'cn=Shell CA,ou=PKI,o=Example,c=DE' -s base dn 2>/dev/null | grep -q 'Shell CA' ||
  fail "the added entry is not served"

[ "$("$script" restart "$dir")" = "$url" ] || fail "restart changed the URL"
ldapsearch -x -LLL -H "$url" -b c=DE -s base dn >/dev/null 2>&1 || fail "no answer after restart"
"$script" stop "$dir" || fail "stop"
ldapsearch -x -LLL -H "$url" -b c=DE -s base dn >/dev/null 2>&1 && fail "still answering after stop"
"$script" clean "$dir" || fail "clean"
[ -e "$dir" ] && fail "clean left $dir"

"$script" 2>/dev/null; [ $? -eq 2 ] || fail "no arguments should exit 2"
[ "$failures" -eq 0 ] && echo "slapd_script_test: all passed"
[ "$failures" -eq 0 ]
