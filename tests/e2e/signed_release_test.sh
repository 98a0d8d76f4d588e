#!/usr/bin/env bash
# signed_release_test.sh WINE INSTALLCTL SAMPLE_HOST: releases signed three ways, checked and run.
set -euo pipefail
WINE=$1 installctl=$2 sample_host=$3 root=$(cd "$(dirname "$0")/../.." && pwd) WORK=$(mktemp -d) fail=0
source "$root/scripts/wine-desktop.sh"
trap 'stop_desktop; [ -z "${tsa:-}" ] || kill "$tsa" 2>/dev/null; rm -rf "$WORK"' EXIT
check() {  # check WHAT COMMAND...: passes if the command does
  if "${@:2}" >"$WORK/now" 2>&1; then echo "ok: $1"; else echo "FAIL: $1" && cat "$WORK/now"; fail=1; fi
  mv "$WORK/now" "$WORK/out"; }  # the output of the last check, for the next
refused() { ! "$@"; }
verify() { osslsigncode verify -CAfile "$keys/ca.crt" -TSA-CAfile "$keys/ca.crt" -in "$@"; }
missing=$(missing_desktop_tools makensis osslsigncode softhsm2-util openssl python3 unzip)
if [ -n "$missing" ]; then
  [ -z "${CI:-}" ] || { echo "FAIL: missing $missing" && exit 1; }
  echo "skipped: missing $missing" && exit 77
fi
keys=$WORK/keys && "$root/scripts/signing-rehearsal.sh" "$keys"
cat "$keys"/{password,pin,so-pin} >"$WORK/secrets"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY  # the time stamps come from 127.0.0.1 alone
python3 "$root/scripts/timestamp-authority.py" "$keys" "$WORK/port" 300 & tsa=$!
for _ in $(seq 100); do [ -s "$WORK/port" ] || sleep 0.2; done

for kind in pkcs12:pkcs12 token:token stamped:pkcs12; do
  name=${kind%%:*} dir=$WORK/${kind%%:*} url=
  [ $name != stamped ] || url=http://127.0.0.1:$(cat "$WORK/port")/
  check "$name: release" bash -c "source '$keys/${kind#*:}.env' && INSTALL_SIGN_TIMESTAMP_URL='$url' \
    '$root/scripts/release.sh' '$dir' >'$dir.log' 2>&1 || { cat '$dir.log'; exit 1; }"
  unzip -q "$dir"/Install-*-windows.zip -d "$dir/files" || continue
  check "$name: SHA256SUMS lists the signed files" bash -c "cd '$dir/files' && sha256sum -c SHA256SUMS"
  check "$name: no password or PIN in the output or files" refused grep -r -l -a -F -f "$WORK/secrets" \
    "$dir" "$dir.log"
  for pair in x86:win32 x64:win64; do
    dll=$dir/files/${pair%%:*}/Install.dll built=$root/build/${pair#*:}/bin/Install.dll
    check "$name: ${pair%%:*} signature verifies" verify "$dll"
    [ ${pair%%:*} = x86 ] || { grep -E 'Subject:|description|Timestamp time|verification:' "$WORK/out" || :
      echo "size: $name signature adds $(($(stat -c %s "$dll") - $(stat -c %s "$built"))) bytes"; }
    [ $name != stamped ] || check "stamped: ${pair%%:*} time stamp verified" grep -q \
      "Timestamp Server Signature verification: ok" "$WORK/out"
    check "$name: ${pair%%:*} unsigned is the built DLL" bash -c "osslsigncode remove-signature \
      -in '$dll' -out '$dll.unsigned' && cmp '$dll.unsigned' '$built'"
  done
done
printf 'Z' | dd of="$WORK/token/files/x64/Install.dll" bs=1 seek=4096 conv=notrunc status=none
check "one byte changed: verification fails" refused verify "$WORK/token/files/x64/Install.dll"
check "wrong PIN: the release fails, nothing packed" bash -c "source '$keys/token.env' && ! \
  INSTALL_SIGN_PASSWORD_FILE='$keys/so-pin' '$root/scripts/release.sh' '$WORK/bad' && ! ls '$WORK/bad'/*"

start_desktop
answer() {  # answer ARCH INSTALLCTL LOADER: AreYouThere through the signed DLL, beside installctl
  cp "$2" "$WORK/pkcs12/files/$1/" && "$3" "$WORK/pkcs12/files/$1/installctl.exe" AreYouThere | tr -d '\r'; }
check "x64 signed DLL answers under wine64" test "$(answer x64 "$installctl" "$WINE")" = 1
installctl32=$root/build/win32/bin/installctl.exe
reason=$("$root/cmake/wine-probe.sh" /usr/lib/wine/wine 32) && reason=
[ -n "$reason" ] || [ -f "$installctl32" ] || reason="no $installctl32 (build the win32 preset)"
if [ -n "$reason" ]; then echo "skipped: x86 signed DLL under the 32-bit Wine: $reason"
else check "x86 signed DLL answers under the 32-bit Wine" test "$(answer x86 "$installctl32" /usr/lib/wine/wine)" = 1; fi

host=$WINEPREFIX/drive_c/Host plugin=$WINEPREFIX/drive_c/Host/Plugins/SampleBlur
mkdir -p "$host" && cp "$sample_host" "$host/Host.exe" && printf 'ZKCO 3\r\n0\r\n' >"$host/host.cfg"
check "example: signed build" bash -c "source '$keys/token.env' && makensis -V1 -DTARGET=amd64-unicode \
  -DSIGN='$root/scripts/sign.sh' -DINSTALL_DLL='$WORK/pkcs12/files/x64/Install.dll' \
  -DOUTFILE='$WORK/setup.exe' '$root/examples/nsis/plugin-setup.nsi'"
windows() { timeout 90 "$WINE" "$@" && timeout 90 "$(dirname "$WINE")/wineserver" -w; }
check "example: setup.exe signature verifies" verify "$WORK/setup.exe"
check "example: silent install" windows "$WORK/setup.exe" /S /USER=Jane '/D=C:\Host'
check "example: registered in host.cfg" grep -q 'SampleBlur.dll' "$host/host.cfg"
check "example: Uninstall.exe written signed" verify "$plugin/Uninstall.exe"
check "example: silent uninstall" windows "$plugin/Uninstall.exe" /S
check "example: unregistered from host.cfg" refused grep -q 'SampleBlur' "$host/host.cfg"
exit $fail
