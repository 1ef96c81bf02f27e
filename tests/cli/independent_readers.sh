#!/usr/bin/env bash
# tsn-card's files and tsn-dump's exports, read by programs that share no code with
# ours: the JPEG library's rdjpgcom, Pillow (libpng's chunk CRCs), exiftool and the
# vobject vCard parser. Usage: independent_readers.sh TSN-CARD TSN-DUMP SOURCE-DIR
set -euo pipefail
card=$1 dump=$2 source=$3
py=/usr/bin/python3 # the system's, with the Debian packages of Pillow and vobject
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$source/data/official_collection.def" .

# Pictures made by Pillow, each with a comment of its own.
"$py" - <<'PY'
from PIL import Image, PngImagePlugin
picture = Image.new("RGB", (64, 48), (10, 120, 200))
picture.save("a.jpg", quality=90, comment=b"made by Pillow")
info = PngImagePlugin.PngInfo()
info.add_text("Software", "Pillow")
picture.save("a.png", pnginfo=info)
PY
"$card" copy "$source/data/pirite.jpg" a.jpg a.png
"$card" set --title $'Caf\xc3\xa9 & <Co> "quoted"' \
    --message "one, two; three\\four $(printf 'long \xc3\xa9%.0s' {1..30})" \
    --street $'1 High St\nTown' a.jpg a.png

echo "== rdjpgcom"
rdjpgcom a.jpg >comments.txt
grep -q '^tSN' comments.txt || fail "rdjpgcom lists no card comment"
grep -qx 'made by Pillow' comments.txt || fail "rdjpgcom lost the other comment"

echo "== Pillow"
"$py" -W error - <<'PY'
from PIL import Image
with Image.open("a.png") as picture:
    picture.verify()  # every chunk's CRC
with Image.open("a.png") as picture:
    picture.load()
    assert picture.text.get("Software") == "Pillow", picture.text
    assert picture.text.get("Comment", "").startswith("tSN"), picture.text
with Image.open("a.jpg") as picture:
    picture.load()
PY

echo "== exiftool"
for image in a.jpg a.png; do
    problems=$(exiftool -q -a -warning -error "$image")
    [ -z "$problems" ] || fail "exiftool on $image: $problems"
    exiftool -q -a -s3 -Comment "$image" | grep -q '^tSN' || fail "exiftool finds no card in $image"
done

echo "== vobject on tsn-dump --vcard, exiftool on tsn-dump --xmp"
"$dump" --json a.jpg a.png "$source/data/pirite.jpg" >records.json
"$dump" --vcard a.jpg a.png "$source/data/pirite.jpg" >cards.vcf
"$dump" --xmp a.jpg >a.xmp
exiftool -q -j -struct -XMP:all a.xmp >xmp.json
"$py" - <<'PY'
import json
import vobject

records = [json.loads(line) for line in open("records.json", encoding="utf-8")]
cards = list(vobject.readComponents(open("cards.vcf", encoding="utf-8").read(), validate=True))
assert len(cards) == len(records), (len(cards), len(records))
for card, record in zip(cards, records):
    business = record["business"]
    assert card.fn.value == business["name"], (card.fn.value, business["name"])
    assert card.note.value.replace("\n", "\r\n") == business["message"], card.note.value
    tels = {tuple(tel.params["TYPE"]): tel.value for tel in card.tel_list}
    assert tels[("work", "voice")] == business["phone"], tels
    assert tels[("work", "fax")] == business["fax"], tels
    assert card.email.value == business["email"]
    assert "\r\n".join(card.adr.value.street) == business["street"], card.adr.value.street

record = records[0]
xmp = json.load(open("xmp.json", encoding="utf-8"))[0]
expected = {
    "Title": record["general"]["title"],
    "Description": record["general"]["description"],
    "Owner": [record["copyright"]["holder"]],
    "Credit": record["copyright"]["credits"],
    "Marked": record["copyright"]["status"] in (0, 1),
}
for name, value in expected.items():
    assert str(xmp[name]) == str(value), (name, xmp.get(name), value)
contact = xmp["CreatorContactInfo"]
assert contact["CiAdrExtadr"] == record["business"]["street"], contact
assert str(contact["CiTelWork"]) == record["business"]["phone"], contact
fields = xmp["Collection"]["Fields"]
assert [field["Label"] for field in fields] == record["collection"]["labels"], fields
PY
echo "independent readers agree"
