#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and nothing that is
# already there: a machine that has everything is left alone in a few
# seconds. Safe to run again and again; needs root only when something is
# missing.
set -euo pipefail

packages=(
  cmake g++ make python3 git
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  libgtest-dev libgmock-dev googletest libbenchmark-dev libstb-dev clang
  wine wine32 wine64
  xvfb xdotool imagemagick fonts-wqy-microhei locales
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
  as_root apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    as_root apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
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
