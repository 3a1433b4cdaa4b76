#!/bin/bash
# The audit settings through the real KAuth path (a step of scripts/e2e):
# a fresh system tree, a getent that knows the users alice and bob and a
# systemctl that only records, both first on the PATH of the client and of
# the activated helper, then audit-e2e-client inside a KAuth session.
#
#   autotests/audit/audit-e2e-step.sh [BUILD_DIR]
#
# BUILD_DIR defaults to $ADMINEVENTS_BUILD, then to build/. Needs root.
set -euo pipefail
SRC=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(realpath "${1:-${ADMINEVENTS_BUILD:-$SRC/build}}")
export ADMINEVENTS_BUILD="$BUILD"

[ -x "$BUILD/bin/audit-e2e-client" ] || { echo "audit-e2e-step: missing $BUILD/bin/audit-e2e-client (build first)" >&2; exit 1; }

WORK=$(mktemp -d /tmp/adminevents-audit-e2e.XXXXXX)
cleanup() {
    if [ -n "$WORK" ] && [ -d "$WORK" ]; then
        rm -rf -- "$WORK"
    fi
}
trap cleanup EXIT
# The helper runs as root but polkitd and the bus must reach the tree.
chmod 755 "$WORK"

"$SRC/scripts/make-root" "$WORK/root"

mkdir -p "$WORK/bin"
cat > "$WORK/bin/getent" <<'GETENT'
#!/bin/sh
case "$1" in
passwd) printf 'root:x:0:0:root:/root:/bin/bash\nalice:x:1000:1000::/home/alice:/bin/bash\nbob:x:1001:1001::/home/bob:/bin/bash\n' ;;
group) printf 'root:x:0:\nalice:x:1000:\nbob:x:1001:\n' ;;
*) exit 2 ;;
esac
GETENT
cat > "$WORK/bin/systemctl" <<SYSTEMCTL
#!/bin/sh
echo "\$*" >> '$WORK/systemctl.log'
exit 0
SYSTEMCTL
chmod 755 "$WORK/bin/getent" "$WORK/bin/systemctl"

export PATH="$WORK/bin:$PATH"
export QT_QPA_PLATFORM=offscreen
"$SRC/scripts/kauth-session" "$WORK/root" "$BUILD/bin/audit-e2e-client"
