# Sourced by tools/test and tools/run: one virtual X display and one Wine prefix
# for a run, both ended by session_stop.
. "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"
#   session_start BUILD_DIR [WIDTHxHEIGHT]  exports DISPLAY and WINEPREFIX
#   session_stop

session_free_display() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"; return 0
    fi
  done
  return 1
}

session_start_display() {
  local size=${1:-1024x768}
  local n
  n=$(session_free_display) || { echo "no free X display number" >&2; return 1; }
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  SESSION_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}

# The loaders that serve the prefix's registry views: in a pure 32-bit prefix
# only the 32-bit one; in a 64-bit prefix the 64-bit one and, where this
# machine runs 32-bit code, the 32-bit one too (its programs read the 32-bit
# view of HKLM\Software).
session_prefix_loaders() {
  if [ "${SESSION_PREFIX_ARCH:-}" = win32 ]; then
    wine_loader32
    return
  fi
  wine_loader
  if [ -n "$(wine_loader32)" ] && "$(dirname "${BASH_SOURCE[0]}")/probe-32bit"; then
    wine_loader32
  fi
}

# reg add, in every registry view the prefix's programs read.
session_reg_add() {
  local loader
  for loader in $(session_prefix_loaders); do
    "$loader" reg add "$@" /f >/dev/null 2>&1
  done
}

# Japanese dialog fonts come from the IPA fonts; Wine looks the template's font
# up through these substitutes.
session_configure_prefix() {
  local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  local name
  for name in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "ＭＳ ゴシック" "MS Gothic" "MS Shell Dlg"; do
    session_reg_add "$subst" /v "$name" /t REG_SZ /d "IPAPGothic"
  done
  session_reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  # No window manager runs on the virtual display; unmanaged windows close at
  # once instead of Wine waiting for one.
  session_reg_add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
  # No just-in-time debugger, as on a machine without one: the system's
  # unhandled-exception filter then answers EXCEPTION_EXECUTE_HANDLER.
  local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  session_reg_add "$aedebug" /v Debugger /t REG_SZ /d "no-debugger.exe"
  session_reg_add "$aedebug" /v Auto /t REG_SZ /d "1"
}

# The tests run in a zone far from UTC, so that local time and UTC differ in
# every test; a person's own run (tools/run, tools/docs) keeps the local zone.
session_use_test_zone() {
  export TZ=Asia/Tokyo
}

# SESSION_PREFIX_ARCH=win32 makes a pure 32-bit prefix (served by the 32-bit
# loader alone); by default the prefix is 64-bit, and runs 32-bit programs too
# where wine32 is installed and the machine executes them.
session_start_prefix() {
  local build=$1
  mkdir -p "$build"
  local boot_loader
  if [ "${SESSION_PREFIX_ARCH:-}" = win32 ]; then
    export WINEPREFIX="$build/wineprefix32"
    export WINEARCH=win32
    boot_loader=$(wine_loader32)
  else
    export WINEPREFIX="$build/wineprefix"
    boot_loader=$(wine_loader)
  fi
  export WINELOADER="$boot_loader"
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${KEEP_PREFIX:-}" ]; then
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Booting a Wine prefix in $WINEPREFIX ..."
    "$boot_loader" wineboot -i >/dev/null 2>&1
    "$(session_wineserver)" -w
    session_configure_prefix
  fi
  # Start the server and the prefix's services now, detached from our output:
  # started by the first test instead, they would inherit its output pipe and
  # keep ctest waiting for it to close.
  "$(session_wineserver)" -p >/dev/null 2>&1 || true
  "$boot_loader" wineboot >/dev/null 2>&1 || true
  session_keep_desktop "$build"
}

# Wine closes the desktop a second after its last program ends, and a program
# started then opens a new one that gets its size only after the program is
# running (until then the cursor is held at 0,0). The keeper holds one desktop
# from here to session_stop; the session goes on once the desktop is ready.
session_keeper_program() {   # TREE
  local base
  base=$(dirname "$1")
  if [ "${SESSION_PREFIX_ARCH:-}" = win32 ]; then
    set -- "$1/session_keeper.exe" "$base/win32/session_keeper.exe"
  else
    set -- "$1/session_keeper.exe" "$base/win64/session_keeper.exe" "$base/win32/session_keeper.exe"
  fi
  local candidate
  for candidate in "$@"; do
    if [ -f "$candidate" ] && { [ "${SESSION_PREFIX_ARCH:-}" != win32 ] || [ "$(pe_machine "$candidate")" = i386 ]; }; then
      if [ "$(pe_machine "$candidate")" = amd64 ] || "$(dirname "${BASH_SOURCE[0]}")/probe-32bit"; then
        echo "$candidate"; return 0
      fi
    fi
  done
  return 1
}

session_keep_desktop() {   # TREE
  local keeper ready i
  if ! keeper=$(session_keeper_program "$1"); then
    echo "session: no session_keeper.exe built; tests may meet a desktop that is still starting" >&2
    return 0
  fi
  ready="$WINEPREFIX/.desktop-ready"
  rm -f "$ready"
  "$(wine_loader_for "$keeper")" "$keeper" "Z:$ready" >/dev/null 2>&1 &
  for i in $(seq 1 600); do
    [ -e "$ready" ] && return 0
    sleep 0.1
  done
  echo "session: the desktop did not become ready within 60 s" >&2
  return 1
}

# The server: the 64-bit one serves prefixes of both widths.
session_wineserver() {
  local dir
  dir=$(dirname "$(wine_loader)")
  if [ -x "$dir/wineserver64" ]; then echo "$dir/wineserver64";
  elif [ -x "$dir/wineserver32" ]; then echo "$dir/wineserver32";
  else echo wineserver; fi
}

session_start() {
  session_start_display "${2:-1024x768}"
  session_start_prefix "$1"
}

session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$(session_wineserver)" -k >/dev/null 2>&1 || true
  fi
  if [ -n "${SESSION_XVFB_PID:-}" ]; then
    kill "$SESSION_XVFB_PID" >/dev/null 2>&1 || true
    wait "$SESSION_XVFB_PID" 2>/dev/null || true
  fi
}
