# Wine settings for tests: sourced with the build folder as $1; own prefix and home, no prompts.
verdalin_wine_root=$(cd "$1" && pwd)
export WINEPREFIX="$verdalin_wine_root/wineprefix"
export HOME="$verdalin_wine_root/winehome"
export WINEARCH=win64
export LC_ALL=C
export WINEDEBUG=-all,err+module
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -s "$verdalin_wine_root/wine-display" ]; then
  DISPLAY=$(cat "$verdalin_wine_root/wine-display")
  export DISPLAY
else
  unset DISPLAY
fi
mkdir -p "$HOME"
