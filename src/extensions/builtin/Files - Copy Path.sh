#!/bin/bash
# Tavolin extension: copies the path of the folder shown in the file manager to the clipboard.
#
# The path comes from TAVOLIN_DOCUMENT when Tavolin knows it; otherwise the file manager is asked to copy
# its own location bar (Ctrl+L, Ctrl+C, Escape) with xdotool on X11 or wtype on Wayland.
set -u

fail() { printf 'Copy Path: %s\n' "$*" >&2; exit 1; }
have() { command -v "$1" >/dev/null 2>&1; }

# file:///a%20b → /a b; plain paths pass through.
local_path() {
  local text=$1
  case $text in
    file://*) text=${text#file://}; text=${text#localhost}; printf '%b' "${text//%/\\x}" ;;
    *) printf '%s' "$text" ;;
  esac
}

copy_text() {
  if [ -n "${WAYLAND_DISPLAY:-}" ] && have wl-copy; then
    printf '%s' "$1" | wl-copy >/dev/null 2>&1
  elif have xclip; then
    printf '%s' "$1" | xclip -selection clipboard >/dev/null 2>&1
  elif have xsel; then
    printf '%s' "$1" | xsel --clipboard --input >/dev/null 2>&1
  else
    fail "no clipboard tool found; install wl-clipboard (Wayland), xclip or xsel."
  fi || fail "the clipboard tool failed."
}

# Sends xdotool-style key names ("ctrl+l", "Escape") to the focused window.
send_keys() {
  if [ -n "${WAYLAND_DISPLAY:-}" ] && have wtype; then
    local key
    for key in "$@"; do
      case $key in
        ctrl+*) wtype -M ctrl "${key#ctrl+}" -m ctrl ;;
        *) wtype -k "$key" ;;
      esac || return 1
    done
  elif [ -n "${DISPLAY:-}" ] && have xdotool; then
    xdotool key --clearmodifiers "$@"
  else
    return 2
  fi
}

if [ -n "${TAVOLIN_DOCUMENT:-}" ]; then
  copy_text "$(local_path "$TAVOLIN_DOCUMENT")"
  exit 0
fi

send_keys ctrl+l ctrl+c Escape
case $? in
  0) exit 0 ;;
  2) fail "the folder shown is not known; install xdotool (X11) or wtype (Wayland) so the file manager can be asked for it." ;;
  *) fail "sending keys to the file manager failed." ;;
esac
