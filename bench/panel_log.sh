# Sourced by the benchmark scripts that show the palette's panel and time it from the program's log.
panel_shown() { xdotool search --onlyvisible --name '^Tavolin$'; }
# Hidden when two looks 50 ms apart find no panel: a look fails as well when a window vanishes under it
# (BadWindow), and a key pressed while the panel is still up closes it instead of showing it.
panel_hidden() {
  ! xdotool search --onlyvisible --name '^Tavolin$' && sleep 0.05 && ! xdotool search --onlyvisible --name '^Tavolin$'
}
# Milliseconds since midnight of a log time stamp (HH:MM:SS.mmm) or of `date +%T.%3N`.
ms_of() { awk -F'[:.]' '{ printf "%d\n", (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }' <<<"$1"; }
# The time stamp of the first line after line $2 of log $1 that contains $3.
stamp_after() { tail -n +"$(($2 + 1))" "$1" | grep -m1 -F -- "$3" | cut -d' ' -f1; }
