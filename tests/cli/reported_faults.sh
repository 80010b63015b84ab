# Inputs that once broke the program, kept as they were reported: documents
# without a project or without a root sub-project (crashed show, accounts,
# run and repoint), and a refused collect whose notification read as done.
. "$(dirname "$0")/common.inc"

office="$examples/office_building.json"
none="$data/segv-project-null.json"
new="$data/segv-project-without-sub-projects.json"

expect 0 "$prog" show "$none"
contains out.txt "No project: the document holds none"
expect 0 "$prog" show --json "$none"
contains out.txt '"project": null'
contains out.txt '"sub_projects": null'
expect 0 "$prog" accounts "$none"
contains out.txt "no cost accounts (the document holds no project)"
expect 2 "$prog" accounts "$none" --of x
contains err.txt "error: --of: no object with id 'x' (the document holds no project)"
expect 2 "$prog" accounts "$none" --belongs x 01
contains err.txt "error: --belongs: no cost account with code '01' (the document holds no project)"

# Refused while the script is checked, with the place named; nothing runs.
expect 2 "$prog" run "$none" "$data/segv-set-cost-account-on-project-null.json" --dry-run
contains err.txt "error: ops[0].account: the document holds no project, so no cost accounts"
contains err.txt "nothing was run"
expect 2 "$prog" run "$office" "$data/segv-repoint-from-project-null.json" --dry-run
contains err.txt "error: ops[0].from: $none holds no project, so no cost accounts or bill stages"
expect 2 "$prog" repoint "$office" --from "$none" --dry-run
contains err.txt "error: --from: $none holds no project"
expect 2 "$prog" repoint "$none" --from "$office" -o out.json
contains err.txt "error: repoint: the document holds no project, so nothing to re-point"
[ ! -e out.json ] || fail "written after a refused repoint"

expect 0 "$prog" show "$new"
contains out.txt "Project p (p)"
contains out.txt "Sub-projects
  none"
expect 0 "$prog" show --json "$new"
contains out.txt '"sub_projects": null'

# A project without sub-projects still books its rows and entries.
rows="$data/project-without-sub-projects-with-rows.json"
expect 0 "$prog" set-cost-account "$rows" --objects r2 --account Civil -o booked.json
expect 0 "$prog" accounts booked.json --of r2
contains out.txt "r2 (table row) is booked to Civil [ca1]"
expect 1 "$prog" repoint "$office" --from booked.json --dry-run
contains err.txt "refused (0 references re-pointed)"

# The collect action tells the document after every run, whatever the
# engine answered; the report says that the engine refused.
expect 1 "$prog" run "$office" "$data/ops-refused-collect-still-notifies.json" --dry-run
contains err.txt "ops[0] collect -5 of ys-col-c30 into cb-col-c30: refused (nothing changed)"
contains err.txt "document told: ys-col-c30 collected into cb-col-c30 (the engine refused: 创建一个预算的副本人材机 失败)"
