# Shared by the tool's shell tests. A script that has not made its own
# scratch directory $t before sourcing this gets one, removed on exit; the
# counters $cases and $fail start at 0 unless the script set them.
if [ -z "${t:-}" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  t="$tmp"
fi
cases=${cases:-0}
fail=${fail:-0}

# use_tool TOOL-COMMAND...: the tool command may be an emulator and the tool;
# $TOOL becomes a wrapper that runs both.
use_tool() {
  cat > "$t/tool" <<WRAP
#!/bin/sh
exec $* "\$@"
WRAP
  chmod +x "$t/tool"
  TOOL="$t/tool"
}

# One case: EXPECTED-EXIT, a fixed string the output must hold ("" none),
# then the tool's arguments. Output is standard error and output together;
# a sanitizer report or an uncaught exception fails the case whatever the
# exit code.
check() {
  want=$1
  text=$2
  shift 2
  cases=$((cases + 1))
  "$TOOL" "$@" > "$t/out" 2>&1
  got=$?
  msg=$(head -c 2000 "$t/out")
  what=$(echo "$*" | cut -c 1-160)
  if [ "$got" != "$want" ]; then
    echo "FAIL pkixtool $what: exit $got, expected $want: $msg"
    fail=1
  elif [ -n "$text" ] && ! grep -qF -- "$text" "$t/out"; then
    echo "FAIL pkixtool $what: no '$text' in: $msg"
    fail=1
  elif grep -q "Sanitizer\|runtime error\|terminate called" "$t/out"; then
    echo "FAIL pkixtool $what: $msg"
    fail=1
  fi
}
