#!/usr/bin/env bash
# End-to-end check of the `oru` pack and bmp commands: results, exit codes and messages.
# Usage: oru_pack_commands.sh PATH_TO_ORU
set -u
oru=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

fail() { echo "FAIL: $*" >&2; exit 1; }
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }

# A 3 x 2 4-bit picture with a 16-entry colour table; rows bottom first, 4 bytes each.
{
  printf 'BM'; le32 $((14 + 40 + 64 + 8)); le32 0; le32 $((14 + 40 + 64))
  le32 40; le32 3; le32 2; printf '\x01\x00\x04\x00'; le32 0; le32 0; le32 0; le32 0; le32 0; le32 0
  for i in $(seq 0 15); do printf "\\x$(printf %02x $((i * 16)))\\x$(printf %02x $((255 - i * 8)))\\x$(printf %02x $((i * 4)))\\x00"; done
  printf '\x45\x60\x00\x00'   # bottom row: 4 5 6
  printf '\x12\x30\x00\x00'   # top row: 1 2 3
} > pic.bmp

"$oru" pack pic.bmp || fail "pack"
[ -f pic.dpa ] || fail "pack did not write pic.dpa"
read -r name packed unpacked < <("$oru" list pic.dpa) || fail "list"
[ "$name" = pic.bmp ] || fail "list: stored name '$name'"
[ "$packed" = "$(stat -c %s pic.dpa)" ] || fail "list: packed size $packed"
[ "$unpacked" = 126 ] || fail "list: unpacked size $unpacked"

"$oru" unpack pic.dpa out.bin || fail "unpack"
cmp -s out.bin pic.bmp || fail "unpack: bytes differ"
mv pic.bmp original.bmp
"$oru" extract pic.dpa || fail "extract"
cmp -s pic.bmp original.bmp || fail "extract: bytes differ"
rm pic.bmp

# pic.bmp is gone: the bmp commands find the pack under the ".dpa" name.
[ "$("$oru" bmp info pic.bmp)" = "width 3 height 2 bits 4 colours 16 used 6" ] || fail "bmp info: $("$oru" bmp info pic.bmp)"
"$oru" bmp resave pic.bmp resaved.bmp || fail "bmp resave"
[ "$(stat -c %s resaved.bmp)" = $((1078 + 4 * 2)) ] || fail "bmp resave: size"
[ "$("$oru" bmp info resaved.bmp)" = "width 3 height 2 bits 8 colours 256 used 6" ] || fail "bmp info of the resaved file"
"$oru" bmp remap pic.bmp remapped.bmp || fail "bmp remap"
"$oru" bmp info remapped.bmp > /dev/null || fail "bmp info of the remapped file"

# Bad arguments print the usage and exit 2; failures name the file and exit non-zero.
expect() {  # expected-status message-substring command...
  local status=$1 text=$2
  shift 2
  local err
  err=$("$@" 2>&1 >/dev/null)
  local got=$?
  [ "$got" = "$status" ] || fail "'$*' exited $got, not $status"
  [[ "$err" == *"$text"* ]] || fail "'$*' said '$err', not '$text'"
}
expect 2 "usage: oru pack" "$oru" pack
expect 2 "usage: oru unpack" "$oru" unpack pic.dpa
expect 2 "usage: oru extract" "$oru" extract
expect 2 "usage: oru list" "$oru" list
expect 2 "usage: oru bmp" "$oru" bmp convert a b
expect 1 "missing.bmp" "$oru" pack missing.bmp
expect 1 "original.bmp" "$oru" list original.bmp
expect 1 "no/such/dir/x" "$oru" unpack pic.dpa no/such/dir/x
expect 1 "missing.bmp" "$oru" bmp info missing.bmp
expect 1 "no/such/dir/x.bmp" "$oru" bmp resave out.bin no/such/dir/x.bmp
head -c 60 original.bmp > cut.bmp
expect 1 "oru bmp: 'cut.bmp': has no pixel data: the colour table ends at offset 118" "$oru" bmp resave cut.bmp x.bmp
[ -e x.bmp ] && fail "a failed resave left x.bmp behind"

# Extra or missing arguments print the usage and exit 2.
expect 2 "usage: oru view" "$oru" view a.bmp b.bmp
expect 2 "usage: oru text" "$oru" text one two
expect 2 "usage: oru extract" "$oru" extract a.dpa b.dpa
expect 2 "usage: oru extract" "$oru" extract --overwrite a.dpa
expect 2 "usage: oru bmp" "$oru" bmp info a b
expect 2 "usage: oru pack" "$oru" pack a b c

