#!/usr/bin/env bash
# Starts the simulated units of zorvan-sim and the GUI pointed at them: every pseudo-terminal a mode
# prints on its first line joins ZORVAN_EXTRA_PORTS, so it shows in the port pickers. The units stop
# when the GUI closes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/bin"
run_dir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$run_dir"
}
trap cleanup EXIT

extra=""
# start_unit DESCRIPTION MODE [ARGS...]: starts one simulated unit; a pseudo-terminal joins the pickers.
start_unit() {
  local description=$1
  shift
  local out="$run_dir/unit${#pids[@]}.out"
  "$bin/zorvan-sim" "$@" >"$out" 2>"$out.err" &
  pids+=($!)
  local line=""
  for _ in $(seq 100); do
    line=$(head -n 1 "$out" 2>/dev/null || true)
    [ -n "$line" ] && break
    sleep 0.05
  done
  if [ -z "$line" ]; then
    echo "demo: zorvan-sim $* did not start" >&2
    cat "$out.err" >&2 || true
    return
  fi
  echo "demo: $description on $line"
  case "$line" in
    /dev/*) extra="${extra:+$extra;}$line=$description" ;;
  esac
}

# Simulated units (each feature adds its own here):
start_unit "Simulated USB bootloader" bootloader --erase-ms 1500
# UDP 127.0.0.1:7000 is one inertial unit that starts in MAVLink output: the Param and Log tabs read it
# over UDP (127.0.0.1:7001 -> 7000); the Transport tab (same addresses) switches it to KavoLink and back.
start_unit "Simulated ORVE inertial unit (UDP)" ins --udp 127.0.0.1:7000 --target 127.0.0.1:7001 --mavlink
# The Param and Log tabs' USB mode reaches a flight-control unit on its pseudo-terminal.
start_unit "Simulated FMU (MAVLink) serial" fmu
# Its logs (Log tab) come with loss, duplicates, reordering and late chunks, on a second pseudo-terminal.
start_unit "Simulated FMU (MAVLink, lossy logs)" fmu --drop 3 --dup 3 --reorder --late-ms 300
start_unit "Simulated FMU console" console
# The ORVE panel's inertial unit is on its pseudo-terminal (the panel's serial mode). "USB" in its
# description lets the panel's AutoCon find it, as it finds a real unit's adapter.
# Its logs: an empty one, one that is no multiple of 240 bytes and one over 1 MB (factory log window).
start_unit "Simulated ORVE inertial unit (USB)" ins --compasses 3 --logs 1:0,2:1000,3:1500000

# The Param tab reads units, ranges and descriptions from paracfg.xlsx beside the executable: the
# simulator writes one for its parameters unless a workbook is there already.
if [ ! -f "$bin/paracfg.xlsx" ]; then
  "$bin/zorvan-sim" fmu --write-paracfg "$bin/paracfg.xlsx" && echo "demo: wrote $bin/paracfg.xlsx"
fi

export ZORVAN_EXTRA_PORTS="$extra"
cd "$root"
# The ORVE panel shows SetSN and the parameter window's table and files only when ./cfg/Setting.ini
# asks for them; the demo asks, unless the file already has an [ORVE] section of its own.
mkdir -p cfg
if ! grep -q '^\[ORVE\]' cfg/Setting.ini 2>/dev/null; then
  printf '\n[ORVE]\nSN=EnableWriteSN\nMode=DebugMode\n' >>cfg/Setting.ini
  echo "demo: cfg/Setting.ini shows SetSN and the parameter table (ORVE/SN, ORVE/Mode)"
fi
"$bin/Zorvan-Tools"
