# Sourced: picks the Wine loader that can run on this host and exports
# KTR_WINE, KTR_WINESERVER and KTR_WINEARCH. The 32-bit loader is tried
# first (it is what the i686 launcher needs); a host without a 32-bit mode
# answers "Exec format error" and gets the 64-bit loader.
if [ -z "${KTR_WINE:-}" ]; then
  if [ "${WINEARCH:-}" = win64 ]; then
    KTR_WINE=/usr/lib/wine/wine64
  elif [ "${WINEARCH:-}" = win32 ] || /usr/lib/wine/wine --version >/dev/null 2>&1 </dev/null; then
    KTR_WINE=wine
  elif [ -x /usr/lib/wine/wine64 ]; then
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
