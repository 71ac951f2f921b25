# Wayland mode of headless-session.sh (sourced by it): sway on its headless backend with Xwayland, and the
# session bus and accessibility bus beside it. Sway refuses to start as root, so under root (CI) the whole
# session and every program a test starts in it run as an unprivileged user of their own, created once; root
# itself still reaches the buses (D-Bus lets uid 0 in) and the compositor's sockets.

session_user=tavolin-session

# The uid and gid programs of the session run as; empty when this script is not root (programs run as we do).
session_ids() {
  [ "$(id -u)" -eq 0 ] || return 0
  if ! id -u "$session_user" >/dev/null 2>&1; then
    # Two sessions starting at once may both try; the loser finds the user made by the winner.
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
      "$session_user" >/dev/null 2>&1 || id -u "$session_user" >/dev/null 2>&1 \
      || die "could not create the user $session_user"
  fi
  echo "$(id -u "$session_user") $(id -g "$session_user")"
}

# The prefix that runs a command as the session's user in place (the pid stays the command's own).
as_user=()
set_as_user() {
  as_user=()
  [ -z "${SESSION_UID:-}" ] || as_user=(setpriv --reuid="$SESSION_UID" --regid="$SESSION_GID" --clear-groups --)
}

# The environment of the session's own processes (an array, not a function: a function started in the
# background would put a subshell's pid in $!).
wayland_env() {
  session_env=(env HOME="$RUNTIME_DIR" XDG_RUNTIME_DIR="$RUNTIME_DIR" DBUS_SESSION_BUS_ADDRESS="$BUS_ADDRESS")
}

sway_answers() {
  [ -n "$SWAY_SOCK" ] && [ -S "$SWAY_SOCK" ] && timeout 2 swaymsg -s "$SWAY_SOCK" -t get_version >/dev/null 2>&1
}

wayland_session_up() {
  alive "$SWAY_PID" && alive "$BUS_PID" && alive "$LAUNCHER_PID" && sway_answers
}

wayland_print_env() {
  echo "export XDG_RUNTIME_DIR=$RUNTIME_DIR"
  echo "export WAYLAND_DISPLAY=$WAYLAND_NAME"
  echo "export SWAYSOCK=$SWAY_SOCK"
  echo "export DISPLAY=$DISPLAY_NAME"
  echo "export DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS"
  echo "export GDK_BACKEND=wayland"
  echo "export QT_QPA_PLATFORM=wayland"
  echo "export GSETTINGS_BACKEND=memory"
  echo "export TAVOLIN_HEADLESS_STATE=$state_dir"
  [ -n "$SESSION_UID" ] && echo "export TAVOLIN_SESSION_USER=$session_user"
  echo "unset AT_SPI_BUS_ADDRESS NO_AT_BRIDGE"
}

wayland_stop() {
  stop_group "$KEYBOARD_PID"
  # At once and as a group: sway asked to quit sees its Xwayland go first and forks a new one, which outlives it.
  if alive "$SWAY_PID"; then
    kill -KILL -- "-$SWAY_PID" 2>/dev/null || true
    for _ in $(seq 30); do alive "$SWAY_PID" || break; sleep 0.1; done
  fi
  stop_group "$LAUNCHER_PID"
  stop_group "$BUS_PID"
  case "$RUNTIME_DIR" in /tmp/tavolin-wayland-*) rm -rf "$RUNTIME_DIR" ;; esac
}

# The session bus (root let in too, for the tests that read the session), then the accessibility bus (which
# lets root in itself), asked once so its registry runs before the first application.
wayland_start_buses() {
  cat > "$RUNTIME_DIR/bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="root"/></policy>
</busconfig>
CONF
  local out
  wayland_env
  out=$("${session_env[@]}" timeout 5 "${as_user[@]}" dbus-daemon --config-file="$RUNTIME_DIR/bus.conf" --fork --print-address=1 --print-pid=1) || { do_stop; die "dbus-daemon did not start"; }
  BUS_ADDRESS=$(echo "$out" | sed -n 1p)
  BUS_PID=$(echo "$out" | sed -n 2p)
  save_state
  wayland_env
  LAUNCHER_PID=$("${session_env[@]}" setsid "${as_user[@]}" /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 \
    >"$state_dir/at-spi.log" 2>&1 & echo $!)
  save_state
  await_accessibility_bus
}

