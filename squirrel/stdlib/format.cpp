// sqstd_format: printf-style formatting of script values. Each conversion takes the next value:
// %s a string; %d %i %c %o %u %x %X an integer (a float is truncated); %f %e %E %g %G a float
// (an integer is converted). Flags "-+ #0", a width and a precision of at most two digits each.
#include "squirrel/stdlib/sqstdstring.h"
#include "squirrel/stdlib/registration.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kMaxConversionLength = 20; // flags, width and precision of one conversion
const int kMaxNumberDigits = 2;

bool IsFlag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

// Appends the output of snprintf(conversion, value), embedded NULs (from %c) included.
template <typename T> void AppendFormatted(std::string* out, const char* conversion, T value) {
    char small[128];
    int length = snprintf(small, sizeof(small), conversion, value);
    if (length < 0) return;
    if ((size_t)length < sizeof(small)) {
        out->append(small, (size_t)length);
        return;
    }
    std::string large((size_t)length + 1, '\0');
    snprintf(&large[0], large.size(), conversion, value);
    out->append(large.data(), (size_t)length);
}

} // namespace

extern "C" SQRESULT sqstd_format(HSQUIRRELVM v, SQInteger nformatstringidx, SQInteger* outlen,
                                 SQChar** output) try {
    const SQChar* format = nullptr;
    if (SQ_FAILED(sq_getstring(v, nformatstringidx, &format))) return sq_throwerror(v, "string expected");
    SQInteger formatLength = sq_getsize(v, nformatstringidx);
    std::string out;
    SQInteger nextParam = nformatstringidx + 1;
    SQInteger n = 0;
    while (n < formatLength) {
        if (format[n] != '%') {
            out += format[n++];
            continue;
        }
        if (format[n + 1] == '%') {
            out += '%';
            n += 2;
            continue;
        }
        ++n;
        if (nextParam > sq_gettop(v))
            return sq_throwerror(v, "not enough paramters for the given format string");
        SQInteger conversionStart = n;
        while (IsFlag(format[n]))
            ++n;
        int digits = 0;
        while (isdigit((unsigned char)format[n])) {
            ++n;
            if (++digits > kMaxNumberDigits) return sq_throwerror(v, "width format too long");
        }
        if (format[n] == '.') {
            ++n;
            digits = 0;
            while (isdigit((unsigned char)format[n])) {
                ++n;
                if (++digits > kMaxNumberDigits) return sq_throwerror(v, "precision format too long");
            }
        }
        if (n - conversionStart > kMaxConversionLength) return sq_throwerror(v, "format too long");
        std::string conversion = "%";
        conversion.append(format + conversionStart, (size_t)(n - conversionStart + 1));
        switch (format[n]) {
        case 's': {
            const SQChar* text = nullptr;
            if (SQ_FAILED(sq_getstring(v, nextParam, &text)))
                return sq_throwerror(v, "string expected for the specified format");
            AppendFormatted(&out, conversion.c_str(), text);
            break;
        }
        case 'i':
        case 'd':
        case 'c':
        case 'o':
        case 'u':
        case 'x':
        case 'X': {
            SQInteger integer = 0;
            if (SQ_FAILED(sq_getinteger(v, nextParam, &integer)))
                return sq_throwerror(v, "integer expected for the specified format");
            AppendFormatted(&out, conversion.c_str(), integer);
            break;
        }
        case 'f':
        case 'g':
        case 'G':
        case 'e':
        case 'E': {
            SQFloat real = 0;
            if (SQ_FAILED(sq_getfloat(v, nextParam, &real)))
                return sq_throwerror(v, "float expected for the specified format");
            AppendFormatted(&out, conversion.c_str(), (double)real);
            break;
        }
        default:
            return sq_throwerror(v, "invalid format");
        }
        ++n;
        ++nextParam;
    }
    SQChar* dest = sq_getscratchpad(v, (SQInteger)out.size() + 1);
    if (dest == nullptr) return SQ_ERROR;  // out of memory, the error is set
    memcpy(dest, out.data(), out.size());
    dest[out.size()] = '\0';
    *outlen = (SQInteger)out.size();
    *output = dest;
    return SQ_OK;
} SQSTD_CATCH(v, SQ_ERROR)
