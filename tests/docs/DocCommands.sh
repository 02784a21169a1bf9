#!/usr/bin/env bash
# Runs a page of the documentation as a reader would: every ```sh block, in order, in a scratch
# folder that sees the checkout's docs/ and scripts/, with build/demo/kestrane-sim standing for the
# built program and module; every ```scn PATH block must be the file at PATH, and every
# ```text FILE block what the commands left in FILE. With SECTION, only the part of the page under
# the heading "## SECTION", up to the next heading of that level.
#
#   DocCommands.sh PAGE SOURCE_DIR KESTRANE_SIM MODULE SCRATCH [SECTION]
set -euo pipefail
page=$1 source=$2 sim=$3 module=$4 scratch=$5 section=${6:-}

rm -rf "$scratch"
mkdir -p "$scratch/blocks"
ln -s "$source/docs" "$scratch/docs"
ln -s "$source/scripts" "$scratch/scripts"

# Each block into a file of its own: blocks/N.KIND, its argument (PATH or FILE) in blocks/N.arg.
awk -v dir="$scratch/blocks" -v section="$section" '
  BEGIN { within = section == "" }
  !inside && /^## / { if (section != "") within = substr($0, 4) == section }
  !within { next }
  inside && /^```$/ { inside = 0; close(out); next }
  inside { print > out; next }
  /^```(sh|scn|text)( |$)/ {
    inside = 1; n++
    kind = substr($1, 4)
    out = sprintf("%s/%03d.%s", dir, n, kind)
    printf "" > out
    printf "%s\n", $2 > sprintf("%s/%03d.arg", dir, n)
  }
' "$page"
[ -n "$(ls "$scratch/blocks")" ] || { echo "$page: no blocks${section:+ under ## $section}" >&2; exit 1; }

failed=0
for block in "$scratch"/blocks/*.scn; do
  path=$(cat "${block%.scn}.arg")
  cmp -s "$block" "$source/$path" || { echo "$page: the block of $path is not the file $path" >&2; failed=1; }
done

{
  echo "set -euo pipefail"
  echo "kestrane_sim() { \"$sim\" \"\$@\" --plugin \"$module\"; }"
  cat "$scratch"/blocks/*.sh | sed 's#build/demo/kestrane-sim#kestrane_sim#g'
} > "$scratch/commands.sh"
(cd "$scratch" && bash commands.sh > commands.out 2>&1) || {
  echo "$page: its commands failed:" >&2
  tail -n 20 "$scratch/commands.out" >&2
  exit 1
}

for block in "$scratch"/blocks/*.text; do
  [ -e "$block" ] || continue
  file=$(cat "${block%.text}.arg")
  cmp -s "$block" "$scratch/$file" || {
    echo "$page: $file is not as the page shows it:" >&2
    diff "$block" "$scratch/$file" >&2 || true
    failed=1
  }
done
exit "$failed"
