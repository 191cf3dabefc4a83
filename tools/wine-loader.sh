# Choosing Wine's loader. Where wine32 is installed beside wine64, plain "wine"
# is the 32-bit loader, which some machines cannot execute at all, so the
# loaders are named by path and chosen by the program's own machine type.

# The 64-bit loader (the one that boots and serves a 64-bit prefix).
wine_loader() {
  if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64 || command -v wine; fi
}

# The 32-bit loader, or nothing where wine32 is not installed.
wine_loader32() {
  if [ -x /usr/lib/wine/wine ]; then echo /usr/lib/wine/wine; fi
}

# The machine field of a PE image: i386 or amd64 (or unknown).
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || { echo unknown; return; }
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo i386 ;;
    8664) echo amd64 ;;
    *) echo unknown ;;
  esac
}

# The loader for one program: the 32-bit one for a 32-bit image where it is
# installed, the 64-bit one otherwise.
wine_loader_for() {
  if [ "$(pe_machine "$1")" = i386 ] && [ -n "$(wine_loader32)" ]; then
    wine_loader32
  else
    wine_loader
  fi
}
