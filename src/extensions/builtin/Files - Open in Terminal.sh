#!/bin/bash
# Tavolin extension: opens a terminal in the folder shown in the file manager.
#
# The folder comes from TAVOLIN_DOCUMENT when Tavolin knows it (a file stands for its folder); otherwise the
# file manager's location bar is copied (Ctrl+L, Ctrl+C, Escape) and read back from the clipboard, whose
# previous text is put back afterwards; what is read must be an existing folder or file. The terminal is the desktop's default (x-terminal-emulator) or the
# first of the usual ones found.
set -u

fail() { printf 'Open in Terminal: %s\n' "$*" >&2; exit 1; }
have() { command -v "$1" >/dev/null 2>&1; }

local_path() {
  local text=$1
  case $text in
    file://*) text=${text#file://}; text=${text#localhost}; printf '%b' "${text//%/\\x}" ;;
    *) printf '%s' "$text" ;;
  esac
}

paste_text() {
  if [ -n "${WAYLAND_DISPLAY:-}" ] && have wl-paste; then wl-paste --no-newline 2>/dev/null
  elif have xclip; then xclip -selection clipboard -o 2>/dev/null
  elif have xsel; then xsel --clipboard --output 2>/dev/null
  else return 2
  fi
}

copy_text() {
  if [ -n "${WAYLAND_DISPLAY:-}" ] && have wl-copy; then printf '%s' "$1" | wl-copy >/dev/null 2>&1
  elif have xclip; then printf '%s' "$1" | xclip -selection clipboard >/dev/null 2>&1
  elif have xsel; then printf '%s' "$1" | xsel --clipboard --input >/dev/null 2>&1
  fi
}

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

# Prints the location the file manager shows. Status 2: a clipboard or key tool is missing; 3: nothing came
# back. The clipboard is emptied first, so text the user copied earlier is never taken for the location.
folder_from_file_manager() {
  local saved shown status
  saved=$(paste_text)
  [ $? -eq 2 ] && return 2 # an empty clipboard fails the paste too; only a missing tool stops here
  copy_text ""
  send_keys ctrl+l ctrl+c Escape
  status=$?
  if [ $status -ne 0 ]; then
    copy_text "$saved"
    return $status
  fi
  shown=$(paste_text)
  copy_text "$saved"
  [ -n "$shown" ] || return 3
  local_path "$shown"
}

if [ -n "${TAVOLIN_DOCUMENT:-}" ]; then
  folder=$(local_path "$TAVOLIN_DOCUMENT")
else
  folder=$(folder_from_file_manager)
  case $? in
    0) ;;
    2) fail "the folder shown is not known; install xdotool (X11) or wtype (Wayland) and xclip, xsel or wl-clipboard so the file manager can be asked for it." ;;
    *) fail "the file manager did not tell its folder (nothing was copied from its location bar)." ;;
  esac
fi
case $folder in
  /*) ;;
  *) fail "\"$folder\" is not a folder on this computer." ;;
esac
[ -e "$folder" ] || fail "\"$folder\" does not exist."
[ -d "$folder" ] || folder=${folder%/*}
[ -d "$folder" ] || fail "\"$folder\" is not a folder."

terminal=
for candidate in x-terminal-emulator gnome-terminal konsole xfce4-terminal mate-terminal lxterminal tilix kitty alacritty xterm; do
  if have "$candidate"; then terminal=$candidate; break; fi
done
[ -n "$terminal" ] || fail "no terminal program found (x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm, ...)."

# Started in the folder and left running on its own; its output must not hold Tavolin's pipe open. What this
# script leaves in its process group is ended when it exits, so the terminal gets a session of its own, and
# the script waits (briefly) until it has one.
cd -- "$folder" || fail "cannot enter \"$folder\"."
setsid "$terminal" </dev/null >/dev/null 2>&1 &
child=$!
disown
for _ in {1..200}; do
  stat=$(<"/proc/$child/stat") || break # already gone
  read -r _ _ _ session _ <<<"${stat##*) }"
  [ "$session" = "$child" ] && break
  sleep 0.01
done
