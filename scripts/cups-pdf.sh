#!/usr/bin/env bash
# A PDF printer for the print end-to-end test (print_e2e_tests).
#
#   scripts/cups-pdf.sh start   installs CUPS, cups-pdf and poppler-utils if
#                               missing, starts cupsd if it is not running,
#                               adds the queue MergolaPDF (cups-pdf) and makes
#                               it the system's default printer
#   scripts/cups-pdf.sh stop    undoes exactly what start did: restores the
#                               earlier default printer, removes the queue if
#                               start added it, stops cupsd if start started it
#
# Run as root (there is no systemd in CI, so cupsd is started directly).
# What start did is recorded in $MERGOLA_CUPS_STATE_DIR (default
# /tmp/mergola-cups-pdf). cups-pdf writes each job's PDF to the "Out" folder
# of /etc/cups/cups-pdf.conf (for root: /root/PDF).
set -euo pipefail

queue=MergolaPDF
state=${MERGOLA_CUPS_STATE_DIR:-/tmp/mergola-cups-pdf}
packages=(cups printer-driver-cups-pdf poppler-utils)
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
startup_seconds=30
shutdown_seconds=10

say() { echo "cups-pdf.sh: $*" >&2; }

scheduler_running() {
  LC_ALL=C lpstat -r 2>/dev/null | grep -qx 'scheduler is running'
}

queue_exists() {
  lpstat -p "$queue" >/dev/null 2>&1
}

default_printer() {
  LC_ALL=C lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p'
}

install_missing() {
  local missing=() package status
  for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
}

start_scheduler() {
  scheduler_running && return 0
  say "starting cupsd"
  setsid /usr/sbin/cupsd -f </dev/null >"$state/cupsd.log" 2>&1 &
  echo $! >"$state/cupsd.pid"
  local waited=0
  until scheduler_running; do
    if ((waited >= startup_seconds * 10)) || ! kill -0 "$(cat "$state/cupsd.pid")" 2>/dev/null; then
      say "cupsd did not come up; its output:"
      cat "$state/cupsd.log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}

add_queue() {
  queue_exists && return 0
  say "adding the queue $queue"
  if [[ -f "$ppd" ]]; then
    lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd"
  else
    local model
    model=$(lpinfo -m | awk '/CUPS-PDF/ { print $1; exit }')
    [[ -n "$model" ]] || { say "no cups-pdf driver found"; return 1; }
    lpadmin -p "$queue" -E -v cups-pdf:/ -m "$model"
  fi
  touch "$state/queue"
}

make_default() {
  local previous
  previous=$(default_printer)
  [[ "$previous" == "$queue" ]] && return 0
  [[ -f "$state/previous-default" ]] || printf '%s\n' "$previous" >"$state/previous-default"
  lpadmin -d "$queue"
}

start() {
  [[ $(id -u) -eq 0 ]] || { say "start needs root"; exit 1; }
  mkdir -p "$state"
  install_missing
  start_scheduler
  add_queue
  make_default
  [[ "$(default_printer)" == "$queue" ]] || { say "$queue did not become the default printer"; exit 1; }
  say "$queue is the default printer"
}

stop() {
  if [[ ! -d "$state" ]]; then
    say "nothing recorded in $state: nothing to stop"
    return 0
  fi
  if [[ -f "$state/previous-default" ]] && scheduler_running; then
    local previous
    previous=$(cat "$state/previous-default")
    if [[ -n "$previous" ]] && lpstat -p "$previous" >/dev/null 2>&1; then
      lpadmin -d "$previous" || say "could not make $previous the default again"
    fi
  fi
  if [[ -f "$state/queue" ]] && scheduler_running && queue_exists; then
    say "removing the queue $queue"
    lpadmin -x "$queue" || say "could not remove $queue"
  fi
  if [[ -f "$state/cupsd.pid" ]]; then
    local pid
    pid=$(cat "$state/cupsd.pid")
    if [[ "$(ps -p "$pid" -o comm= 2>/dev/null)" == cupsd ]]; then
      say "stopping cupsd ($pid)"
      kill "$pid"
      local waited=0
      while kill -0 "$pid" 2>/dev/null && ((waited < shutdown_seconds * 10)); do
        sleep 0.1
        waited=$((waited + 1))
      done
      if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
      fi
    fi
  fi
  rm -rf "$state"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
