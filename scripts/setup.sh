#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and nothing that is
# already there: a machine that has everything is left alone in a few
# seconds. Safe to run again and again; needs root only when something is
# missing.
set -euo pipefail

packages=(
  cmake g++ make python3 git
  mingw-w64 g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32
  libgtest-dev libgmock-dev googletest libbenchmark-dev libstb-dev clang
  wine wine32 wine64
  xvfb xdotool imagemagick fonts-wqy-microhei fonts-wine locales xorriso
  osslsigncode openssl libssl-dev
  libicu-dev libgettextpo-dev gettext libxml2-dev libxml2-utils php-symfony-translation
)
# The languages the end-to-end tests start the launcher in.
locales=(ko_KR ja_JP zh_CN zh_TW en_US de_DE)

say() { printf 'setup: %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# wine32 is an i386 package: without the architecture apt does not see it.
if [ "$(dpkg --print-architecture)" = amd64 ] &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
fi

# One dpkg-query for all packages keeps the common case (nothing missing) fast.
present=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$NF == "installed" && $(NF-1) == "ok" { print $1 }' || true)
missing=()
for package in "${packages[@]}"; do
  if ! grep -qx "$package" <<<"$present"; then
    # wine32 exists for i386 only.
    [ "$package" = wine32 ] && package=wine32:i386
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  say "installing: ${missing[*]:-(package lists only)}"
  # A mirror in the middle of a sync serves an index that does not match its
  # Release file, and apt-get update fails for that one index. Try again a
  # little later; if one index still fails, the install below tells whether
  # anything we need was really out of reach.
  for attempt in 1 2 3; do
    as_root apt-get update -qq && break
    say "apt-get update failed (attempt $attempt of 3)"
    [ "$attempt" -lt 3 ] && sleep 20
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if ! as_root apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null; then
      # When one architecture's security index could not be read, the other's
      # security versions become candidates that the i386 libraries cannot
      # match (Multi-Arch: same needs one version on both). The point
      # release's own packages match on both sides.
      codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-bookworm}")
      say "retrying the install with the packages of $codename itself"
      as_root apt-get install -y -qq -o Dpkg::Use-Pty=0 -t "$codename" "${missing[@]}" >/dev/null
    fi
  fi
fi

# Wine takes the system's default locale and ANSI code page from LANG, but
# only from a locale the C library knows; an ungenerated one silently reads
# as English. localedef adds just the missing ones (locale-gen would rebuild
# every locale of /etc/locale.gen).
available=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]')
for name in "${locales[@]}"; do
  wanted=$(printf '%s.utf8' "$name" | tr '[:upper:]' '[:lower:]')
  if ! grep -qx "$wanted" <<<"$available"; then
    say "generating the locale $name.UTF-8"
    # localedef exits non-zero on mere warnings: judge by the result.
    as_root localedef -i "$name" -c -f UTF-8 "$name.UTF-8" >/dev/null 2>&1 || true
    if ! locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$wanted"; then
      say "could not generate the locale $name.UTF-8"
      exit 1
    fi
  fi
done

# --- 32-bit Windows programs -------------------------------------------------
# The launcher ships as an i686 program, and the tests run that program under
# Wine's 32-bit loader. Some virtual machines cannot execute 32-bit x86 code
# at all ("Exec format error"); there qemu-user runs the loader, and every
# 32-bit program Wine starts after it, through binfmt_misc. Debian 12's own
# qemu 7.2 cannot run Wine (it takes MAP_FIXED_NOREPLACE as a mere hint and
# Wine's address-space reservation lands elsewhere); the qemu of
# bookworm-backports can. A host that runs 32-bit code itself gets none of it.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
loader=/usr/lib/wine/wine
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
emulator=/usr/bin/qemu-i386

emulator_wanted() {
  # Our own entry means this host was found unable before. Without it, a
  # loader that cannot even print its version needs the emulator.
  [ -e "$entry" ] && return 0
  ! "$loader" --version >/dev/null 2>&1 </dev/null
}

