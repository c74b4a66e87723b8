#pragma once
// The MD5 digest of a file's content.

#include "core/MD5.h"

namespace NTev::NSys::NFile
{
// Reads the file through a CFile (opened for reading, others may read and write) in pieces
// of 32768 bytes. Throws CExceptionFile when the file cannot be read.
CMD5Digest gf_GetFileMD5(const char* path);
} // namespace NTev::NSys::NFile
