#!/usr/bin/env bash
# Makes the certificates the TLS tests use, in DIR (made if missing):
#   ca.pem ca.der       the test CA, which the tests trust (trust_root.exe ca.pem)
#   good.pem            localhost and 127.0.0.1, signed by the test CA
#   wrongname.pem       other.invalid, signed by the test CA
#   untrusted.pem       localhost and 127.0.0.1, signed by a second CA nobody trusts
#   expired.pem         localhost and 127.0.0.1, signed by the test CA, valid only in 2020
#   server.key          the key of all four server certificates
# Usage: make_certs.sh DIR
set -euo pipefail
dir=${1:?usage: make_certs.sh DIR}
mkdir -p "$dir"
cd "$dir"

cat >ext.cnf <<'CNF'
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[local]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
authorityKeyIdentifier = keyid
[other]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:other.invalid
authorityKeyIdentifier = keyid
CNF

# `openssl ca` is the one tool of Debian 12's openssl that takes explicit validity dates.
cat >ca.cnf <<'CNF'
[ca]
default_ca = test
[test]
database = ./index.txt
new_certs_dir = .
serial = ./serial
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
CNF
: >index.txt
echo 1000 >serial

key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1" 2>/dev/null; }
key ca.key & key other-ca.key & key server.key & wait

openssl req -x509 -new -key ca.key -subj "/CN=Quillet Test CA" -days 3650 -sha256 \
  -extensions ca -config ext.cnf -out ca.pem 2>/dev/null
openssl x509 -in ca.pem -outform DER -out ca.der
openssl req -x509 -new -key other-ca.key -subj "/CN=Quillet Untrusted CA" -days 3650 -sha256 \
  -extensions ca -config ext.cnf -out other-ca.pem 2>/dev/null

sign() {  # sign OUT CN CA_CERT CA_KEY EXTENSION [DATE OPTIONS...]
  local out=$1 cn=$2 cacert=$3 cakey=$4 ext=$5
  shift 5
  openssl req -new -key server.key -subj "/CN=$cn" -out "$out.csr" 2>/dev/null
  openssl ca -batch -notext -config ca.cnf -cert "$cacert" -keyfile "$cakey" -extfile ext.cnf -extensions "$ext" \
    -in "$out.csr" -out "$out" "$@" 2>/dev/null
  rm -f "$out.csr"
}
sign good.pem localhost ca.pem ca.key local -days 3650
sign wrongname.pem other.invalid ca.pem ca.key other -days 3650
sign untrusted.pem localhost other-ca.pem other-ca.key local -days 3650
sign expired.pem localhost ca.pem ca.key local -startdate 20200101000000Z -enddate 20200201000000Z
rm -f ./*.pem.old index.txt* serial* 1*.pem