backports_qemu() {
  local version
  version=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null) || return 1
  [[ $version == "install ok installed "* ]] || return 1
  dpkg --compare-versions "${version##* }" ge 1:10 && [ -x "$emulator" ]
}

if emulator_wanted; then
  if ! backports_qemu; then
    sources=/etc/apt/sources.list.d/backports.sources
    if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
      uri=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
      uri=${uri:-http://deb.debian.org/debian}
      say "adding the bookworm-backports suite ($uri)"
      printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\n' "$uri" |
        as_root tee "$sources" >/dev/null
    fi
    say "installing qemu-user from bookworm-backports, to run the i686 programs"
    export DEBIAN_FRONTEND=noninteractive
    # A mirror in the middle of a sync serves an index that does not match its
  # Release file, and apt-get update fails for that one index. Try again a
  # little later; if one index still fails, the install below tells whether
  # anything we need was really out of reach.
  for attempt in 1 2 3; do
    as_root apt-get update -qq && break
    say "apt-get update failed (attempt $attempt of 3)"
    [ "$attempt" -lt 3 ] && sleep 20
  done
    as_root apt-get install -y -qq -o Dpkg::Use-Pty=0 -t bookworm-backports qemu-user >/dev/null
    if ! backports_qemu; then
      say "qemu-user 10 from bookworm-backports did not install"
      exit 1
    fi
  fi
  if ! mountpoint -q "$binfmt"; then
    say "mounting binfmt_misc"
    as_root mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  if [ -e "$entry" ] && ! grep -qx "interpreter $emulator" "$entry"; then
    say "replacing the i386 entry of binfmt_misc, which names another emulator"
    echo -1 | as_root tee "$entry" >/dev/null
  fi
  if [ ! -e "$entry" ]; then
    say "registering $emulator for i386 programs (binfmt_misc, flags OCF)"
    # The kernel decodes the \x escapes itself; F opens the emulator now.
    printf '%s' ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':OCF' |
      as_root tee "$binfmt/register" >/dev/null
  fi
  way="emulated by $("$emulator" --version | head -n1)"
else
  way="native"
fi

# Any registered emulator answers a version query, even one that cannot run
# Wine; so the proof is a small i686 Windows program run to its end in a
# fresh 32-bit prefix. It is done again after a reboot (binfmt entries do not
# survive one) or when Wine or the emulator changed.
proof=$root/build/setup/wine32-proof
stamp="$(cat /proc/sys/kernel/random/boot_id) $way $(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null)"
if [ "$(cat "$proof/proven" 2>/dev/null)" != "$stamp" ]; then
  say "proving that i686 Windows programs run here ($way)"
  rm -rf "$proof"
  mkdir -p "$proof"
  printf '%s\n' '#include <windows.h>' \
    'int main(void) { SYSTEM_INFO info; GetSystemInfo(&info);' \
    '  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? 32 : 1; }' \
    >"$proof/proof.c"
  i686-w64-mingw32-gcc -O1 -o "$proof/proof.exe" "$proof/proof.c"
  started=$(date +%s)
  code=0
  WINEPREFIX=$proof/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
    timeout 900 "$loader" "$proof/proof.exe" >"$proof/wine.log" 2>&1 </dev/null || code=$?
  WINEPREFIX=$proof/prefix timeout 120 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$proof/prefix timeout 120 wineserver -w >/dev/null 2>&1 || true
  rm -rf "$proof/prefix"
  if [ "$code" -ne 32 ]; then
    say "an i686 Windows program did not run under Wine (exit code $code; see $proof/wine.log)"
    exit 1
  fi
  say "an i686 Windows program ran in a fresh 32-bit prefix in $(( $(date +%s) - started )) s"
  printf '%s' "$stamp" >"$proof/proven"
fi
say "i686 Windows programs run here ($way)"
