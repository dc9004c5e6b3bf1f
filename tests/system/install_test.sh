#!/usr/bin/env bash
# The install tree holds the tool, the client, the docs, the example script
# and the example systemd unit. Usage: install_test.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d /tmp/zwstats-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null || { echo "FAIL: install"; exit 1; }
status=0
for f in bin/zwstats libexec/zwstats/ftp share/doc/zwstats/README.md \
         share/doc/zwstats/zwstats.service share/doc/zwstats/examples/upload.scr; do
  if [ -f "$prefix/$f" ]; then echo "ok   $f"; else echo "FAIL missing $f"; status=1; fi
done
for f in bin/zwstats libexec/zwstats/ftp; do
  [ -x "$prefix/$f" ] || { echo "FAIL $f is not executable"; status=1; }
done
# The installed tool runs: a short command line gives the usage text, exit 0.
"$prefix/bin/zwstats" < /dev/null 2>&1 | grep -q '^usage:$' || { echo "FAIL installed zwstats"; status=1; }
grep -q '^ExecStart=.*zwstats ' "$prefix/share/doc/zwstats/zwstats.service" || { echo "FAIL unit"; status=1; }
exit $status
