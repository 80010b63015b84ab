# The files the program reads and writes: errors give the reason, saves
# replace only regular files (through symbolic links), keep permissions,
# leave a user's own OUT.tmp alone, never mix two concurrent saves, and
# "-o -" writes the document alone to standard output.
. "$(dirname "$0")/common.inc"

doc="$examples/office_building.json"
# A change that gives the same text each time (a collect would make a part
# with a fresh random id).
change_part() {
  "$prog" modify-quantity "$doc" --cost cb-col-c30 --copy part-col-c30-1 --qty "$@"
}

# What cannot be read says why.
mkdir folder
expect 2 "$prog" show folder
contains err.txt "error: folder: is a directory, not a document file"
expect 2 "$prog" run "$doc" missing.json --dry-run
contains err.txt "error: missing.json: cannot open: No such file or directory"
expect 2 "$prog" run "$doc" folder --dry-run
contains err.txt "error: folder: is a directory, not a file"
expect 2 "$prog" repoint "$doc" --from folder --dry-run
contains err.txt "error: --from: folder: is a directory, not a document file"

# A plain save, the reference for what follows.
expect 0 change_part 4 -o plain.json
contains out.txt "saved plain.json"
echo "the user's own" > out.json.tmp
expect 0 change_part 4 -o out.json
cmp plain.json out.json || fail "saves differ"
[ "$(cat out.json.tmp)" = "the user's own" ] || fail "out.json.tmp was touched"

# Only regular files are replaced, and the refusal comes before anything runs.
mkfifo fifo
if mknod null c 1 3 2>/dev/null; then device=null; else device=/dev/null; fi
for target in fifo folder "$device"; do
  expect 2 change_part 4 -o "$target"
  contains err.txt "error: -o: $target: is a"
  contains err.txt "not a regular file; a save replaces only regular files"
  grep -q "done" out.txt err.txt && fail "ran before refusing -o $target"
done
[ -p fifo ] && [ -d folder ] && [ -c "$device" ] || fail "a special file was replaced"

# A symbolic link is written through; a link to nothing is refused.
cp plain.json real.json
ln -s real.json link.json
expect 0 change_part 1 -o link.json
[ -L link.json ] || fail "the link was replaced"
cmp -s plain.json real.json && fail "the link's target was not written"
ln -s nothing.json dangling.json
expect 2 change_part 1 -o dangling.json
contains err.txt "dangling.json: a symbolic link to a missing file; nothing was written"
[ ! -e nothing.json ] || fail "a link to nothing was followed"

# A replaced file keeps its permissions.
chmod 640 out.json
expect 0 change_part 2 -o out.json
[ "$(stat -c %a out.json)" = 640 ] || fail "permissions changed to $(stat -c %a out.json)"

# Two saves at once: each writes its own temporary file, and the file ends
# as one of the two documents, whole.
expect 0 change_part 1 -o one.json
expect 0 change_part 2 -o two.json
for round in 1 2 3 4 5; do
  change_part 1 -o raced.json >/dev/null 2>first.txt &
  first=$!
  change_part 2 -o raced.json >/dev/null 2>second.txt &
  second=$!
  wait "$first" || { cat first.txt >&2; fail "first concurrent save failed"; }
  wait "$second" || { cat second.txt >&2; fail "second concurrent save failed"; }
  cmp -s raced.json one.json || cmp -s raced.json two.json || fail "mixed result in round $round"
done

# "-o -": the document on standard output, the report on standard error.
expect 0 change_part 4 -o -
cmp out.txt plain.json || fail "-o - wrote something else than the document"
contains err.txt "1 operation: 1 done, 0 refused"
contains err.txt "written to standard output"
[ ! -e ./- ] || fail "-o - made a file named -"

# The demo's files go the same way.
expect 1 "$prog" demo --write-sample folder
contains err.txt "error: folder: is a directory, not a regular file"

leftovers=$(find . -name '.*.tmp-*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"
