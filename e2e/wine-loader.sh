# Sourced: picks the Wine loader for the programs of a build and exports
# KTR_WINE, KTR_WINESERVER and KTR_WINEARCH. The 32-bit loader runs the
# shipped i686 programs (on a host without a 32-bit mode through the
# emulator that scripts/setup.sh registers); WINEARCH=win64 or KTR_WINE
# chooses the 64-bit one for an x86_64 build.
if [ -z "${KTR_WINE:-}" ]; then
  if [ "${WINEARCH:-}" = win64 ]; then
    KTR_WINE=/usr/lib/wine/wine64
  else
    KTR_WINE=wine
  fi
fi
case "$KTR_WINE" in
  *wine64) KTR_WINEARCH=${WINEARCH:-win64} ;;
  *) KTR_WINEARCH=${WINEARCH:-win32} ;;
esac
KTR_WINESERVER=${KTR_WINESERVER:-wineserver}
export KTR_WINE KTR_WINESERVER KTR_WINEARCH
