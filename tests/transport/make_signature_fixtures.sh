#!/bin/sh
# Signature fixtures made by openssl, never by the verifier under test:
#   make_signature_fixtures.sh KEYS_FOLDER SIGNED_FILE OUT_FOLDER
set -eu
keys=$1 signed=$2 out=$3
mkdir -p "$out"
cp "$signed" "$out/signed.idx"
cp "$keys/test-signing-key.pub.pem" "$out/"
sign() { openssl dgst -sha256 -sign "$1" -out "$out/$2" "$3"; }
sign "$keys/test-signing-key.pem" signed.idx.sig "$signed"
sign "$keys/test-other-key.pem" other-key.sig "$signed"
sign "$keys/test-signing-key.pem" other-file.sig "$keys/test-signing-key.pub.pem"
# A key too short to be trusted, with a signature that would verify.
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out "$out/short-key.pem" 2>/dev/null
openssl pkey -in "$out/short-key.pem" -pubout -out "$out/short-key.pub.pem"
sign "$out/short-key.pem" short-key.sig "$signed"
