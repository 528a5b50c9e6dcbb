// Checks a detached RSA signature (PKCS#1 v1.5 over SHA-256, as
// `openssl dgst -sha256 -sign` makes it) with CryptoAPI.
#pragma once

#include <string>

enum class SignatureCheck
{
    Valid,
    BadKey,      // the public key does not import, or has fewer than 2048 bits
    Malformed,   // the signature is not as long as the key's modulus
    Wrong,       // another key, other data, or a changed byte
    NotChecked,  // the platform cannot hash or verify
};

constexpr unsigned kMinSigningKeyBits = 2048;

// The bytes in the opposite order: openssl writes a signature big-endian,
// CryptoAPI reads it little-endian.
std::string ReversedBytes(const std::string& bytes);

// Checks signature over data with the PEM public key ("BEGIN PUBLIC KEY",
// an X.509 SubjectPublicKeyInfo).
SignatureCheck VerifySignature(const std::string& publicKeyPem, const std::string& data,
                               const std::string& signature);
