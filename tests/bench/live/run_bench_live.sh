#!/bin/sh
# Runs bench_live against an olad of its own: every plugin disabled, as the
# user nobody, in a network namespace of its own with only loopback. As root.
# Usage: run_bench_live.sh BUILD_DIR [FRAMES]
set -eu
bench="$1/tests/bench/live/bench_live"
frames="${2:-10000}"
conf=$(mktemp -d)
for p in artnet dummy e131 espnet ftdidmx gpio karate kinet milinst opendmx openpixelcontrol osc pathport \
         renard sandnet shownet spi stageprofi uartdmx usbdmx usbserial; do
    echo "enabled = false" > "$conf/ola-$p.conf"
done
chown -R nobody:nogroup "$conf"
unshare --net sh -c '
    ip link set lo up
    setpriv --reuid=nobody --regid=nogroup --clear-groups olad -c "$1" --no-http --no-register-with-dns-sd -l 0 &
    olad=$!
    sleep 2
    "$2" "$3"; status=$?
    kill $olad
    wait $olad || true # it writes its configuration as it ends
    exit $status' run_bench_live "$conf" "$bench" "$frames"
status=$?
rm -rf "$conf"
exit $status
