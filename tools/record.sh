# Sourced by tools/run and tools/docs: recording what the X display shows, and
# animated GIFs that play at the speed the screen really changed.
#
#   record_frames DIR SECONDS PERIOD
#       Screenshots of the root window into DIR (0001.xwd, 0002.xwd, ...), one
#       every PERIOD seconds for SECONDS seconds. DIR/times gets the moment of
#       each capture in microseconds, one a line, and after them the moment
#       the next capture was due: a frame lasts until the next one is taken.
#   frame_delays DIR
#       The GIF delay of each frame in hundredths of a second, one a line:
#       the real time from its capture to the next, rounded on the running
#       total so that the delays add up to the recorded time.
#   write_gif DIR OUT [CONVERT OPTIONS...]
#       The frames as a looping GIF with those delays; the options (a crop,
#       say) apply to every frame. Frames that show nothing new are merged
#       into the one before, their times added to it.
#   write_last_png DIR OUT [CONVERT OPTIONS...]
#       The last frame as a PNG.

record_now_us() {
  local now=$EPOCHREALTIME
  echo "${now//[!0-9]/}"   # the decimal sign is the locale's
}

record_sleep_until() {   # MICROSECONDS
  local left=$(( $1 - $(record_now_us) ))
  if [ "$left" -gt 0 ]; then
    sleep "$(printf '%d.%06d' $(( left / 1000000 )) $(( left % 1000000 )))"
  fi
}

record_frames() {   # DIR SECONDS PERIOD
  local dir=$1 seconds=$2 period=$3
  local period_us count i taken
  period_us=$(awk -v p="$period" 'BEGIN { printf "%d", p * 1000000 }')
  count=$(awk -v s="$seconds" -v p="$period" 'BEGIN { n = int(s / p + 0.5); print (n < 1 ? 1 : n) }')
  rm -rf "$dir"; mkdir -p "$dir"
  : > "$dir/times"
  for i in $(seq -f '%04g' 1 "$count"); do
    taken=$(record_now_us)
    xwd -root -silent > "$dir/$i.xwd"
    echo "$taken" >> "$dir/times"
    # The next capture is due one period after this one began, however long
    # the capture itself took.
    record_sleep_until $(( taken + period_us ))
  done
  record_now_us >> "$dir/times"
}

frame_delays() {   # DIR
  awk 'NR == 1 { first = $1 }
       { shown[NR] = int(($1 - first) / 10000 + 0.5) }
       END { for (i = 1; i < NR; i++) print shown[i + 1] - shown[i] }' "$1/times"
}

write_gif() {   # DIR OUT [CONVERT OPTIONS...]
  local dir=$1 out=$2; shift 2
  local frames=() delays=() i=0
  mapfile -t delays < <(frame_delays "$dir")
  for f in "$dir"/*.xwd; do
    frames+=(-delay "${delays[$i]}" "xwd:$f")
    i=$(( i + 1 ))
  done
  convert -loop 0 "${frames[@]}" "$@" -layers RemoveDups -layers Optimize "$out"
}

write_last_png() {   # DIR OUT [CONVERT OPTIONS...]
  local dir=$1 out=$2; shift 2
  local last
  last=$(ls "$dir"/*.xwd | tail -1)
  convert "xwd:$last" "$@" "$out"
}
