// What the `regexp` class needs from the regular-expression engine beyond the public C API.
#pragma once

#include "squirrel/stdlib/sqstdstring.h"

namespace sqstd {

// The reason the last match or search stopped early (it took more steps or nested deeper than
// the engine allows), or null when it ran to its answer.
const SQChar* RexMatchError(SQRex* exp);

} // namespace sqstd