# Sway with Xwayland started at once (not on first use), so DISPLAY is known before any program starts.
wayland_start_sway() {
  cat > "$RUNTIME_DIR/sway.config" <<'CONF'
xwayland force
output HEADLESS-1 resolution 1280x1024 position 0 0
focus_on_window_activation focus
CONF
  wayland_env
  SWAY_PID=$("${session_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    setsid "${as_user[@]}" sway -c "$RUNTIME_DIR/sway.config" >"$state_dir/sway.log" 2>&1 & echo $!)
  save_state
  for _ in $(seq 100); do
    SWAY_SOCK=$(ls "$RUNTIME_DIR"/sway-ipc.*."$SWAY_PID".sock 2>/dev/null | head -1) || true
    sway_answers && break
    alive "$SWAY_PID" || break
    sleep 0.05
  done
  sway_answers || { do_stop; die "sway did not come up (see $state_dir/sway.log)"; }
  WAYLAND_NAME=$(cd "$RUNTIME_DIR" && ls wayland-* 2>/dev/null | grep -v '\.lock$' | head -1)
  [ -n "$WAYLAND_NAME" ] || { do_stop; die "sway made no Wayland socket"; }
  save_state
  # Sway tells its children where Xwayland is; ask one of them.
  swaymsg -s "$SWAY_SOCK" exec "echo \$DISPLAY > $RUNTIME_DIR/display" >/dev/null
  for _ in $(seq 100); do [ -s "$RUNTIME_DIR/display" ] && break; sleep 0.05; done
  DISPLAY_NAME=$(tr -d '[:space:]' < "$RUNTIME_DIR/display" 2>/dev/null) || true
  [ -n "$DISPLAY_NAME" ] || { do_stop; die "Xwayland did not start (see $state_dir/sway.log)"; }
  save_state
}

# A seat without a keyboard gives no application keyboard focus, so none would ever be active (GTK sets
# ACTIVE on keyboard focus): a virtual keyboard stays attached for the whole session, as a desktop's would.
wayland_start_keyboard() {
  wayland_env
  KEYBOARD_PID=$("${session_env[@]}" WAYLAND_DISPLAY="$WAYLAND_NAME" setsid "${as_user[@]}" wtype -s 2000000000 \
    >"$state_dir/keyboard.log" 2>&1 & echo $!)
  save_state
  for _ in $(seq 50); do
    timeout 2 swaymsg -s "$SWAY_SOCK" -t get_inputs 2>/dev/null | grep -q '"type": "keyboard"' && return 0
    sleep 0.05
  done
  do_stop
  die "the virtual keyboard did not attach (see $state_dir/keyboard.log)"
}

wayland_start() {
  for tool in sway swaymsg Xwayland wtype grim dbus-daemon gdbus setpriv; do
    command -v "$tool" >/dev/null || die "$tool is not installed (scripts/install-deps.sh test)"
  done
  [ -x /usr/libexec/at-spi-bus-launcher ] || die "/usr/libexec/at-spi-bus-launcher is missing (package at-spi2-core)"
  local ids
  ids=$(session_ids)
  SESSION_UID=${ids%% *}
  SESSION_GID=${ids##* }
  [ -n "$ids" ] || { SESSION_UID=""; SESSION_GID=""; }
  set_as_user
  MODE=wayland
  RUNTIME_DIR=$(mktemp -d /tmp/tavolin-wayland-XXXXXX)
  chmod 700 "$RUNTIME_DIR"
  [ -n "$SESSION_UID" ] && chown "$SESSION_UID:$SESSION_GID" "$RUNTIME_DIR"
  save_state
  wayland_start_buses
  wayland_start_sway
  wayland_start_keyboard
  wayland_print_env
}
