// The lexer: turns the characters of a source into tokens. Characters come one at a time from
// a read function, so the source may be a buffer or a stream; the lexer looks one character
// ahead (_currdata) and never back.
//
// Tokens: a one-character token is its character code; the longer ones are the TK_ values,
// above 255, listed once with their text in SQ_TOKENS (the text feeds error messages and the
// keyword table). Some tokens carry a value: identifiers and strings in _svalue/_svaluelen
// (valid until the next token), integers and character constants in _nvalue, floats in
// _fvalue. A read function returns 0 at the end of the source (SQUIRREL_EOB, also the last
// token) and may return no value above 0xFF: sources are bytes.
//
// Statements may end at a line end instead of a ';': line feeds are no tokens, but Lex records
// one as the previous token (_prevtoken == '\n'), which is how the compiler sees that the token
// it is looking at starts a new line. _currentline counts every line feed, also those inside
// block comments and verbatim strings, so line records and error positions match the source.
//
// Errors go to the error function given to Init, which never returns (the compiler turns them
// into its compile error): the lexer leaves no half-made token behind.
#pragma once

#include "squirrel/sqstate.h"

#include "squirrel/sqmem.h"

#include <string_view>

#define SQ_TOKENS(X)                                                                                \
    X(TK_IDENTIFIER, "IDENTIFIER") X(TK_STRING_LITERAL, "STRING_LITERAL") X(TK_INTEGER, "INTEGER")     \
    X(TK_FLOAT, "FLOAT") X(TK_BASE, "base") X(TK_DELETE, "delete") X(TK_EQ, "==") X(TK_NE, "!=")       \
    X(TK_LE, "<=") X(TK_GE, ">=") X(TK_SWITCH, "switch") X(TK_AND, "&&") X(TK_OR, "||")              \
    X(TK_IF, "if") X(TK_ELSE, "else") X(TK_WHILE, "while") X(TK_BREAK, "break") X(TK_FOR, "for")      \
    X(TK_DO, "do") X(TK_NULL, "null") X(TK_FOREACH, "foreach") X(TK_IN, "in") X(TK_NEWSLOT, "<-")     \
    X(TK_MODULO, "%") X(TK_LOCAL, "local") X(TK_CLONE, "clone") X(TK_FUNCTION, "function")            \
    X(TK_RETURN, "return") X(TK_TYPEOF, "typeof") X(TK_UMINUS, "-") X(TK_PLUSEQ, "+=")                 \
    X(TK_MINUSEQ, "-=") X(TK_CONTINUE, "continue") X(TK_YIELD, "yield") X(TK_TRY, "try")              \
    X(TK_CATCH, "catch") X(TK_THROW, "throw") X(TK_SHIFTL, "<<") X(TK_SHIFTR, ">>")                   \
    X(TK_RESUME, "resume") X(TK_DOUBLE_COLON, "::") X(TK_CASE, "case") X(TK_DEFAULT, "default")       \
    X(TK_THIS, "this") X(TK_PLUSPLUS, "++") X(TK_MINUSMINUS, "--") X(TK_3WAYSCMP, "<=>")              \
    X(TK_USHIFTR, ">>>") X(TK_CLASS, "class") X(TK_EXTENDS, "extends") X(TK_CONSTRUCTOR, "constructor") \
    X(TK_INSTANCEOF, "instanceof") X(TK_VARPARAMS, "...") X(TK___LINE__, "__LINE__")                  \
    X(TK___FILE__, "__FILE__") X(TK_TRUE, "true") X(TK_FALSE, "false") X(TK_MULEQ, "*=")              \
    X(TK_DIVEQ, "/=") X(TK_MODEQ, "%=") X(TK_ATTR_OPEN, "</") X(TK_ATTR_CLOSE, "/>")                  \
    X(TK_STATIC, "static") X(TK_ENUM, "enum") X(TK_CONST, "const")

enum SQToken {
    TK_FIRST = 258,
#define SQ_TOKEN_ENUM(tok, text) tok,
    SQ_TOKENS(SQ_TOKEN_ENUM)
#undef SQ_TOKEN_ENUM
        TK_LAST
};

struct SQLexer {
    // errorfunc never returns (it unwinds the compiler).
    typedef void (*ErrorFunc)(void *ud, const SQChar *msg);
    void Init(SQSharedState *ss, SQLEXREADFUNC rg, SQUserPointer up, ErrorFunc efunc, void *ed);
    SQInteger Lex();
    const SQChar *Tok2Str(SQInteger tok);

    SQInteger _prevtoken = -1;      // the token before the current one, or '\n' after a line end
    SQInteger _currentline = 1;     // line of the look-ahead character, from 1
    SQInteger _lasttokenline = 1;   // line where the scan for the current token began
    SQInteger _currentcolumn = 0;   // column of the look-ahead character, from 1
    const SQChar *_svalue = nullptr;
    SQInteger _svaluelen = 0;
    SQInteger _nvalue = 0;
    SQFloat _fvalue = 0;

private:
    void Error(const SQChar *err);
    // Reads the look-ahead character; the end of the source becomes SQUIRREL_EOB for good.
    void Next() {
        SQInteger t = _readf(_up);
        if (t > 0xFF) Error("Invalid character");
        if (t != 0) {
            _currdata = (SQInteger)t;
        } else {
            _currdata = SQUIRREL_EOB;
            _reached_eof = true;
        }
        _currentcolumn++;
    }
    SQInteger ReturnToken(SQInteger t) {
        _prevtoken = _curtoken;
        _curtoken = t;
        return t;
    }
    // The keyword token of s, or TK_IDENTIFIER.
    SQInteger GetIDType(std::string_view s);
    // A string up to the delimiter ndelim with the escapes \t \a \b \n \r \v \f \0 \\ \" \' and
    // \x with up to 4 hex digits (one byte kept); verbatim (@"...") keeps backslashes and line
    // feeds and reads "" as one quote. Between single quotes: one character, an integer token.
    SQInteger ReadString(SQInteger ndelim, bool verbatim);
    // Decimal, octal (0 then an octal digit), hexadecimal (0x) integers, wrapping to 32 bits,
    // and floats with a point or an exponent, read by strtod and rounded to the 32-bit SQFloat.
    SQInteger ReadNumber();
    // Skips a /* */ comment, counting its lines; an unclosed one is an error.
    void LexBlockComment();
    // Skips to the line feed (left for Lex, which counts it): // and # comments.
    void LexLineComment();
    // An identifier or keyword: a letter or '_', then letters, digits and '_'.
    SQInteger ReadID();

    SQInteger _curtoken = -1;
    SQInteger _currdata = 0;  // the look-ahead character, or SQUIRREL_EOB
    bool _reached_eof = false;
    SQSharedState *_sharedstate = nullptr;
    SQLEXREADFUNC _readf = nullptr;
    SQUserPointer _up = nullptr;
    ErrorFunc _errfunc = nullptr;
    void *_errtarget = nullptr;
    sqstring _longstr;  // text of the token being read; _svalue points into it
};