# Anything that is not a regular file is refused at once, with the reason after the name.
mkdir folder.bmp
mkfifo fifo.bmp
expect 1 "oru pack: 'folder.bmp': is a folder, not a file" "$oru" pack folder.bmp
expect 1 "oru pack: 'fifo.bmp': is a FIFO (named pipe), not a file" timeout 20 "$oru" pack fifo.bmp
expect 1 "oru pack: '/proc/self/status': is a /proc or /sys entry" "$oru" pack /proc/self/status proc.dpa
expect 1 "oru bmp: 'folder.bmp': is a folder, not a file" "$oru" bmp info folder.bmp
expect 1 "oru bmp: 'missing.bmp': cannot be opened (No such file or directory)" "$oru" bmp info missing.bmp

# pack never writes over its own source; unpack and bmp writes keep the old file on failure.
expect 1 "the pack would be written over its own source" "$oru" pack original.bmp original.bmp
cmp -s original.bmp pic.dpa && fail "pack wrote over its source"
echo old > keep.bin
expect 1 "oru unpack: 'original.bmp': is not a pack" "$oru" unpack original.bmp keep.bin
[ "$(cat keep.bin)" = old ] || fail "a failed unpack replaced keep.bin"
ls -A | grep -q '\.tmp-' && fail "a temporary file was left behind: $(ls -A)"

# extract refuses stored names that leave the folder, and keeps existing files without --force.
mkdir -p inner/deeper
printf 'evil' > inner/deeper/ev
"$oru" pack inner/deeper/ev ev.dpa || fail "pack ev"   # stored name "inner/deeper/ev" (15 bytes)
for stored in '/tmp/oru-ev-' '../../../ev' 'a\b\c\d\e'; do  # each at most 15 bytes
  cp ev.dpa bad.dpa
  printf '%s' "$stored" | dd of=bad.dpa bs=1 seek=36 conv=notrunc status=none
  expect 1 "oru extract: 'bad.dpa': the stored name" "$oru" extract bad.dpa
done
[ -e /tmp/oru-ev-ev ] && fail "extract wrote outside its folder"
printf 'new' > pic.bmp
expect 1 "oru extract: 'pic.bmp': exists already (--force replaces it)" "$oru" extract pic.dpa
[ "$(cat pic.bmp)" = new ] || fail "extract replaced pic.bmp without --force"
"$oru" extract --force pic.dpa || fail "extract --force"
cmp -s pic.bmp original.bmp || fail "extract --force: bytes differ"

# Names with control characters are printed escaped.
printf 'x' > "$(printf 'n\nl\033[31m')"
"$oru" pack "$(printf 'n\nl\033[31m')" nl.dpa || fail "pack of a name with control characters"
[ "$("$oru" list nl.dpa)" = 'n\nl\x1B[31m 47 1' ] || fail "list: $("$oru" list nl.dpa)"
# An output that is no regular file is written in place and stays what it was: standard output,
# a FIFO with a reader; one without a reader is refused at once. A link is followed and stays.
[ "$("$oru" unpack pic.dpa /dev/stdout | cmp - original.bmp && echo same)" = same ] ||
  fail "unpack to /dev/stdout"
mkfifo out.fifo
cat out.fifo > from-fifo.bin &
timeout 20 "$oru" unpack pic.dpa out.fifo || fail "unpack into a FIFO with a reader"
wait
[ -p out.fifo ] || fail "unpack replaced the FIFO"
cmp -s from-fifo.bin original.bmp || fail "unpack into a FIFO: bytes differ"
expect 1 "oru unpack: 'out.fifo': is a FIFO (named pipe) that no program reads" timeout 20 "$oru" unpack pic.dpa out.fifo
mkdir real
echo old > real/target.bin
ln -s real/target.bin link.bin
"$oru" unpack pic.dpa link.bin || fail "unpack through a link"
[ -L link.bin ] || fail "unpack replaced the link"
cmp -s real/target.bin original.bmp || fail "unpack through a link: bytes differ"
ls -A . real | grep -q '\.tmp-' && fail "a temporary file was left behind: $(ls -A . real)"
echo "oru pack and bmp commands: ok"
