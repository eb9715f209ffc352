# Shared by tests/e2e/pastversions-run and tests/ui/pastversions.screens: a backup with
# history made by the real program. pv_backup BUILD ROOT makes ROOT/s/文書 (the source),
# ROOT/p (the program with its setup: item 文書, mirroring, history kept) and ROOT/d (the
# destination), and runs Vogratel.exe -AUTO three times: a.txt "v1" on 2026-11-28, "v2"
# on 2026-12-01 (gone.txt deleted), "v3" on 2026-12-05. Each run's history folder and its
# marker are dated back by hand to the day the run stands for. Needs UI_SOURCE (ui.sh).

pv_win() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }

# The history folder the last run made (today's) becomes DAY's, marker and all.
pv_dated() {
  local today
  today=$(find "$1" -type d -name "世代 $(date +%F)" | head -1)
  [ -n "$today" ] || { echo "pastversions: no history folder made by the run of $2" >&2; return 1; }
  mv "$today" "$(dirname "$today")/世代 $2"
  python3 - "$(dirname "$today")/世代 $2" "$2" <<'PY'
import sys
folder, day = sys.argv[1], sys.argv[2]
text = "\ufeff" + day.replace("-", "/") + " 10:00:00\r\n" + "Z:" + folder.replace("/", "\\") + "\r\n"
open(folder + "/Vogmerist世代管理フォルダ", "wb").write(text.encode("utf-16-le"))
PY
}

pv_auto() {
  timeout 180 "$UI_SOURCE/cmake/wine-run" "$1/Vogratel.exe" "-AUTO:$(pv_win "$1/VogratelData.vgd")" \
    </dev/null >/dev/null 2>&1
}

pv_backup() {
  local build=$1 root=$2 src="$2/s/文書"
  mkdir -p "$src/フォルダ" "$root/p" "$root/d"
  cp "$build/Vogratel.exe" "$root/p/"
  printf '\xef\xbb\xbf[Folder]\r\nDest=%s\r\n' "$(pv_win "$root/d")" >"$root/p/Vogratel.ini"
  printf '{"items": [{"Title": "文書", "SourceFolder": "%s", "Mirroring": true, "KeepHistory": true}]}' \
    "$(pv_win "$src" | sed 's|\\|\\\\|g')" >"$root/p/setup.json"
  "$UI_SOURCE/cmake/wine-run" "$build/vogtool.exe" data import "$(pv_win "$root/p/setup.json")" \
    "$(pv_win "$root/p/VogratelData.vgd")" >/dev/null 2>&1 || return 1
  printf 'v1\r\n' >"$src/a.txt"
  printf 'b\r\n' >"$src/フォルダ/b.txt"
  printf 'gone\r\n' >"$src/gone.txt"
  touch -d '2026-11-28 09:00' "$src/a.txt" "$src/フォルダ/b.txt" "$src/gone.txt"
  pv_auto "$root/p" || return 1
  printf 'v2 longer\r\n' >"$src/a.txt"
  touch -d '2026-12-01 09:00' "$src/a.txt"
  rm "$src/gone.txt"
  pv_auto "$root/p" && pv_dated "$root/d/文書" 2026-12-01 || return 1
  printf 'v3 the longest\r\n' >"$src/a.txt"
  touch -d '2026-12-05 09:00' "$src/a.txt"
  pv_auto "$root/p" && pv_dated "$root/d/文書" 2026-12-05
}
