#!/bin/bash
# Tavolin extension: shows hidden files in the file manager, or hides them again.
#
# Nautilus, Nemo and Caja keep the choice in GSettings and follow it at once; the others (and these, when
# gsettings is missing) toggle it with their Ctrl+H shortcut, sent with xdotool on X11 or wtype on Wayland.
set -u

fail() { printf 'Hide or Show Hidden Files: %s\n' "$*" >&2; exit 1; }
have() { command -v "$1" >/dev/null 2>&1; }

file_manager=${TAVOLIN_APP:-}
file_manager=${file_manager%.app}
file_manager=${file_manager,,}
if [ -z "$file_manager" ]; then
  for candidate in nautilus nemo caja thunar pcmanfm dolphin; do
    if have "$candidate"; then file_manager=$candidate; break; fi
  done
fi

# Flips a boolean GSettings key; fails when the schema or key is not installed.
toggle_setting() {
  local schema=$1 key=$2 value
  have gsettings || return 1
  gsettings writable "$schema" "$key" >/dev/null 2>&1 || return 1
  value=$(gsettings get "$schema" "$key") || return 1
  if [ "$value" = true ]; then value=false; else value=true; fi
  gsettings set "$schema" "$key" "$value" || return 1
  if [ "$value" = true ]; then echo "Hidden files are shown."; else echo "Hidden files are hidden."; fi
}

send_ctrl_h() {
  if [ -n "${WAYLAND_DISPLAY:-}" ] && have wtype; then
    wtype -M ctrl h -m ctrl
  elif [ -n "${DISPLAY:-}" ] && have xdotool; then
    xdotool key --clearmodifiers ctrl+h
  else
    return 2
  fi
}

case $file_manager in
  nautilus)
    # GTK 4 releases read the first schema, GTK 3 releases the second.
    toggle_setting org.gtk.gtk4.Settings.FileChooser show-hidden && exit 0
    toggle_setting org.gtk.Settings.FileChooser show-hidden && exit 0 ;;
  nemo) toggle_setting org.nemo.preferences show-hidden-files && exit 0 ;;
  caja) toggle_setting org.mate.caja.preferences show-hidden-files && exit 0 ;;
esac

send_ctrl_h
case $? in
  0) exit 0 ;;
  2) fail "cannot reach ${file_manager:-the file manager}; install xdotool (X11) or wtype (Wayland)." ;;
  *) fail "sending Ctrl+H to ${file_manager:-the file manager} failed." ;;
esac
