// The index's signature. A build made with the maker's public key takes an
// index only when "<index file name>.sig" beside it on the server verifies
// over the index's exact bytes; a build without a key takes any index.
#pragma once

#include <windows.h>

#include <string>

#include "DownloadOwner.h"
#include "ServerLocation.h"
#include "SignatureCheck.h"

// Step 0's status for an index whose signature is missing, malformed or
// wrong: nothing of it is listed.
constexpr LONG INDEX_E_SIGNATURE = static_cast<LONG>(0x80020001);

// The PEM public key compiled into the program; empty without one.
const std::string& GetSigningKey();

// The status step 0 goes on with, from the signature's download status and
// its check: DL_COMPLETE to parse the index, DL_E_REQUEST when the server
// went away, DL_E_CANCELLED when the run was cancelled, otherwise
// INDEX_E_SIGNATURE. Without a key the index is always parsed.
LONG JudgeIndexSignature(bool bKeyBuiltIn, LONG lSignatureStatus, SignatureCheck check);

// Downloads and checks the signature of the index just downloaded to
// index.strLocalPath; returns the status step 0 goes on with, as above.
LONG CheckIndexSignature(IDownloadOwner& owner, const DownloadLocation& index);
