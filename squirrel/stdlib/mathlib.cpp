#include "squirrel/stdlib/sqstdmath.h"

#include <cmath>
#include <cstdlib>

#include "squirrel/stdlib/registration.h"

namespace {

// Each function works on 32-bit floats, as the language's float is.
template <float (*function)(float)> SQInteger OneArgument(HSQUIRRELVM v) {
    SQFloat x = 0;
    sq_getfloat(v, 2, &x);
    sq_pushfloat(v, function(x));
    return 1;
}

template <float (*function)(float, float)> SQInteger TwoArguments(HSQUIRRELVM v) {
    SQFloat x = 0, y = 0;
    sq_getfloat(v, 2, &x);
    sq_getfloat(v, 3, &y);
    sq_pushfloat(v, function(x, y));
    return 1;
}

SQInteger MathSrand(HSQUIRRELVM v) {
    SQInteger seed = 0;
    if (SQ_FAILED(sq_getinteger(v, 2, &seed))) return sq_throwerror(v, "invalid param");
    srand((unsigned int)seed);
    return 0;
}

SQInteger MathRand(HSQUIRRELVM v) {
    sq_pushinteger(v, rand());
    return 1;
}

// abs of the smallest integer wraps to itself, as 32-bit arithmetic does.
SQInteger MathAbs(HSQUIRRELVM v) {
    SQInteger n = 0;
    sq_getinteger(v, 2, &n);
    unsigned int magnitude = n < 0 ? 0u - (unsigned int)n : (unsigned int)n;
    sq_pushinteger(v, (SQInteger)magnitude);
    return 1;
}

const SQRegFunction kMathFunctions[] = {
    {"sqrt", OneArgument<sqrtf>, 2, ".n"},   {"sin", OneArgument<sinf>, 2, ".n"},
    {"cos", OneArgument<cosf>, 2, ".n"},     {"asin", OneArgument<asinf>, 2, ".n"},
    {"acos", OneArgument<acosf>, 2, ".n"},   {"log", OneArgument<logf>, 2, ".n"},
    {"log10", OneArgument<log10f>, 2, ".n"}, {"tan", OneArgument<tanf>, 2, ".n"},
    {"atan", OneArgument<atanf>, 2, ".n"},   {"atan2", TwoArguments<atan2f>, 3, ".nn"},
    {"pow", TwoArguments<powf>, 3, ".nn"},   {"floor", OneArgument<floorf>, 2, ".n"},
    {"ceil", OneArgument<ceilf>, 2, ".n"},   {"exp", OneArgument<expf>, 2, ".n"},
    {"srand", MathSrand, 2, ".n"},           {"rand", MathRand, 1, nullptr},
    {"fabs", OneArgument<fabsf>, 2, ".n"},   {"abs", MathAbs, 2, ".n"},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

extern "C" SQRESULT sqstd_register_mathlib(HSQUIRRELVM v) {
    sqstd::RegisterFunctions(v, kMathFunctions);
    sqstd::SetIntegerSlot(v, "RAND_MAX", RAND_MAX);
    sqstd::SetFloatSlot(v, "PI", (SQFloat)3.14159265358979323846);
    return SQ_OK;
}
