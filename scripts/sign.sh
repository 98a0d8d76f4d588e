#!/usr/bin/env bash
# sign.sh FILE...: gives each Windows program or DLL an Authenticode signature
# (SHA-256), in place, with the key the environment names:
#   INSTALL_SIGN_PKCS12          a PKCS#12 file (key and certificate chain), or
#   INSTALL_SIGN_PKCS11_MODULE   a PKCS#11 module (a token's or an HSM's), with
#   INSTALL_SIGN_PKCS11_KEY      the key's URI (RFC 7512, "pkcs11:token=...;object=...") and
#   INSTALL_SIGN_CERT            the certificate chain, PEM;
#   INSTALL_SIGN_PASSWORD_FILE   the file holding the PKCS#12 password or the token's PIN;
#   INSTALL_SIGN_TIMESTAMP_URL   (optional) an RFC 3161 time-stamp authority;
#   INSTALL_SIGN_URL             the publisher's web page, put in the signature with
#   INSTALL_SIGN_NAME            the product's name (default: Install).
# The password or PIN is only ever read from its file, by the signing tool: it
# is never on a command line, printed or logged. A file that cannot be signed
# stops the script with its status, left as it was.
# sign.sh --configured exits 0 when a key is given, 1 when none is.
set -euo pipefail
name=${INSTALL_SIGN_NAME:-Install}

key=()
if [ -n "${INSTALL_SIGN_PKCS12:-}" ]; then
  key=(-pkcs12 "$INSTALL_SIGN_PKCS12")
elif [ -n "${INSTALL_SIGN_PKCS11_MODULE:-}" ]; then
  : "${INSTALL_SIGN_PKCS11_KEY:?names the key on the token (a pkcs11: URI)}"
  : "${INSTALL_SIGN_CERT:?names the certificate chain of the key on the token}"
  key=(-pkcs11module "$INSTALL_SIGN_PKCS11_MODULE" -key "$INSTALL_SIGN_PKCS11_KEY"
       -certs "$INSTALL_SIGN_CERT")
fi
if [ "${1:-}" = --configured ]; then
  [ ${#key[@]} -gt 0 ]
  exit
fi
if [ ${#key[@]} -eq 0 ]; then
  echo "sign.sh: no key given (INSTALL_SIGN_PKCS12 or INSTALL_SIGN_PKCS11_MODULE)" >&2
  exit 2
fi
: "${INSTALL_SIGN_URL:?names the web page of the publisher, shown with the signature}"
: "${INSTALL_SIGN_PASSWORD_FILE:?names the file holding the password or PIN}"
[ -r "$INSTALL_SIGN_PASSWORD_FILE" ] || {
  echo "sign.sh: cannot read INSTALL_SIGN_PASSWORD_FILE" >&2
  exit 2
}
command -v osslsigncode >/dev/null || {
  echo "sign.sh: osslsigncode is missing (scripts/install-deps.sh all)" >&2
  exit 2
}
options=(-h sha256 -n "$name" -i "$INSTALL_SIGN_URL" -readpass "$INSTALL_SIGN_PASSWORD_FILE")
[ -z "${INSTALL_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$INSTALL_SIGN_TIMESTAMP_URL")

log=$(mktemp)
trap 'rm -f "$log"' EXIT
for file in "$@"; do
  # Beside the file, so that the finished one takes its place in one rename.
  signed=$file.signing.$$
  rm -f "$signed"
  if ! osslsigncode sign "${key[@]}" "${options[@]}" -in "$file" -out "$signed" >"$log" 2>&1; then
    echo "sign.sh: could not sign $file:" >&2
    cat "$log" >&2
    rm -f "$signed"
    exit 1
  fi
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  echo "signed: $file"
done
