#!/bin/sh
# Starts tallo on homes damaged the ways a careless person or a crash could
# damage them. Each must end at once with one message naming the path and
# what is wrong, a status other than 0 (and not a crash), and the home left
# exactly as it was.
#   damaged-homes.sh TALLO
set -u
tallo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect NAME PATTERN: runs tallo on $work/NAME and checks its end.
expect() {
  home=$work/$1
  before=$(cd "$home" && find . -exec ls -ld {} + | sort | md5sum)
  output=$(timeout 30 "$tallo" --home "$home" --port 0 2>&1)
  status=$?
  after=$(cd "$home" && find . -exec ls -ld {} + | sort | md5sum)
  if [ "$status" -eq 0 ] || [ "$status" -ge 124 ]; then
    echo "FAIL $1: status $status"; failures=$((failures + 1))
  elif ! printf '%s' "$output" | grep -qF "$2"; then
    echo "FAIL $1: no \"$2\" in: $output"; failures=$((failures + 1))
  elif [ "$before" != "$after" ]; then
    echo "FAIL $1: the home was changed"; failures=$((failures + 1))
  else
    echo "ok   $1: $output"
  fi
}

mkdir -p "$work/settings-folder/Library/Preferences/Tallo.plist" "$work/settings-folder/Documents"
expect settings-folder "$work/settings-folder/Library/Preferences/Tallo.plist is a folder, not a file"

mkdir -p "$work/documents-file"
echo "kept" > "$work/documents-file/Documents"
expect documents-file "$work/documents-file/Documents is a file, not a folder"

mkdir -p "$work/foreign-store/Documents" "$work/foreign-store/Library/Preferences" "$work/foreign-store/Library/Caches"
echo "my tax notes, not a store" > "$work/foreign-store/Documents/TalloMobile2.sqlite"
expect foreign-store "$work/foreign-store/Documents/TalloMobile2.sqlite: is not a SQLite database"

echo "$((3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
