#!/usr/bin/env bash
# The Debian package on a machine that has nothing else: builds the package, checks it with
# lintian, makes a clean Debian 12 root with debootstrap (kept under the build folder for the
# next run, with the packages apt fetched), installs the package there with apt-get and no
# recommended packages, uses both programs inside it, then purges the package and checks that
# nothing of it is left. Needs root and the network to the Debian archive.
#
#   bash scripts/package-test.sh [BUILD_DIR]        (make package-test)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work="$build/package-test"
cache="$work/bookworm-minbase.tar"
archives="$work/apt-archives"
root="$work/root"
mirror=${MIRELK_DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: needs root (debootstrap, chroot and mounts)" >&2
  exit 1
fi

step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-test: FAILED: $*" >&2; exit 1; }

step "Host tools"
tools=()
for tool in debootstrap lintian; do command -v "$tool" >/dev/null || tools+=("$tool"); done
if [ ${#tools[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${tools[@]}"
fi
echo "debootstrap $(debootstrap --version | awk '{print $2}'), $(lintian --version)"

step "The package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/mirelk_*_amd64.deb | head -n 1)
echo "$deb"
dpkg-deb -f "$deb" Package Version Depends Recommends Installed-Size

step "lintian"
# Errors and warnings fail the test; info-level tags are listed.
lintian_out=$(lintian --display-level '>=info' "$deb" 2>&1 || true)
echo "${lintian_out:-(nothing to report)}"
if grep -qE '^(E|W): ' <<<"$lintian_out"; then fail "lintian reports errors or warnings"; fi

step "A clean Debian 12 root"
mkdir -p "$work" "$archives/partial"
if [ ! -f "$cache" ]; then
  rm -rf "$work/bootstrap"
  debootstrap --variant=minbase bookworm "$work/bootstrap" "$mirror" > "$work/debootstrap.log"
  tar -C "$work/bootstrap" -cf "$cache" .
  rm -rf "$work/bootstrap"
fi
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
bind() {
  mkdir -p "$2"
  mount --bind "$1" "$2"
  mounts+=("$2")
}
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$cache"
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
bind /sys "$root/sys"
bind /dev "$root/dev"
bind /dev/pts "$root/dev/pts"
bind "$(realpath "$archives")" "$root/var/cache/apt/archives"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    XDG_RUNTIME_DIR=/tmp/runtime DEBIAN_FRONTEND=noninteractive "$@"
}
# Nothing of the host's display reaches the root.
in_root sh -c 'test -z "$DISPLAY"'
# A clip to convert and to play: H.264 and AAC in Matroska, as users have them.
mkdir -p "$root/tmp/media" "$root/tmp/runtime"
chmod 700 "$root/tmp/runtime"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=duration=3:size=320x240:rate=25 \
  -f lavfi -i sine=frequency=440:duration=3:sample_rate=44100 -c:v libx264 -pix_fmt yuv420p \
  -c:a aac "$root/tmp/media/clip.mkv"
cp "$deb" "$root/tmp/"
before=$(in_root sh -c 'find / -xdev -path /proc -prune -o -path /tmp -prune -o -path /root -prune -o -path /var/cache -prune -o -path /var/lib/apt -prune -o -path /var/log -prune -o -print' | sort)

step "apt-get install --no-install-recommends ./$(basename "$deb")"
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" > "$work/install.log" 2>&1 ||
  { tail -n 30 "$work/install.log"; fail "the package does not install"; }
grep -E '^Setting up ' "$work/install.log" | wc -l | xargs echo "packages set up:"
in_root dpkg-query -W -f='${Package} ${Version}\n' mirelk libavcodec-extra59 gstreamer1.0-libav \
  gstreamer1.0-plugins-good fonts-dejavu-core fonts-wqy-microhei 2>&1 | sed 's/^/  /'

step "mirelk-cli --self-check"
in_root mirelk-cli --self-check | head -n 9

step "Each format mirelk-cli lists (the 24 and the newer ones)"
formats=$(in_root mirelk-cli --list-formats | awk '{print $1}')
[ "$(wc -w <<<"$formats")" -ge 24 ] || fail "mirelk-cli lists $(wc -w <<<"$formats") formats, fewer than 24"
failed=0
for format in $formats; do
  out="/tmp/out-$format"
  if in_root mirelk-cli -q --log-level error -f "$format" -o "$out" /tmp/media/clip.mkv > "$work/convert.log" 2>&1; then
    file=$(ls "$root$out")
    # Each stream with the packets it holds (raw video streams have no duration to show).
    streams=$(ffprobe -v error -count_packets -show_entries stream=codec_name,nb_read_packets -of csv=p=0 \
      "$root$out/$file" | grep -v '^,' | sed 's/,/ x/' | paste -sd, -)
    printf '  %-5s %-25s %s\n' "$format" "$file" "$streams"
  else
    printf '  %-5s FAILED: %s\n' "$format" "$(tail -n 1 "$work/convert.log")"
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] || fail "$failed formats failed"

step "mirelk without a display, --help, --version"
set +e
no_display=$(in_root mirelk /tmp/media/clip.mkv 2>&1)
status=$?
set -e
echo "  status $status: $no_display"
[ "$status" -eq 1 ] && [ "$(wc -l <<<"$no_display")" -eq 1 ] || fail "mirelk without a display"
in_root mirelk --version
in_root mirelk --help | head -n 4

step "mirelk on the offscreen platform with a file"
opened=$(in_root env QT_QPA_PLATFORM=offscreen mirelk --quit-after-load /tmp/media/clip.mkv 2>&1)
echo "  $opened"
grep -q '^1 of 1 files in the list$' <<<"$opened" || fail "the window did not take the file"
[ -f "$root/root/.config/mirelk/Config.ini" ] || fail "no Config.ini in the user's folder"
[ ! -e "$root/usr/lib/mirelk/Config.ini" ] && [ ! -e "$root/usr/bin/Config.ini" ] || fail "Config.ini under the prefix"
echo "  settings in /root/.config/mirelk/Config.ini, nothing under /usr"
unkept=$(in_root env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=/sys/mirelk-config mirelk --quit-after-load /tmp/media/clip.mkv 2>&1)
echo "$unkept" | sed 's/^/  /'
[ "$(grep -c 'Settings will not be kept' <<<"$unkept")" -eq 1 ] || fail "an unwritable configuration folder"

step "Playback on the playback panel's back end"
in_root env QT_QPA_PLATFORM=offscreen mirelk --check-playback /tmp/media/clip.mkv 2>&1 | sed 's/^/  /'
in_root env QT_QPA_PLATFORM=offscreen mirelk --check-playback "/tmp/out-MP4/clip_(new).mp4" 2>&1 | sed 's/^/  /'

step "A font for the Chinese captions"
in_root apt-get install -y -qq --no-install-recommends fontconfig > /dev/null 2>&1
zh=$(in_root fc-list :lang=zh family)
echo "  ${zh:-none}"
[ -n "$zh" ] || fail "no font covers Chinese"

step "apt-get purge mirelk"
in_root dpkg -L mirelk > "$work/files.txt"
in_root apt-get purge -y -qq mirelk > /dev/null 2>&1
after=$(in_root sh -c 'find / -xdev -path /proc -prune -o -path /tmp -prune -o -path /root -prune -o -path /var/cache -prune -o -path /var/lib/apt -prune -o -path /var/log -prune -o -print' | sort)
left=$(comm -13 <(echo "$before") <(echo "$after") | grep -i mirelk || true)
echo "  files of the package: $(wc -l < "$work/files.txt"); left after purge: ${left:-none}"
[ -z "$left" ] || fail "the purge left files behind"
for folder in /usr/lib/mirelk /usr/share/mirelk /usr/share/doc/mirelk; do
  [ ! -e "$root$folder" ] || fail "$folder is left"
done

step "package-test: passed"
