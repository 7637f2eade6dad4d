#!/bin/sh
# install_consume.sh BUILD_DIR SOURCE_DIR TOOLCHAIN_FILE EXTRA_FLAGS [EMULATOR...]
#
# Installs the build into a scratch prefix and checks the tree a consumer
# meets: the files in their GNU directories, the example host program
# (examples/consumer) built through find_package(pkix) and through
# pkg-config and run against the installed module, and the installed
# pkixtool, which finds the module beside it.
build=$1
src=$2
toolchain=$3
flags=$4
shift 4
emu="$*"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
fail=0
prefix="$t/prefix"
cert="$src/examples/certs/server.der"
want_subject="subject: C=DE, ST=Berlin, L=Berlin, O=Example, OU=Gateways, CN=gw1.example.org, emailAddress=ops@example.org"

if ! cmake --install "$build" --prefix "$prefix" > "$t/install.log" 2>&1; then
  echo "FAIL cmake --install: $(tail -20 "$t/install.log")"
  exit 1
fi

# The library directory GNUInstallDirs chose for this prefix.
libdir=$(dirname "$(find "$prefix" -name libpkix.so | head -n 1)")
for f in bin/pkixtool etc/x509conv.ini share/man/man1/pkixtool.1 include/pkix/host/host.h \
         include/pkix/module/pkixsrv.h include/pkix/cert/tcert.h; do
  [ -f "$prefix/$f" ] || { echo "FAIL not installed: $f"; fail=1; }
done
for f in libpkix.so libs_x509asn.so libpkixhost.a libpkixhost_services.a pkgconfig/pkix.pc cmake/pkix/pkixConfig.cmake; do
  [ -f "$libdir/$f" ] || { echo "FAIL not installed: $libdir/$f"; fail=1; }
done

# run WHAT PROGRAM...: the program's output must name the certificate's subject.
run() {
  what=$1
  shift
  if ! $emu "$@" > "$t/out" 2>&1; then
    echo "FAIL $what: $(head -c 1000 "$t/out")"
    fail=1
  elif ! grep -qxF "$want_subject" "$t/out"; then
    echo "FAIL $what: no '$want_subject' in: $(head -c 1000 "$t/out")"
    fail=1
  fi
}

# 1. find_package(pkix CONFIG).
tc=""
[ -n "$toolchain" ] && tc="-DCMAKE_TOOLCHAIN_FILE=$toolchain"
# Flags only when there are any: an empty CMAKE_CXX_FLAGS would drop the
# toolchain's own (-m32).
set --
[ -n "$flags" ] && set -- -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags"
if cmake -S "$src/examples/consumer" -B "$t/b1" -DCMAKE_PREFIX_PATH="$prefix" $tc "$@" > "$t/b1.log" 2>&1 &&
   cmake --build "$t/b1" > "$t/b1.log" 2>&1; then
  run "consumer through find_package" "$t/b1/consumer" "$(cat "$t/b1/module_path.txt")" "$cert"
else
  echo "FAIL consumer through find_package: $(tail -30 "$t/b1.log")"
  fail=1
fi

# 2. pkg-config, with the compiler and flags of the build.
cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -n 1)
arch=""
pc=pkg-config
if [ -n "$toolchain" ]; then
  arch=-m32
  if command -v i686-linux-gnu-pkg-config > /dev/null; then
    pc=i686-linux-gnu-pkg-config
  else
    # The i386 libraries' own .pc files (libcrypto), not the build machine's.
    export PKG_CONFIG_LIBDIR=/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig
  fi
fi
export PKG_CONFIG_PATH="$libdir/pkgconfig"
pcflags=$($pc --cflags --libs --static pkix 2> "$t/pc.err")
if [ $? -ne 0 ]; then
  echo "FAIL pkg-config pkix: $(cat "$t/pc.err")"
  fail=1
elif "$cxx" $arch $flags -std=c++17 -o "$t/consumer-pc" "$src/examples/consumer/consumer.cc" $pcflags \
     -Wl,-rpath,"$libdir" > "$t/pc.log" 2>&1; then
  run "consumer through pkg-config" "$t/consumer-pc" "$($pc --variable=module pkix)" "$cert"
else
  echo "FAIL consumer through pkg-config: $(tail -30 "$t/pc.log")"
  fail=1
fi

# 3. The installed tool finds the installed module (no PKIX_MODULE).
unset PKIX_MODULE
if ! $emu "$prefix/bin/pkixtool" cert show "$cert" > "$t/out" 2>&1; then
  echo "FAIL installed pkixtool: $(head -c 1000 "$t/out")"
  fail=1
elif ! grep -q "^subject: .*CN=gw1.example.org" "$t/out"; then
  echo "FAIL installed pkixtool: $(head -c 1000 "$t/out")"
  fail=1
fi

# 4. The README shows the consumer's own code: every line of its C++
# blocks is a line of consumer.cc.
awk '/^```cpp$/ { on = 1; next } /^```$/ { on = 0 } on && NF' "$src/README.md" > "$t/readme-code"
[ -s "$t/readme-code" ] || { echo "FAIL README.md shows no consumer code"; fail=1; }
while IFS= read -r line; do
  grep -qxF -- "$line" "$src/examples/consumer/consumer.cc" ||
    { echo "FAIL README.md shows a line consumer.cc does not hold: $line"; fail=1; }
done < "$t/readme-code"

[ $fail -eq 0 ] && echo "installed into $prefix: consumer built and run through find_package and pkg-config"
exit $fail
