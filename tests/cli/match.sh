# Matching on the shipped harbour sample: both sides, explanations,
# suggestions, a pairing written, checked and applied; resource detail.
. "$(dirname "$0")/common.inc"

doc="$examples/matching.json"
scope="--sub-project harbour/root --groups wh-mat,of-mat"

# The sample the demo writes is the shipped one.
expect 0 "$prog" demo --write-matching-sample sample.json
cmp sample.json "$doc" || fail "examples/matching.json is stale"

expect 0 "$prog" match "$doc" $scope -o current.json --explain --suggest
contains out.txt "Contract side: 5 merged entries"
contains out.txt "wh-cement  C01   水泥 Cement  P.O 42.5  t          180  wh-cement, of-cement"
contains out.txt "ys-wh-brick   C04   砖 Brick                        块    C        56000  ys-wh-brick, ys-wh-brick-2"
contains out.txt "  wh-rebar <- ys-wh-rebar"
contains out.txt "ys-wh-cement / ys-of-cement: BRIExcludedTaxFee 420 vs 435"
contains out.txt 'ys-wh-cable / ys-of-cable: BRIUnit "千米" vs "KM"'
contains out.txt "ys-wh-labour: type R: only C, Z and F are matched"
contains out.txt "ys-of-mortar: collected into cost lines"
contains out.txt "     85  wh-cable  same code C03; same name; same model; unit 千米 vs m"
contains current.json '"entry": "wh-rebar"'

# Accepting the suggestions gives the shipped pairing.
expect 0 "$prog" match "$doc" $scope --accept-suggestions 80 -o accepted.json
cmp accepted.json "$examples/matching_pairing.json" || fail "examples/matching_pairing.json is stale"
expect 2 "$prog" match "$doc" $scope --accept-suggestions 80
contains err.txt "give -o PAIRING.json"

expect 0 "$prog" match "$doc" $scope --json
contains out.txt '"summary": "ys-wh-cement"'

# Applying: links with unit conversion, a collection of two budget entries.
expect 0 "$prog" match "$doc" --apply "$examples/matching_pairing.json" -o applied.json
contains out.txt "linked    ys-wh-cable to new cost line"
contains out.txt ": 千米 -> m, content 1200.000000"
contains out.txt ": KM -> m, content 6.000000"
contains out.txt "collected ys-wh-brick-2 8000 into new cost line"
expect 0 "$prog" match applied.json $scope -o again.json
contains out.txt "  wh-cable <- ys-wh-cable, ys-of-cable"
expect 0 "$prog" match applied.json --apply again.json --dry-run
contains out.txt "nothing to release or build: the pairing is what exists"

# Releasing: an empty pairing unlinks what is linked.
sed 's/"pairs": \[/"pairs": [], "was": [/' again.json > none.json
expect 0 "$prog" match applied.json --apply none.json --dry-run
contains out.txt "released  ys-wh-cable from"

# Bad pairings are refused before anything changes, naming the place.
sed 's/"entry": "wh-cable"/"entry": "nope"/' "$examples/matching_pairing.json" > unknown.json
expect 2 "$prog" match "$doc" --apply unknown.json -o never.json
contains err.txt "unknown.json: /pairs/2/entry: no contract entry 'nope' among the matched contract groups"
sed 's/"ys-of-cable"/"ys-wh-cement-2"/' "$examples/matching_pairing.json" > twice.json
expect 2 "$prog" match "$doc" --apply twice.json -o never.json
contains err.txt "twice.json: /pairs/2/summaries/1: summary 'ys-wh-cement' is paired already at /pairs/0/summaries/0"
printf '{"format": "marrow-qrv-pairing", "version": 1, "subProject": "harbour/root", "groups": ["x"], "pairs": []}' > scope.json
expect 2 "$prog" match "$doc" --apply scope.json -o never.json
contains err.txt "scope.json: /groups: no contract group 'x'"
printf '{"format": "marrow-qrv-pairing", "version": 1, "pairs": [' > broken.json
expect 2 "$prog" match "$doc" --apply broken.json -o never.json
contains err.txt "broken.json: byte"
[ ! -e never.json ] || fail "a refused pairing wrote a document"
expect 2 "$prog" match "$doc" --apply "$examples/matching_pairing.json"
contains err.txt "--apply needs exactly one of"

# Resource detail: by amount, with shares and classes, and as CSV.
expect 0 "$prog" detail "$doc" --bills wh-b1,wh-b2,wh-b3,wh-b1 --design --csv detail.csv
contains out.txt "Budget resource detail of 4 bill item(s) under wh-tree"
contains out.txt "  1  C03   电缆 Cable    YJV-3x95  千米  C          1.2  85000  102000    47%    47%  A"
contains out.txt "  4  C01   水泥 Cement   P.O 42.5  t     C           40    420   16800   7.7%  90.4%  B"
contains detail.csv "rank,code,name,model,unit,type,quantity,price,amount,share,cumulative,class,lines"
contains detail.csv "3,C04,砖 Brick,,块,C,56000,0.5,28000,0.129151,0.826568,A,ys-wh-brick ys-wh-brick-2"
expect 0 "$prog" detail "$doc" --bills wh-b1,of-b1
contains out.txt "(no resource lines; the bill items must lie under one bill tree"
expect 2 "$prog" detail "$doc" --bills ys-wh-cement
contains err.txt "--bills: 'ys-wh-cement' is a budget line"
