#!/usr/bin/env bash
# Runs a command on a headless Wayland desktop that can share its screen
# through the desktop portal, as the lens needs: sway (headless, software
# rendering, XWayland on), PipeWire and WirePlumber, xdg-desktop-portal and
# xdg-desktop-portal-wlr, all on a session bus of their own. No screen, GPU
# or person is needed, so the Wayland end-to-end test runs it in CI.
#
#   bash scripts/wayland-session.sh COMMAND [ARGS...]
#
# The desktop is one monitor, HEADLESS-1, in plain magenta, 1280 x 720
# unless WAYLAND_SESSION_MODE says otherwise (1920x1080, say). The
# command gets WAYLAND_DISPLAY, DISPLAY (XWayland), SWAYSOCK and
# DBUS_SESSION_BUS_ADDRESS; its exit status is the script's, or 77 when the
# desktop's packages are missing (scripts/setup.sh installs them). sway does
# not run as root, so root runs it all as WAYLAND_SESSION_USER (default
# mergola-wl, made if missing). WAYLAND_SESSION_DIR keeps the logs there.
set -u
here=$(cd "$(dirname "$0")" && pwd)
for tool in sway pipewire wireplumber dbus-run-session gcc /usr/libexec/xdg-desktop-portal \
    /usr/libexec/xdg-desktop-portal-wlr; do
  command -v "$tool" >/dev/null || { echo "wayland-session: $tool is not installed" >&2; exit 77; }
done

if [[ $(id -u) -eq 0 ]]; then
  user=${WAYLAND_SESSION_USER:-mergola-wl}
  id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user" || exit 2
  work=${WAYLAND_SESSION_DIR:-$(mktemp -d)}
  mkdir -p "$work"
  # XWayland runs as that user and needs the shared X socket folder a fresh
  # machine may not have yet.
  install -d -m 1777 /tmp/.X11-unix
  chown "$user:" "$work"
  chmod 700 "$work"
  runuser -u "$user" -- env WAYLAND_SESSION_DIR="$work" ${WAYLAND_SESSION_MODE:+WAYLAND_SESSION_MODE="$WAYLAND_SESSION_MODE"} bash "$here/wayland-session.sh" "$@"
  status=$?
  [[ -n ${WAYLAND_SESSION_DIR:-} ]] || rm -rf "$work"
  exit $status
fi

if [[ -z ${WAYLAND_SESSION_INSIDE:-} ]]; then
  work=${WAYLAND_SESSION_DIR:-$(mktemp -d)}
  mkdir -p "$work"/{home,run,config/sway,config/xdg-desktop-portal-wlr,data/dbus-1/services,logs}
  chmod 700 "$work/run"
  cat >"$work/config/sway/config" <<EOF
output * bg #ff00ff solid_color
output HEADLESS-1 mode ${WAYLAND_SESSION_MODE:-1280x720} position 0 0
xwayland enable
default_border none
default_floating_border none
focus_follows_mouse no
seat seat0 hide_cursor 0
EOF
  printf '[screencast]\noutput_name=HEADLESS-1\nchooser_type=none\nmax_fps=60\n' \
    >"$work/config/xdg-desktop-portal-wlr/config"
  # xdg-desktop-portal-wlr 0.7.0 (Debian 12) gives no frames without a GPU
  # unless told of a DMA-BUF format that a software compositor never
  # announces (fixed in 0.8.0); the shim says it, and it then uses shared
  # memory. The session's own service file preloads it, so nothing outside
  # this folder changes.
  gcc -O2 -shared -fPIC -o "$work/xdpw-shim.so" "$here/xdpw-shm-shim.c" -ldl || exit 2
  printf '[D-BUS Service]\nName=org.freedesktop.impl.portal.desktop.wlr\nExec=/usr/bin/env LD_PRELOAD=%s /usr/libexec/xdg-desktop-portal-wlr\n' \
    "$work/xdpw-shim.so" >"$work/data/dbus-1/services/org.freedesktop.impl.portal.desktop.wlr.service"
  exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 LANG=C.UTF-8 \
    WAYLAND_SESSION_INSIDE=1 WAYLAND_SESSION_DIR="$work" ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} \
    ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
    dbus-run-session -- bash "$here/wayland-session.sh" "$@"
fi

# Inside the session bus now. Each step waits for the one before to be
# ready: WirePlumber gives up on a PipeWire that does not answer yet, and a
# stream opened before WirePlumber made its "default" metadata is never linked.
logs=$WAYLAND_SESSION_DIR/logs
fail() { echo "wayland-session: $*" >&2; kill $(jobs -p) 2>/dev/null; exit 3; }
until_ready() { # TRIES CHECK...: every 50 ms until CHECK succeeds
  local tries=$1; shift
  for ((i = 0; i < tries; i++)); do "$@" && return 0; sleep 0.05; done
  return 1
}
pipewire >"$logs/pipewire.log" 2>&1 &
pipewire_pid=$!
sway -c "$XDG_CONFIG_HOME/sway/config" >"$logs/sway.log" 2>&1 &
sway_pid=$!
until_ready 200 bash -c '[[ -S $XDG_RUNTIME_DIR/pipewire-0 ]] && timeout 2 pw-cli info 0 >/dev/null 2>&1' ||
  fail "PipeWire did not come up: $(tail -n 3 "$logs/pipewire.log")"
wireplumber >"$logs/wireplumber.log" 2>&1 &
sway_ready() {
  SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n 1)
  WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && compgen -G 'wayland-?' | head -n 1)
  [[ -n $SWAYSOCK && -n $WAYLAND_DISPLAY ]] && swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1
}
until_ready 400 sway_ready || fail "sway did not come up: $(tail -n 3 "$logs/sway.log")"
export SWAYSOCK WAYLAND_DISPLAY
until_ready 200 bash -c 'timeout 2 pw-cli ls Metadata 2>/dev/null | grep -q "metadata.name = \"default\""' ||
  fail "WirePlumber did not come up: $(tail -n 3 "$logs/wireplumber.log")"
# sway tells XWayland's display only to what it starts itself.
swaymsg exec "printenv DISPLAY >'$WAYLAND_SESSION_DIR/display'" >/dev/null
until_ready 200 test -s "$WAYLAND_SESSION_DIR/display" || fail "XWayland has no display"
export DISPLAY=$(cat "$WAYLAND_SESSION_DIR/display")
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
  XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_DATA_HOME

# xdg-desktop-portal-wlr 0.7.0 may leave the portal's first call to it
# unanswered until some other message reaches it (fixed in 0.7.1), and the
# portal then hangs for D-Bus's 25 s. Activating the portal while pinging
# the backend until the portal owns its name gets past that.
has_owner() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:"$1" 2>/dev/null | grep -q 'boolean true'
}
portal_up() {
  has_owner org.freedesktop.portal.Desktop && return 0
  has_owner org.freedesktop.impl.portal.desktop.wlr &&
    dbus-send --session --dest=org.freedesktop.impl.portal.desktop.wlr /org/freedesktop/portal/desktop \
      org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1
  return 1
}
timeout 30 dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
  org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 &
until_ready 400 portal_up || fail "the desktop portal did not come up"

"$@"
status=$?
swaymsg exit >/dev/null 2>&1
kill $(jobs -p) 2>/dev/null
wait 2>/dev/null
exit $status
