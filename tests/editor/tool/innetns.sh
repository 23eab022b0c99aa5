#!/bin/sh
# Runs a test in a network namespace of its own with only loopback up, so
# nothing olad or its clients send can leave the machine.
set -e
exec unshare --net sh -c 'ip link set lo up && exec "$@"' innetns "$@"
