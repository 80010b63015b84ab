# Project merge on the shipped civil and installation works: the samples the
# demo writes are the shipped ones, plan, dry run and merge, refused trees
# named by node, inputs never modified, nothing written on refusal.
. "$(dirname "$0")/common.inc"

civil="$examples/civil_works.json"
inst="$examples/installation_works.json"
tree="$examples/merge_tree.json"

expect 0 "$prog" demo --merge --write-merge-samples .
cmp civil_works.json "$civil" || fail "examples/civil_works.json is stale"
cmp installation_works.json "$inst" || fail "examples/installation_works.json is stale"
cmp merge_tree.json "$tree" || fail "examples/merge_tree.json is stale"
contains out.txt "F1  182000  246000.46"
contains out.txt "total expression: F1+F2+F3_2"

cp "$civil" civil.json
cp "$inst" inst.json

expect 0 "$prog" merge civil.json inst.json --plan -o plan.json
contains plan.json '"source_id": "inst/hvac"'
contains plan.json '"merge_fee": false'

expect 0 "$prog" merge civil.json inst.json --tree "$tree" --dry-run
contains out.txt "  source inst/root -> current civil/root"
contains out.txt "  civil/root _1"
contains out.txt "  inst/root _2"
contains out.txt "    HVAC (inst/hvac, kind 3)"
contains out.txt "dry run: nothing written"
[ ! -e merged.json ] || fail "dry run wrote"

expect 0 "$prog" merge civil.json inst.json --tree "$tree" -o merged.json
cmp civil.json "$civil" || fail "current input changed"
cmp inst.json "$inst" || fail "source input changed"
expect 0 "$prog" show merged.json
contains out.txt "HVAC"

# The plan merges nothing but keeps both sides' sub-projects.
expect 0 "$prog" merge civil.json inst.json --tree plan.json -o planned.json
contains out.txt "  (none)"

# Refused trees name the node; nothing is written.
printf '{"id": "civil/root", "children": [{"source_id": "nope", "source_type": 2}]}' > bad.json
expect 2 "$prog" merge civil.json inst.json --tree bad.json -o never.json
contains err.txt "node /children/0: 'nope' is no sub-project of the source project"
printf '{"id": "civil/root", "source_type": 3}' > bad.json
expect 2 "$prog" merge civil.json inst.json --tree bad.json -o never.json
contains err.txt "node /: 'source_type' must be 1 (current) or 2 (source)"
printf '{"id": "civil/root", "source_id": "inst/hvac", "merge_fee": true}' > bad.json
expect 2 "$prog" merge civil.json inst.json --tree bad.json -o never.json
contains err.txt "merge_fee needs sub-projects of one kind (1 and 3)"
printf '{"id": "civil/root", "children": [' > bad.json
expect 2 "$prog" merge civil.json inst.json --tree bad.json -o never.json
[ ! -e never.json ] || fail "a refused tree wrote"
expect 2 "$prog" merge civil.json inst.json --tree "$tree"
contains err.txt "merge needs -o OUT.json (or --dry-run)"
