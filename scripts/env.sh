# Shared environment for running the project's Windows programs under Wine.
ZS_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$ZS_ROOT/build/wine"
export WINEARCH=win64
export WINEDEBUG=-all
# No debugger is started for a crash: the program ends at once with its fault shown.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export CCACHE_BASEDIR="$ZS_ROOT"
export CCACHE_NOHASHDIR=true
# The shared precompiled headers are cached too; ccache needs these to use them, and a
# cache large enough for both targets' headers and objects.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"
if command -v wine64 >/dev/null 2>&1; then ZS_WINE=wine64; else ZS_WINE=/usr/lib/wine/wine64; fi
if command -v wineserver >/dev/null 2>&1; then ZS_WINESERVER=wineserver; else ZS_WINESERVER=/usr/lib/wine/wineserver; fi
# Wine runs under the Japanese locale (ANSI code page 932), as on the users' systems.
zs_wine() { LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$ZS_WINE" "$@"; }
