#!/bin/sh
# Starts a test program of the host's own build, under the emulator NUMBERLIST_TEST_EMULATOR names
# when it is set (qemu-x86_64 offering a smaller processor), so that one amd64 build is also tested
# as machines without AVX-512 or AVX run it. The variable is split on blanks on purpose.
# shellcheck disable=SC2086
exec ${NUMBERLIST_TEST_EMULATOR:-} "$@"
