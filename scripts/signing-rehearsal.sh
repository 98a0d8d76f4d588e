#!/usr/bin/env bash
# signing-rehearsal.sh DIR: makes, in DIR, a throwaway signing setup to try a
# signed release without a real key (the test command uses it too):
#   ca.crt           a certificate authority of its own, to verify against
#   pkcs12.env       INSTALL_SIGN_* for a key file: signer.p12 and its password
#   token.env        INSTALL_SIGN_* for the same key on a SoftHSM token
#                    (SOFTHSM2_CONF names the token's own folder in DIR)
#   timestamp/       the key and settings of a time-stamp authority for
#                    scripts/timestamp-authority.py
# Source one .env file, then run scripts/release.sh. The password, the PIN
# and the token's security officer PIN are random, kept in files readable by
# the owner only, and never printed.
set -euo pipefail
dir=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$dir"
umask 077
days=2
module=/usr/lib/softhsm/libsofthsm2.so

# issue NAME SUBJECT EXTENSIONS: a key and a certificate signed by the CA.
issue() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "$2" -out "$1.csr" 2>/dev/null
  printf '%b' "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" \
    -days $days -sha256 -extfile "$1.ext" -out "$1.crt" 2>/dev/null
}
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days $days -sha256 \
  -subj "/CN=Install rehearsal CA" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
issue signer "/O=Install rehearsal/CN=Install rehearsal signer" \
  'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n'
cat signer.crt ca.crt >chain.pem
openssl rand -hex 16 >password
openssl pkcs12 -export -inkey signer.key -in signer.crt -certfile ca.crt -out signer.p12 \
  -passout file:password
cat >pkcs12.env <<EOF
export INSTALL_SIGN_PKCS12='$dir/signer.p12' INSTALL_SIGN_PASSWORD_FILE='$dir/password'
export INSTALL_SIGN_URL=https://example.com/install
EOF

# The token: softhsm2-util asks for PINs on a terminal only, so it is given
# one whose typed lines come from a file.
openssl rand -hex 8 >pin
openssl rand -hex 8 >so-pin
mkdir -p token
printf 'directories.tokendir = %s/token\nobjectstore.backend = file\nlog.level = ERROR\n' \
  "$dir" >softhsm2.conf
export SOFTHSM2_CONF=$dir/softhsm2.conf
on_terminal() {  # on_terminal ANSWERS COMMAND...
  python3 -c 'import pty, sys; sys.exit(pty.spawn(sys.argv[1:]) >> 8)' "${@:2}" <"$1" >/dev/null
}
cat so-pin so-pin pin pin >answers
on_terminal answers softhsm2-util --init-token --free --label rehearsal
openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.p8
cat pin pin >answers
on_terminal answers softhsm2-util --import signer.p8 --token rehearsal --label signer --id 01
rm answers signer.p8
cat >token.env <<EOF
export SOFTHSM2_CONF='$dir/softhsm2.conf' INSTALL_SIGN_PKCS11_MODULE=$module
export INSTALL_SIGN_PKCS11_KEY='pkcs11:token=rehearsal;object=signer;type=private'
export INSTALL_SIGN_CERT='$dir/chain.pem' INSTALL_SIGN_PASSWORD_FILE='$dir/pin'
export INSTALL_SIGN_URL=https://example.com/install
EOF

mkdir -p timestamp
issue timestamp/tsa "/O=Install rehearsal/CN=Install rehearsal time stamps" \
  'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n'
cat >timestamp/tsa.cnf <<EOF
[ tsa ]
default_tsa = rehearsal
[ rehearsal ]
serial = $dir/timestamp/serial
signer_cert = $dir/timestamp/tsa.crt
certs = $dir/ca.crt
signer_key = $dir/timestamp/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
rm -f ./*.csr ./*.ext timestamp/*.csr timestamp/*.ext
