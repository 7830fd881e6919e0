# shellcheck shell=bash disable=SC2154
# Bounded Wine calls over one Wine server kept up for the whole suite; sourced
# by tests/wine/run, which sets wine, wineserver, call_limit, boot_limit, log,
# run_dir (a folder of the run's own) and WINEPREFIX (a folder in it).
#
# A server that exits between calls starts over at the next one and the prefix
# boots again, which costs seconds and under qemu can hang; so the server is
# persistent (-p) and runs in the foreground of a job of ours, whose life can
# be checked. Should a call hang or the server die all the same, the server
# and every Wine process of the prefix are ended, the server is started again
# and the call made once more; the messages say so.

server_pid_file=$run_dir/wineserver.pid
call_output=$run_dir/call.out

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

# Alive and not a zombie: the state after the name in /proc/PID/stat.
server_alive() {
  local pid stat
  read -r pid 2>/dev/null <"$server_pid_file" || return 1
  read -r stat 2>/dev/null <"/proc/$pid/stat" || return 1
  stat=${stat##*) }
  [ "${stat:0:1}" != Z ]
}

# The Wine processes of this prefix: Wine's own programs or the emulator
# running them, with this run's prefix in their environment.
prefix_processes() {
  local environ pid exe
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
    case $exe in
      /usr/lib/wine/* | */qemu-i386) ;;
      *) continue ;;
    esac
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "$environ" 2>/dev/null && echo "$pid"
  done
}

# Ends the server and whatever Wine processes of the prefix outlive it: a
# process that lost its server under qemu can wait for ever.
stop_server() {
  local pid stray
  "$wineserver" -k 2>/dev/null
  pid=$(cat "$server_pid_file" 2>/dev/null) && timeout 20 tail --pid="$pid" -f /dev/null 2>/dev/null
  stray=$(prefix_processes | tr '\n' ' ')
  if [ -n "$stray" ]; then
    echo "wine: ending Wine processes left after the server: $stray" >&2
    # shellcheck disable=SC2086
    kill -9 $stray 2>/dev/null
  fi
}

# One attempt: the call's output in $call_output, its exit as status. A client
# whose server died waits for ever, so a watcher ends the call as soon as the
# server is gone.
call_once() {
  local call watcher rc input
  exec {input}<&0
  timeout -k 5 "$call_limit" "$wine" "$@" <&$input >"$call_output" 2>>"$log" &
  call=$!
  exec {input}<&-
  (
    while kill -0 "$call" 2>/dev/null; do
      server_alive || { kill -TERM "$call" 2>/dev/null; exit; }
      sleep 1
    done
  ) &
  watcher=$!
  wait "$call"
  rc=$?
  kill "$watcher" 2>/dev/null
  wait "$watcher" 2>/dev/null
  return $rc
}

# w COMMAND [ARGUMENTS]: runs a Windows command in the prefix, at most
# call_limit seconds, its messages to the log, and prints its output.
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
    echo "wine: '$*' $why; starting the server again and trying once more" | tee -a "$log" >&2
    stop_server
    start_server
    call_once "$@"
    rc=$?
  fi
  cat "$call_output"
  return $rc
}

# Makes the prefix. A start-up that hangs or fails leaves a prefix half made,
# so the second attempt starts from an empty one.
make_prefix() {
  local attempt
  for attempt in 1 2; do
    timeout -k 5 "$boot_limit" "$wine" wineboot --init >/dev/null 2>>"$log" && server_alive && return 0
    [ $attempt -eq 2 ] && break
    echo "wine: making the prefix failed or took over $boot_limit s; once more from an empty prefix" |
      tee -a "$log" >&2
    stop_server
    rm -rf "$WINEPREFIX"
    mkdir "$WINEPREFIX"
    start_server
  done
  return 1
}
