#!/usr/bin/env bash
# tests/cell/images.sh CELL: the floppy images of cell pack --images checked
# with tools nobody here wrote (dosfstools' fsck.fat, mtools' mdir and
# mcopy), and images that mtools made and filled read by cell list, test and
# extract. Each format is filled to its last byte. Prints each failed check
# and "N passed, M failed".
set -uo pipefail
cell=$1
for tool in fsck.fat mformat mcopy mdir mmd; do
  command -v "$tool" >/dev/null || { echo "images: $tool is missing: run scripts/setup"; exit 1; }
done
export MTOOLS_SKIP_CHECK=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { # check NAME COMMAND...
  local name=$1
  shift
  if "$@" >"$work/log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    tail -n 20 "$work/log" | sed 's/^/    /'
  fi
}

# fsck.fat -n prints its banner and one summary line, and not a word more.
fsckclean() {
  local out
  out=$(fsck.fat -n "$1" 2>&1) || { echo "$out"; return 1; }
  echo "$out"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ]
}
# mdir lists the names and says the disk is full (or has these bytes free).
mdirshows() { # mdirshows IMAGE FREE NAME...
  local image=$1 free=$2 out
  shift 2
  out=$(mdir -i "$image" ::) || { echo "$out"; return 1; }
  echo "$out"
  grep -Eq "^ +$free bytes free" <<<"$out" || return 1
  for name in "$@"; do grep -Eq "^${name%.*} +${name#*.} " <<<"$out" || return 1; done
}
copiedsame() { # copiedsame IMAGE NAME FILE: mcopy gives FILE's bytes
  rm -f "$work/copied" && mcopy -i "$1" "::$2" "$work/copied" && cmp "$work/copied" "$3"
}
pack() { # pack SOURCE OUT OPTION...
  local source=$1 out=$2
  shift 2
  "$cell" pack "$source" "$out" --name "Widget Tools" --dir 'C:\APPS\WIDGET' --time 1000000000 "$@"
}
extractsame() { # extractsame DIST SOURCE
  rm -rf "$work/out" && "$cell" extract "$1" "$work/out" && diff -r "$work/out" "$2"
}

head -c 4000 /dev/urandom >"$work/install.exe"
printf 'Read me first.\r\n' >"$work/readme.txt"
# Free bytes of each format, and its size for mformat -f.
for format in 360K:362496:360 720K:730112:720 1.2M:1213952:1200 1.44M:1457664:1440; do
  IFS=: read -r name free kilobytes <<<"$format"
  src=$work/src-$name
  mkdir -p "$src/bin"
  head -c "$free" /dev/urandom >"$src/bin/random.dat" # packs to more than one disk
  printf 'text\n' >"$src/notes.txt"

  # A full disk: CELL.0 fills the setup disk to its last byte.
  check "$name: pack --images" pack "$src" "$work/$name" --volume-size "$name" --images
  check "$name: pack loose" pack "$src" "$work/$name-loose" --volume-size "$name"
  check "$name: CELL.0 is the whole disk" test "$(stat -c %s "$work/$name-loose/CELL.0")" = "$free"
  for image in "$work/$name"/*.IMG; do
    check "$name: fsck.fat -n $(basename "$image")" fsckclean "$image"
  done
  check "$name: mdir SETUP.IMG" mdirshows "$work/$name/SETUP.IMG" 0 CELL.0
  for volume in "$work/$name-loose"/CELL.*; do
    n=${volume##*.}
    disk=$([ "$n" = 0 ] && echo SETUP || echo "DISK$n")
    check "$name: mcopy CELL.$n" copiedsame "$work/$name/$disk.IMG" "CELL.$n" "$volume"
  done
  check "$name: cell test images" "$cell" test "$work/$name"
  check "$name: cell extract images" extractsame "$work/$name" "$src"

  # The setup files take their clusters off CELL.0: the disk is still full.
  check "$name: pack --installer --add" pack "$src" "$work/$name-setup" --images --format "$name" \
    --installer "$work/install.exe" --add "$work/readme.txt"
  check "$name: fsck.fat -n SETUP.IMG with setup files" fsckclean "$work/$name-setup/SETUP.IMG"
  check "$name: mdir SETUP.IMG with setup files" \
    mdirshows "$work/$name-setup/SETUP.IMG" 0 CELL.0 INSTALL.EXE README.TXT
  check "$name: mcopy INSTALL.EXE" copiedsame "$work/$name-setup/SETUP.IMG" INSTALL.EXE "$work/install.exe"
  check "$name: cell test setup images" "$cell" test "$work/$name-setup"

  # A set mtools formatted and filled, a file and a directory before each
  # CELL.n (a cluster each at most: 2 KiB), one name in small letters, the
  # images named as their owner likes.
  mtools=$work/$name-mtools
  mkdir -p "$mtools"
  check "$name: pack for mtools" pack "$src" "$work/$name-small" --volume-size $((free - 2048))
  for volume in "$work/$name-small"/CELL.*; do
    n=${volume##*.}
    image=$mtools/widget-$n.ima
    target=::CELL.$n
    [ "$n" = 1 ] && target=::cell.$n
    check "$name: mtools disk $n" sh -c "mformat -f $kilobytes -C -i '$image' -v DISK$n :: &&
      mcopy -i '$image' '$work/readme.txt' ::EXTRA.TXT && mmd -i '$image' ::SUB &&
      mcopy -i '$image' '$volume' $target"
  done
  check "$name: cell test mtools images" "$cell" test "$mtools"
  check "$name: cell list mtools images" "$cell" list "$mtools"
  check "$name: cell extract mtools images" extractsame "$mtools" "$src"
done

# FAT16 as mformat makes it (16 MiB, 2 KiB clusters), holding a whole set.
big=$work/fat16.img
check "FAT16: mformat" mformat -C -i "$big" -T 32768 -h 2 -s 16 -c 4 ::
check "FAT16: it is FAT16" sh -c "fsck.fat -n -v '$big' | grep -q '16 bit entries'"
check "FAT16: mcopy the volumes" mcopy -i "$big" "$work/1.44M-loose"/CELL.* ::
check "FAT16: cell test" "$cell" test "$big"
check "FAT16: cell extract" extractsame "$big" "$work/src-1.44M"

# A set mkfs.fat formatted, mtools filled, in one directory with a stray file.
mkfs=$work/mkfs
mkdir -p "$mkfs"
printf 'not an image\n' >"$mkfs/notes.txt"
for volume in "$work/1.44M-small"/CELL.*; do
  n=${volume##*.}
  check "mkfs.fat: disk $n" sh -c "mkfs.fat -C -n DISK$n '$mkfs/disk$n.vfd' 1440 &&
    mcopy -i '$mkfs/disk$n.vfd' '$volume' ::CELL.$n"
done
check "mkfs.fat: cell test" "$cell" test "$mkfs"
check "mkfs.fat: cell extract" extractsame "$mkfs" "$work/src-1.44M"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
