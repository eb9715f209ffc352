# Shared by the end-to-end scripts: sourced after `set -uo pipefail`, with the script's
# arguments (BUILD_DIR [NATIVE_BUILD_DIR]). Gives the work folder ($work), fail, winpath,
# program (a program folder with its settings and setup), auto (an unattended run),
# the log readers and the setup builders item and setup. With VOG_E2E_THREADS=n in the
# environment the programs made here write their files on n worker threads.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
tool="${2:-$here/build/native}/vogtool"
if [ ! -x "$tool" ]; then
  echo "FAIL: no native vogtool at $tool (build the native preset first)"
  exit 1
fi
for reader in 7z lhasa; do
  command -v $reader >/dev/null || { echo "FAIL: $reader is missing (scripts/setup installs it)"; exit 1; }
done
work=$(mktemp -d /tmp/vog-e2e.XXXXXX)
[ -n "${VOG_E2E_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }
wine_run() { "$here/cmake/wine-run" "$@"; }

# program FOLDER DEST JSON: a program folder with the settings file and the setup.
program() {
  local folder=$1 dest=$2 json=$3
  mkdir -p "$folder" "$dest"
  cp "$build/Vogratel.exe" "$folder/"
  {
    printf '\xef\xbb\xbf[Folder]\r\nDest=%s\r\n' "$(winpath "$dest")"
    # VOG_E2E_THREADS=n: every case writes its files on n workers ([Run] Threads).
    if [ -n "${VOG_E2E_THREADS:-}" ]; then printf '[Run]\r\nThreads=%s\r\n' "$VOG_E2E_THREADS"; fi
  } >"$folder/Vogratel.ini"
  printf '%s' "$json" >"$folder/setup.json"
  wine_run "$build/vogtool.exe" data import "$(winpath "$folder/setup.json")" \
    "$(winpath "$folder/VogratelData.vgd")" >/dev/null 2>&1 || fail "vogtool data import in $folder"
}

# auto FOLDER: runs the program unattended with a bound of 180 s; prints its exit code.
auto() {
  local code=0
  timeout 180 "$here/cmake/wine-run" "$1/Vogratel.exe" "-AUTO:$(winpath "$1/VogratelData.vgd")" \
    </dev/null >/dev/null 2>&1 || code=$?
  echo "$code"
}

# log_entries FOLDER: number of entries in the run log; log_code FOLDER N: result code of entry N.
log_json() { wine_run "$build/vogtool.exe" log show "$(winpath "$1/Vogratel.log")" 2>/dev/null; }
log_entries() { log_json "$1" | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["entries"]))'; }
log_code() { log_json "$1" | python3 -c "import json,sys; print(json.load(sys.stdin)['entries'][$2]['resultCode'])"; }

item() {  # item TITLE SOURCE [extra JSON fields]
  printf '{"Title": "%s", "SourceFolder": "%s"%s}' "$1" "$(winpath "$2" | sed 's|\\|\\\\|g')" "${3:-}"
}
setup() {  # setup ITEM_JSON...
  local IFS=,
  printf '{"items": [%s], "application": {"WriteLog": true, "LogFileName": "Vogratel.log"}}' "$*"
}


# finish: the script's exit status from the failures counted.
finish() {
  if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
  fi
  echo "all end-to-end checks passed"
  exit 0
}
