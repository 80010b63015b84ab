# --compact: the saved document is one line, reads back like the indented
# one, and a save to a pipe shows no progress line.
. "$(dirname "$0")/common.inc"

doc="$examples/office_building.json"
expect 0 "$prog" collect "$doc" --cost cb-reb-steel --budget ys-reb-steel --qty 4 -o indented.json
expect 0 "$prog" collect "$doc" --cost cb-reb-steel --budget ys-reb-steel --qty 4 -o compact.json --compact
[ ! -s err.txt ] || { cat err.txt >&2; fail "a save to a pipe wrote to stderr"; }
[ "$(wc -l < compact.json)" -eq 1 ] || fail "compact.json is not one line"
[ "$(wc -c < compact.json)" -lt "$(wc -c < indented.json)" ] || fail "compact.json is not smaller"

# Either form goes on being edited, and the two stay one document.
expect 0 "$prog" uncollect compact.json --cost cb-reb-steel --budget ys-reb-steel -o from_compact.json
expect 0 "$prog" uncollect indented.json --cost cb-reb-steel --budget ys-reb-steel -o from_indented.json
cmp -s from_compact.json from_indented.json || fail "the two forms edit to different documents"
expect 0 "$prog" uncollect indented.json --cost cb-reb-steel --budget ys-reb-steel -o - --compact
[ "$(wc -l < out.txt)" -eq 1 ] || fail "-o - --compact is not one line"
cp out.txt piped.json
expect 0 "$prog" uncollect indented.json --cost cb-reb-steel --budget ys-reb-steel --in-place --compact
[ "$(wc -l < indented.json)" -eq 1 ] || fail "--in-place --compact is not one line"
cmp -s indented.json piped.json || fail "--in-place and -o - differ"
