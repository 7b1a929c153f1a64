// The methods every stream class shares (readblob, readn, writeblob, writen, seek, tell, len,
// eos, flush), kept in the base class `std_stream` of the registry, which the root table also
// names `stream`. Blob and file classes derive from it and keep an SQStream as user pointer.
#pragma once

#include "squirrel/stdlib/sqstdio.h"

namespace sqstd {

// Declares the class `name` deriving from the stream base class: its methods go into the class,
// the class is kept in the registry as `registryName` and added to the table on top of the
// stack as `name`, together with the library's `globals`. The stack top is left unchanged.
SQRESULT DeclareStream(HSQUIRRELVM v, const SQChar* name, SQUserPointer typetag, const SQChar* registryName,
                       const SQRegFunction* methods, const SQRegFunction* globals);

} // namespace sqstd
