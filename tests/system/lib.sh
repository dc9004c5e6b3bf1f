# Shared by the system tests of the native binary.

# wait_for SECONDS COMMAND...: true once the command succeeds, false at the deadline.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.02
  done
}
exited() { ! kill -0 "$1" 2>/dev/null; }
