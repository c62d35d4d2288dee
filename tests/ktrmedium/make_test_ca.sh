#!/bin/sh
# Makes a throwaway certificate authority and a code-signing certificate
# issued by it, for the signing tests: FOLDER/ca.pem, FOLDER/signer.p12 with
# the password in FOLDER/password, a wrong one in FOLDER/wrong-password, and
# an unrelated authority FOLDER/other-ca.pem. Nothing of it is ever trusted
# outside the tests.
set -eu
folder=$1
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"

authority() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 30 \
    -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}
authority ca "KTR Test CA"
authority other-ca "Unrelated Test CA"

openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/CN=KTR Test Signer" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -set_serial 2 -days 30 \
  -extfile signer.ext -out signer.pem 2>/dev/null

# A password file as an editor leaves it, with its line end.
printf 'test password\n' >password
printf 'not the password\n' >wrong-password
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem \
  -passout file:password -out signer.p12
# A signer of the unrelated authority, whose lists no launcher of ours takes.
openssl req -newkey rsa:2048 -nodes -keyout other-signer.key -out other-signer.csr \
  -subj "/CN=Other Test Signer" 2>/dev/null
openssl x509 -req -in other-signer.csr -CA other-ca.pem -CAkey other-ca.key -set_serial 3 \
  -days 30 -extfile signer.ext -out other-signer.pem 2>/dev/null
openssl pkcs12 -export -inkey other-signer.key -in other-signer.pem -passout file:password \
  -out other-signer.p12
echo "test certificates in $folder"
