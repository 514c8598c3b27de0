# Shared by scripts/run and scripts/test: installs what a fresh machine lacks,
# builds a golden Wine prefix once, and starts a private X display.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE_DIR=${DLV_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/delvane}
GOLDEN_PREFIX=$CACHE_DIR/wine-golden
PRINTER_NAME="PostScript Printer"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

log() { printf '== %s\n' "$*" >&2; }

PACKAGES=(cmake ninja-build g++ clang-14 libclang-rt-14-dev llvm-14 libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
  wine64 wine xvfb xauth x11-utils python3 python3-pefile python3-jsonschema osslsigncode openssl
  imagemagick icoutils fonts-liberation libssl-dev ghostscript)
# fonts-liberation: Liberation Mono and Sans have the metrics of "Courier New"
# and Arial, so under Wine the texts take the room they take on Windows.
# ghostscript: reads back the PostScript that dlvnt prints under Wine.
# fonts-wine: Wine's own fonts, Marlett among them, whose glyphs are the
# window frames' buttons (without it the frames show the letters "0 1 r").
PACKAGES+=(fonts-wine)

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# add_wine_fonts PREFIX: Wine's Marlett in the prefix's Fonts folder. Wine 8
# (Debian) looks for its own fonts at "<data dir>\..\fonts", a path it then
# cannot open, so without this copy it has no Marlett and the window frames
# show the letters "0 1 r" where their buttons should be.
add_wine_fonts() {
  local fonts="$1/drive_c/windows/Fonts"
  [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] || return 0
  # Whole or not at all: tests copy the golden prefix at the same time.
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/.marlett.$$" && mv "$fonts/.marlett.$$" "$fonts/marlett.ttf"
  return 0
}

# The golden prefix: wineboot once, the settings that make GUI tests fast and
# crash-safe, a PostScript printer on FILE: as the default (a fresh prefix has
# no printer, so nothing could print even into a file), then wineserver -w so
# the registry reaches disk. Tests copy it.
ensure_golden_prefix() {
  local stamp="$GOLDEN_PREFIX/.delvane-stamp"
  local want
  want="$(wine --version 2>/dev/null) v2"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    add_wine_fonts "$GOLDEN_PREFIX"
    return 0
  fi
  log "creating the golden Wine prefix in $GOLDEN_PREFIX"
  rm -rf "$GOLDEN_PREFIX"
  mkdir -p "$CACHE_DIR"
  (
    export WINEPREFIX=$GOLDEN_PREFIX
    unset DISPLAY
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    local helper=$CACHE_DIR/add_printer.exe
    if ! x86_64-w64-mingw32-g++-posix -municode -static -O1 -o "$helper" \
         "$ROOT/tests/e2e/add_printer.cpp" -lwinspool || ! wine "$helper" "$PRINTER_NAME"; then
      log "the golden prefix has no printer: printing tests will skip"
    fi
    timeout 30 wineserver -w || wineserver -k
  )
  [ -f "$GOLDEN_PREFIX/system.reg" ] || { log "wineboot failed"; return 1; }
  add_wine_fonts "$GOLDEN_PREFIX"
  echo "$want" >"$stamp"
}

# copy_prefix DIR: a private copy of the golden prefix for one test run.
copy_prefix() {
  rm -rf "$1"
  cp -a "$GOLDEN_PREFIX" "$1"
}

# stop_prefix DIR: end the prefix's wineserver and remove it.
stop_prefix() {
  WINEPREFIX=$1 timeout 10 wineserver -w 2>/dev/null || WINEPREFIX=$1 wineserver -k 2>/dev/null || true
  rm -rf "$1"
  # The folder mktemp made for it, when it is now empty.
  rmdir "$(dirname "$1")" 2>/dev/null || true
}

XVFB_PID=""
start_xvfb() {
  if [ -n "${XVFB_PID}" ]; then return 0; fi
  local f
  f=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$f" 2>/dev/null &
  XVFB_PID=$!
  # A loaded machine can take seconds to bring the server up: wait for its
  # display number (bounded), and say so when it never comes.
  local i
  for i in $(seq 1 600); do
    [ -s "$f" ] && break
    sleep 0.05
  done
  if [ ! -s "$f" ]; then
    log "Xvfb gave no display within 30 s"
  fi
  export DISPLAY=":$(head -n1 "$f")"
  rm -f "$f"
}

stop_xvfb() {
  if [ -n "${XVFB_PID}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# configure_build PRESET: configure once, then build incrementally.
configure_build() {
  local preset=$1
  if [ ! -f "$ROOT/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$ROOT" >/dev/null
  fi
  cmake --build "$ROOT/build/$preset" -j"$(nproc)"
}
