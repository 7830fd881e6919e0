# shellcheck shell=bash disable=SC2154
# Bounded Wine calls over one Wine server kept up for the whole suite; sourced
# by tests/wine/run, which sets wine, wineserver, call_limit, log and
# WINEPREFIX.
#
# A server that exits between calls starts over at the next one and the prefix
# boots again, which costs seconds and under qemu can hang; so the server is
# persistent (-p) and runs in the foreground of a job of ours, whose life can
# be checked. Should it die all the same, it is started again, the call it
# took with it is made once more, and the log says so.

server_pid_file=$WINEPREFIX/wineserver.pid

start_server() {
  local pid waited=0
  "$wineserver" -f -p </dev/null >/dev/null 2>>"$log" &
  pid=$!
  echo $pid >"$server_pid_file"
  # The server works in its own folder and listens on a socket there; until
  # it does, a Wine call would start a server of its own.
  while [ ! -S "/proc/$pid/cwd/socket" ] && [ $waited -lt 100 ] && server_alive; do
    sleep 0.1
    waited=$((waited + 1))
  done
}

server_alive() {
  local pid state
  pid=$(cat "$server_pid_file" 2>/dev/null) || return 1
  state=$(ps -o stat= -p "$pid" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "${state:0:1}" != Z ]
}

# Ends the server and whatever Wine processes of this prefix outlive it: a
# process that lost its server under qemu can sit waiting for ever. They are
# told apart by the prefix in their environment, which is this run's alone.
stop_server() {
  local pid environ stray=()
  "$wineserver" -k 2>/dev/null
  pid=$(cat "$server_pid_file" 2>/dev/null) && timeout 20 tail --pid="$pid" -f /dev/null 2>/dev/null
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$pid" != $$ ] && grep -qzxF "WINEPREFIX=$WINEPREFIX" "$environ" 2>/dev/null && stray+=("$pid")
  done
  if [ ${#stray[@]} -ne 0 ]; then
    echo "wine: ending ${#stray[@]} Wine processes left after the server: ${stray[*]}" >&2
    kill -9 "${stray[@]}" 2>/dev/null
  fi
}

# One attempt: the call's output in $WINEPREFIX/call.out, its exit as status.
call_once() {
  timeout -k 5 "$call_limit" "$wine" "$@" >"$WINEPREFIX/call.out" 2>>"$log"
}

# w COMMAND [ARGUMENTS]: runs a Windows command in the prefix, at most
# call_limit seconds, its messages to the log. When the server is down
# before the call, or dies or the call times out, the server is started again
# and the call made once more.
w() {
  local rc why=""
  if ! server_alive; then
    echo "wine: the Wine server is down before '$*'; starting it again" | tee -a "$log" >&2
    start_server
  fi
  call_once "$@"
  rc=$?
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    why="took over $call_limit s"
  elif ! server_alive; then
    why="lost the Wine server (exit $rc)"
  fi
  if [ -n "$why" ]; then
    echo "wine: '$*' $why; starting the server if need be and trying once more" | tee -a "$log" >&2
    server_alive || start_server
    call_once "$@"
    rc=$?
  fi
  cat "$WINEPREFIX/call.out"
  return $rc
}
