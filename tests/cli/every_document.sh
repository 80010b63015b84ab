# Every command on every example document, the new project and the document
# without a project among them: each run ends in an answer or a refusal
# (exit 0, 1 or 2), never in a crash or a sanitizer report. A changing
# command writes nothing when it refuses its input, and what it writes loads
# again. Ids are those of office_building.json and small.json, so the same
# commands do real work there and meet unknown ids elsewhere.
. "$(dirname "$0")/common.inc"

documents=$(grep -l '"format": "marrow-qrv-estimate"' "$examples"/*.json)
for shape in no_project.json empty_project.json office_building.json small.json; do
  case "$documents" in
    *"/$shape"*) ;;
    *) fail "examples/$shape is missing" ;;
  esac
done

# change COMMAND DOC ARGS...: runs a changing command with -o.
change() {
  rm -f written.json
  expect "0|1|2" "$prog" "$@" -o written.json
  if [ "$got" -eq 2 ]; then
    [ ! -e written.json ] || fail "input refused, yet written: $*"
  else
    expect 0 "$prog" show written.json
  fi
}

for doc in $documents; do
  expect 0 "$prog" show "$doc"
  expect 0 "$prog" show --json "$doc"
  expect 0 "$prog" accounts "$doc"
  for id in ys-reb-steel row-1 e-c01b ys1 nope; do
    expect "0|2" "$prog" accounts "$doc" --of "$id" --belongs "$id" 02
  done

  change collect "$doc" --cost cb-reb-steel --budget ys-reb-steel --qty 4
  change collect "$doc" --cost cb1 --budget ys1 --qty 1
  change uncollect "$doc" --cost cb-pipe-c --budget ys-pipe-c
  change uncollect "$doc" --cost cb1 --copy copy1
  change modify-quantity "$doc" --cost cb1 --copy copy1 --qty 2
  change modify-quantity "$doc" --cost cb-col-c30 --budget ys-col-c30 --qty 1
  change link "$doc" --cost cb-wire-c --budget ys-wire-c
  change link-group "$doc" --cost cb-reb-crane --budgets ys-reb-crane,ys-reb-hoist
  change unlink "$doc" --budget ys-reb-hoist
  change set-cost-account "$doc" --objects row-1-1 --account ca-0401
  change set-cost-account "$doc" --objects e1 --account ""
  change repoint "$doc" --from "$examples/office_building.json"
  change repoint "$examples/office_building.json" --from "$doc"
  change run "$doc" "$examples/demo_ops.json"
  change run "$doc" "$data/every_op.json"
done
