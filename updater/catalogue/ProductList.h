// The debug-mode list of every package installed on this model, kept beside
// the updater only in encrypted form ("<model>.fbk").
#pragma once

#include <windows.h>

#include <string>

// The system's file-encryption macros of the same names are not used here.
#undef EncryptFile
#undef DecryptFile

// Pass phrase and key container name of the lists.
constexpr char kProductListPassPhrase[] = "Harbor Mint Path";

// RC4 (128-bit key derived from the MD5 digest of passPhrase) over the whole
// source in 1000-byte chunks, written to target (created or emptied).
// Returns 1 when all of the source was transformed and written, else 0.
int EncryptFile(const char* containerName, const char* passPhrase, const char* sourcePath,
                const char* targetPath);
int DecryptFile(const char* containerName, const char* passPhrase, const char* sourcePath,
                const char* targetPath);

// Paths of the encrypted and the plain list for a model in folder: the model
// name with every "/" replaced by "_".
std::wstring GetProductListPath(const wchar_t* folder, const wchar_t* modelName,
                                const wchar_t* extension);

// Appends zipPath to the model's list in folder (the updater's own folder).
// Called only in debug mode. Returns false when the plain list could not be
// opened for writing.
bool RecordInstalledPackage(const wchar_t* folder, const wchar_t* modelName,
                            const wchar_t* zipPath);
