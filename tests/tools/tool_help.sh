#!/bin/sh
# pkixtool's help, exit statuses and messages, and its manual page: every
# command answers --help with its usage line on standard output (exit 0);
# the manual page lists exactly the commands the tool lists; each exit
# status is reached; files of the wrong kind or unreadable ones are named
# with what is wrong with them.
#   tool_help.sh EXAMPLES_DIR MANUAL_PAGE TOOL-COMMAND...
set -u
examples=$1
man=$2
shift 2
. "$(dirname "$0")/tool_check.sh"
use_tool "$@"
c="$examples/certs"

# 1. Help of the whole tool, of each group and of each command.
check 0 "usage: pkixtool COMMAND [ARGS]" --help
check 0 "exit status:" -h
check 0 "  3  an input file cannot be read" --help
"$TOOL" --list-commands > "$t/commands" || { echo "FAIL --list-commands"; fail=1; }
[ -s "$t/commands" ] || { echo "FAIL --list-commands lists nothing"; fail=1; }
while read -r cmd; do
  # shellcheck disable=SC2086
  check 0 "usage: pkixtool $cmd" $cmd --help
  # On standard output, nothing on standard error.
  # shellcheck disable=SC2086
  "$TOOL" $cmd --help 2> "$t/err" > /dev/null
  [ -s "$t/err" ] && { echo "FAIL $cmd --help writes to standard error: $(cat "$t/err")"; fail=1; }
  group=${cmd%% *}
  check 0 "usage: pkixtool $cmd" "$group" --help
done < "$t/commands"
check 2 "usage: pkixtool COMMAND" nosuch --help
check 2 "usage: pkixtool COMMAND" cert nosuch --help

# 2. The manual page lists the same commands (one .CMD line each).
sed -n 's/^\.CMD "\([^"]*\)".*/\1/p' "$man" | sort > "$t/man"
sort "$t/commands" > "$t/listed"
cases=$((cases + 1))
if ! cmp -s "$t/man" "$t/listed"; then
  echo "FAIL the manual page and pkixtool --list-commands differ (< manual page, > tool):"
  diff "$t/man" "$t/listed" | grep '^[<>]'
  fail=1
fi
# ... and every exit status the help text names.
for code in 0 1 2 3; do
  cases=$((cases + 1))
  grep -q "^\.B $code$" "$man" || { echo "FAIL the manual page does not describe exit status $code"; fail=1; }
done

# 3. Each exit status, and messages that name the file and the fault.
check 0 "subject: " cert show "$c/server.der"
check 1 "signature FAILED" cert verify "$c/server-tampered.der" "$c/sub-ca.der"
check 1 "revoked" cert check "$c/revoked.der" "$examples/crl/v2-reasons.der"
check 2 "usage: pkixtool cert show FILE [--json]" cert show
check 2 "usage: pkixtool cert show FILE [--json]" cert show "$c/server.der" --all
check 2 "usage: pkixtool cert compare A B" cert compare --json
check 2 "usage: pkixtool COMMAND" nosuch
check 3 "pkixtool cert: cannot read $t/absent: No such file or directory" cert show "$t/absent"
check 3 "pkixtool key: cannot read $t/absent: No such file or directory" key show --json "$t/absent"
check 3 "pkixtool crl: cannot read $t/absent: No such file or directory" crl show "$t/absent"
check 3 "pkixtool cert: cannot read $t/absent: No such file or directory" cert check "$c/server.der" "$t/absent"
check 3 "cannot read $t: Is a directory" cert show "$t"
k="$examples/keys"
check 1 "server-key.p8.der: not a certificate: an element of another type where one was expected (code -15); the file holds a private key" \
  cert show "$k/server-key.p8.der"
check 1 "ec-ca-key.pub.der: not a certificate: an element of another type where one was expected (code -15); the file holds a public key" \
  cert show "$k/ec-ca-key.pub.der"
check 1 "v2-reasons.der: not a certificate: an element of another type where one was expected (code -15); the file holds a CRL" \
  cert show "$examples/crl/v2-reasons.der"
check 1 "v2-reasons.der: not a key the module reads: operation failed (parse, encode, creation or crypto) (code 9); the file holds a CRL" \
  key show "$examples/crl/v2-reasons.der"
check 1 "server.der: not a key the module reads: operation failed (parse, encode, creation or crypto) (code 9); the file holds a certificate" \
  key show "$c/server.der"
check 1 "server-key.p8.der: not a CRL the module can use: operation failed (parse, encode, creation or crypto) (code 9); the file holds a private key" \
  crl show "$k/server-key.p8.der"
check 1 "server.der: a certificate, not a CRL" crl show "$c/server.der"

echo "$cases cases"
exit $fail
