# One-operation commands: done, refused in the library's words, and the
# account questions.
. "$(dirname "$0")/common.inc"

doc="$examples/office_building.json"
expect 0 "$prog" collect "$doc" --cost cb-reb-steel --budget ys-reb-steel --qty 4 -o one.json
contains out.txt "document told: ys-reb-steel collected into cb-reb-steel"
expect 0 "$prog" uncollect one.json --cost cb-reb-steel --budget ys-reb-steel -o two.json -v
contains out.txt "after   ys-reb-steel (YS) qty 12.75, collected 0, allowed 12.75"

# A cost line that represents a link takes no parts.
expect 1 "$prog" collect "$doc" --cost cb-col-r --budget ys-col-r --qty 1 --dry-run
contains err.txt "library: 预算关联过来的人材机不可做归集 失败"
expect 1 "$prog" link-group "$doc" --cost cb-reb-crane --budgets ys-reb-crane,ys-pipe-r --dry-run
contains err.txt "library: mergeBingToCB check failed"

expect 0 "$prog" set-cost-account "$doc" --objects row-1-1 --account "其他费用 Other costs/暂列金额 Provisional sums" -o acc.json
expect 0 "$prog" accounts acc.json --of row-1
contains out.txt "row-1 (table row) is not booked to a cost account"
expect 0 "$prog" accounts acc.json --belongs row-1-1 04
contains out.txt "lies under 04 其他费用 Other costs"
expect 2 "$prog" accounts acc.json --belongs row-1-1 99
contains err.txt "no cost account with code '99'"
expect 0 "$prog" accounts "$doc"
contains out.txt "  4    0201  钢材 Steel"
