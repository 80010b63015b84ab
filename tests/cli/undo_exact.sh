# Undo in scripts gives back what was there: booking a row and its parent in
# either order, releasing a part (which comes back under its id), and a
# collect, whose undo leaves exactly the two empty records the library keeps.
. "$(dirname "$0")/common.inc"

doc="$examples/office_building.json"

for objects in '"row-2-1", "row-2"' '"row-2", "row-2-1"'; do
  cat >ops.json <<EOF
[{"op": "set-cost-account", "objects": [$objects], "account": "ca-0401"}, {"op": "undo"}]
EOF
  expect 0 "$prog" run "$doc" ops.json -o out.json
  cmp "$doc" out.json || fail "undo of booking [$objects] changed the document"
done

cat >ops.json <<'EOF'
[
  {"op": "uncollect", "cost": "cb-pipe-c", "copy": "part-pipe-c-1"},
  {"op": "undo"}
]
EOF
expect 0 "$prog" run "$doc" ops.json -o out.json
cmp "$doc" out.json || fail "undo of a release changed the document"

# Operations after the undo still reach the part by its id.
cat >ops.json <<'EOF'
[
  {"op": "uncollect", "cost": "cb-pipe-c", "copy": "part-pipe-c-1"},
  {"op": "undo"},
  {"op": "redo"},
  {"op": "undo"},
  {"op": "modify-quantity", "cost": "cb-pipe-c", "copy": "part-pipe-c-1", "qty": 1}
]
EOF
expect 0 "$prog" run "$doc" ops.json -o out.json
contains out.txt "5 operations: 5 done, 0 refused"
expect 0 "$prog" show out.json
contains out.txt "part-pipe-c-1"
expect 0 "$prog" accounts out.json --of ys-pipe-c
contains out.txt "(collected 1)"

cat >ops.json <<'EOF'
[
  {"op": "collect", "cost": "cb-reb-steel", "budget": "ys-reb-steel", "qty": 1},
  {"op": "undo"}
]
EOF
expect 0 "$prog" run "$doc" ops.json -o out.json
# The budget line's templete record and the cost line's object record stay.
set +e
diff "$doc" out.json | grep '^[<>]' >diff.txt
set -e
cat >want.txt <<'EOF'
<                     "quantity": 12.75
>                     "quantity": 12.75,
>                     "record": {
>                       "kind": "templete"
>                     }
<                     "quantity": 0.0
>                     "quantity": 0.0,
>                     "record": {
>                       "kind": "object"
>                     }
EOF
cmp want.txt diff.txt || { diff want.txt diff.txt >&2; fail "collect and undo changed more than two records"; }
