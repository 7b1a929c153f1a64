/*
 * The string library: format, strip, lstrip, rstrip, split, escape, startswith, endswith and the
 * `regexp` class, with the regular-expression engine it uses also open to C hosts.
 */
#ifndef SQSTDSTRING_H
#define SQSTDSTRING_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int SQRexBool;
typedef struct SQRex SQRex;

typedef struct {
    const SQChar* begin;
    SQInteger len;
} SQRexMatch;

/* Returns NULL and points *error at a static message when the pattern is invalid. */
SQUIRREL_API SQRex* sqstd_rex_compile(const SQChar* pattern, const SQChar** error);
SQUIRREL_API void sqstd_rex_free(SQRex* exp);
/* True when the whole text matches. */
SQUIRREL_API SQBool sqstd_rex_match(SQRex* exp, const SQChar* text);
/* Finds the first match in text; the out pointers may be NULL. */
SQUIRREL_API SQBool sqstd_rex_search(SQRex* exp, const SQChar* text, const SQChar** out_begin,
                                     const SQChar** out_end);
SQUIRREL_API SQBool sqstd_rex_searchrange(SQRex* exp, const SQChar* text_begin, const SQChar* text_end,
                                          const SQChar** out_begin, const SQChar** out_end);
/* Subexpression 0 is the whole match, then one per capturing group. */
SQUIRREL_API SQInteger sqstd_rex_getsubexpcount(SQRex* exp);
SQUIRREL_API SQBool sqstd_rex_getsubexp(SQRex* exp, SQInteger n, SQRexMatch* subexp);

/* Formats with the string at nformatstringidx and the values after it; the output lives in the
   VM's scratch pad until the next call that uses it. */
SQUIRREL_API SQRESULT sqstd_format(HSQUIRRELVM v, SQInteger nformatstringidx, SQInteger* outlen,
                                   SQChar** output);

SQUIRREL_API SQRESULT sqstd_register_stringlib(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDSTRING_H*/
