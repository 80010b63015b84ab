# A bad script is refused as a whole: exit 2, the place named, no output,
# the document untouched.
. "$(dirname "$0")/common.inc"

cp "$examples/office_building.json" doc.json

printf '[{"op": "collect", "cost": "cb-reb-steel",}]' > malformed.json
expect 2 "$prog" run doc.json malformed.json -o out.json
contains err.txt "malformed.json: not valid JSON"
[ ! -e out.json ] || fail "output written for a malformed script"

printf '[{"op": "collect", "cost": "cb-reb-steel", "cost": "cb-reb-r"}]' > twice.json
expect 2 "$prog" run doc.json twice.json -o out.json
contains err.txt "twice.json: not valid JSON: /0/cost: duplicate member"
[ ! -e out.json ] || fail "output written for a script with a repeated member"

cat > bad.json <<'JSON'
[{"op": "collect", "cost": "cb-reb-steel", "budget": "ys-reb-steel", "qty": 4},
 {"op": "collect", "cost": "nope", "budget": "ys-reb-steel", "qty": 1},
 {"op": "colect"},
 {"op": "link", "cost": "ys-reb-r", "budget": "ys-reb-steel"},
 {"op": "modify-quantity", "cost": "cb-reb-steel", "budget": "ys-reb-steel", "qty": "4"}]
JSON
expect 2 "$prog" run doc.json bad.json --in-place
contains err.txt "ops[1].cost: no object with id 'nope'"
contains err.txt "ops[2].op: unknown operation 'colect'"
contains err.txt "ops[3].cost: 'ys-reb-r' is a budget line, not a cost line"
contains err.txt "ops[4].qty: must be a finite number"
cmp doc.json "$examples/office_building.json" || fail "the document changed"

expect 2 "$prog" run doc.json bad.json
contains err.txt "give exactly one of -o OUT.json, --in-place or --dry-run"
expect 2 "$prog" show missing.json
contains err.txt "missing.json"
