#!/bin/sh
# tallo-import and tallo-export on a generated home, as a person uses them:
# the Checking account out as QIF and back in (all duplicates), a new bank
# CSV in (two rows), a broken file refused with its line and the book left
# alone, and the book out as a journal whose Checking balance hledger agrees
# with.
#   exchange-commands.sh TALLO_GEN TALLO_IMPORT TALLO_EXPORT
set -u
gen=$1 import=$2 export=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home=$work/home
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
expect_in() {  # expect_in WHAT PATTERN TEXT
  if printf '%s' "$3" | grep -qF -- "$2"; then echo "ok   $1"; else fail "$1: no \"$2\" in: $3"; fi
}

"$gen" --home "$home" --transactions 300 --seed 4 >/dev/null || fail "tallo-gen"

"$export" --home "$home" --account checking --format qif --output "$work/checking.qif" || fail "export qif"
rows=$(grep -c '^\^' "$work/checking.qif")
out=$("$import" --home "$home" --account Checking "$work/checking.qif" 2>&1)
expect_in "the account's own export is all duplicates" "0 new, $rows duplicate, 0 unmatched" "$out"
expect_in "and nothing is imported" "imported 0, skipped $rows duplicates into Checking" "$out"

printf 'Date,Description,Amount\n01/02/2020,Harbor Books,-19.99\n01/03/2020,Northwind Payroll,"2,150.00"\n' >"$work/bank.csv"
out=$("$import" --home "$home" --account Checking --locale en_US "$work/bank.csv" 2>&1)
expect_in "a bank CSV's rows are new" "imported 2, skipped 0 duplicates into Checking" "$out"

before=$("$export" --home "$home" --format csv | md5sum)
printf '!Type:Bank\nD1/15/2020\nT-5\n^\nD1/16/2020\nTfive\n^\n' >"$work/broken.qif"
out=$("$import" --home "$home" --account Checking "$work/broken.qif" 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "a broken file ends with status 1, not $status"
expect_in "a broken file is named by its line" 'broken.qif: line 6: "five" is not an amount' "$out"
after=$("$export" --home "$home" --format csv | md5sum)
[ "$before" = "$after" ] && echo "ok   the broken file changed nothing" || fail "the broken file changed the book"

out=$("$import" --home "$home" --account Nowhere "$work/bank.csv" 2>&1)
expect_in "an unknown account is said with the names there are" "no account named Nowhere (there are: Checking" "$out"

"$export" --home "$home" --format journal --output "$work/book.journal" || fail "export journal"
theirs=$(hledger -f "$work/book.journal" balance --flat --no-total -O csv Assets:Checking 2>&1 | tail -1)
ours=$("$export" --home "$home" --format csv --account Checking | tail -n +2 | wc -l)
expect_in "hledger reads the journal" '"Assets:Checking"' "$theirs"
[ "$ours" -gt 0 ] || fail "the Checking export has no rows"

echo "$failures failures"
[ "$failures" -eq 0 ]
