# The shipped example script runs on the shipped sample and its result loads.
. "$(dirname "$0")/common.inc"

expect 0 "$prog" show "$examples/office_building.json"
contains out.txt "土建工程 (sp-civil)"
contains out.txt "SelfLeaseMachineForm"

expect 0 "$prog" run "$examples/office_building.json" "$examples/demo_ops.json" -o result.json
contains out.txt "11 operations: 11 done, 0 refused"
contains out.txt "undid: collect 9.25004 of ys-reb-steel into cb-reb-steel-b"
[ -s result.json ] || fail "no result written"

# Every part of the rebar line is collected: 3.5 and the snapped 9.25.
expect 0 "$prog" accounts result.json --of ys-reb-steel
contains out.txt "0201  材料费/钢材 Steel  (collected 12.75)"
expect 0 "$prog" show --json result.json
contains out.txt '"linked_budgets": ['
contains out.txt '"lease_quantity": "14.2"'

# The sample and script the demo writes are the shipped ones.
expect 0 "$prog" demo --write-sample sample.json --write-script ops.json
cmp sample.json "$examples/office_building.json" || fail "examples/office_building.json is stale"
cmp ops.json "$examples/demo_ops.json" || fail "examples/demo_ops.json is stale"
