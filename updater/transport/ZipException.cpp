#include "ZipException.h"

#include <zlib.h>

int CZipException::CauseFromCode(int code)
{
    switch (code)
    {
    case Z_STREAM_END: return kZipStreamEnd;
    case Z_NEED_DICT: return kZipNeedDict;
    case Z_ERRNO: return kZipErrno;
    case Z_STREAM_ERROR: return kZipStreamError;
    case Z_DATA_ERROR: return kZipDataError;
    case Z_MEM_ERROR: return kZipMemError;
    case Z_BUF_ERROR: return kZipBufError;
    case Z_VERSION_ERROR: return kZipVersionError;
    case kZipCodeBadParam: return kZipBadParam;
    case kZipCodeBadArchive: return kZipBadArchive;
    case kZipCodeBadCrc: return kZipBadCrc;
    default: return kZipGeneric;
    }
}
