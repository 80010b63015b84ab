# Contract entry operations: the example script with undo and redo, single
# commands seen through show, and what is refused before anything changes.
. "$(dirname "$0")/common.inc"

doc="$examples/office_building.json"
expect 0 "$prog" run "$doc" "$examples/contract_ops.json" -o result.json
contains out.txt "10 operations: 10 done, 0 refused"
contains out.txt "ops[0] merge e-c01b into e-c01: done"
contains out.txt "ops[1] undo: done (undid: merge e-c01b into e-c01)"
contains out.txt "ops[4] redo: done (redid: split cb-safety-r off e-r01)"
contains out.txt "document told: the merge state of e-c01 changed"
contains out.txt "(now points to "
contains out.txt "'钢筋 HRB400 Φ12 (甲供)')"
[ -s result.json ] || fail "no result written"
expect 0 "$prog" show result.json
contains out.txt "综合工日 (土建)C"
contains out.txt "  + cb-safety-r                          bill m-safety, qty 30"

# A merge as a command: the lines move, the source leaves its group.
expect 0 "$prog" merge-contract "$doc" --target e-c01 --sources e-c01b -o merged.json -v
contains out.txt "after   e-c01 (contract entry) cost account 0201 材料费/钢材 Steel, name '钢筋 HRB400 Φ12 (供应商甲)', lines cb-reb-steel cb-reb-steel-b"
contains out.txt "after   e-c01b (no longer in the document)"
expect 0 "$prog" show --json merged.json
contains out.txt '"registered_lines": [
              "cb-reb-steel",
              "cb-reb-steel-b"
            ]'

# A rename takes the parts collected from the line along; the old entry stays.
expect 0 "$prog" rename "$doc" --line ys-col-c30 --name "商品混凝土 C30 泵送" -o renamed.json -v
contains out.txt "before  part-col-c30-1 (YS) qty 10, collected 0, allowed 0, accounts -, entry sp-civil:C0201"
contains out.txt "after   sp-civil:C0201 (budget entry) cost account 0202 材料费/混凝土 Concrete, name '商品混凝土 C30', no lines"
expect 0 "$prog" rename renamed.json --line ys-col-c30 --name "商品混凝土 C30" -o back.json
contains out.txt "(now points to sp-civil:C0201 '商品混凝土 C30')"

# A split must leave the entry a line; that is seen when it runs.
expect 1 "$prog" split-contract "$doc" --entry e-c01 --lines cb-reb-steel --dry-run
contains err.txt "refused (e-c01 would keep no line: it holds 1)"
expect 1 "$prog" split-contract "$doc" --entry e-r01 --lines cb-pipe-r --dry-run
contains err.txt "refused (cb-pipe-r is attached to e-r02, not to e-r01)"
expect 0 "$prog" split-contract "$doc" --entry e-r01 --lines cb-col-r,cb-reb-r -o split.json
contains out.txt "(new entry "

# Unknown ids, wrong kinds and a target that is also a source: refused up front.
expect 2 "$prog" merge-contract "$doc" --target e-c01 --sources e-c01b,e-c01 --dry-run
contains err.txt "--sources item 2: 'e-c01' is the target too; an entry cannot merge into itself"
expect 2 "$prog" merge-contract "$doc" --target nope --sources ys-reb-steel --dry-run
contains err.txt "--target: no object with id 'nope'"
contains err.txt "--sources item 1: 'ys-reb-steel' is a budget line, not a contract entry"
expect 2 "$prog" split-contract "$doc" --entry cb-reb-steel --lines e-c01 --dry-run
contains err.txt "--entry: 'cb-reb-steel' is a cost line, not a contract entry"
contains err.txt "--lines item 1: 'e-c01' is a contract entry, not a cost line"
expect 2 "$prog" copy-from "$doc" --target e-c01 --source e-c01 --dry-run
contains err.txt "--source: 'e-c01' is the target too; give another entry"
expect 2 "$prog" rename "$doc" --line cb-reb-steel --name Steel --dry-run
contains err.txt "--line: 'cb-reb-steel' is a cost line, not a budget line"
expect 2 "$prog" merge-changed "$doc" --entry b-col --dry-run
contains err.txt "--entry: 'b-col' is a bill, not a resource entry"

cat > bad.json <<'JSON'
[{"op": "merge-contract", "target": "e-c01", "sources": ["e-c01"]},
 {"op": "split-contract", "entry": "e-r01", "lines": []},
 {"op": "rename", "line": "ys-reb-steel", "name": ""}]
JSON
cp "$doc" doc.json
expect 2 "$prog" run doc.json bad.json --in-place
contains err.txt "ops[0].sources[0]: 'e-c01' is the target too; an entry cannot merge into itself"
contains err.txt "ops[1].lines: must be a non-empty array of ids"
contains err.txt "ops[2].name: must not be empty"
cmp doc.json "$doc" || fail "the document changed"

# The contract script the demo writes is the shipped one.
expect 0 "$prog" demo --write-contract-script ops.json
cmp ops.json "$examples/contract_ops.json" || fail "examples/contract_ops.json is stale"
contains out.txt "== Contract entries: merge, split and undo"
