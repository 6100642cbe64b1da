#!/usr/bin/env bash
# Succeeds when Wine's 32-bit half can run here: the kernel runs 32-bit programs and wine32:i386 is
# installed (tools/install-deps.sh leaves it out, saying so, where it cannot be installed).
"$(dirname "$0")/kernel-runs-i386.sh" &&
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
