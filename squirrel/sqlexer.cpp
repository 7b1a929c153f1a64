// The lexer (see sqlexer.h): one switch on the look-ahead character per token. Operators are
// read greedily, the longest token first ("<=>" before "<=" before "<"); blanks, line feeds and
// comments are skipped inside Lex, so every call returns one token.
#include "squirrel/sqlexer.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

namespace {
// Keyword text to token, built once from the token table so the two cannot disagree.
struct KeywordTable {
    std::unordered_map<std::string_view, SQInteger> words;
    KeywordTable() {
        static const SQInteger keywordTokens[] = {
            TK_WHILE, TK_DO, TK_IF, TK_ELSE, TK_BREAK, TK_CONTINUE, TK_RETURN, TK_NULL, TK_FUNCTION, TK_LOCAL,
            TK_FOR, TK_FOREACH, TK_IN, TK_TYPEOF, TK_BASE, TK_DELETE, TK_TRY, TK_CATCH, TK_THROW, TK_CLONE,
            TK_YIELD, TK_RESUME, TK_SWITCH, TK_CASE, TK_DEFAULT, TK_THIS, TK_CLASS, TK_EXTENDS,
            TK_CONSTRUCTOR, TK_INSTANCEOF, TK_TRUE, TK_FALSE, TK_STATIC, TK_ENUM, TK_CONST, TK___LINE__,
            TK___FILE__};
        SQLexer lx;
        for (SQInteger tok : keywordTokens) words[lx.Tok2Str(tok)] = tok;
    }
};
const KeywordTable &Keywords() {
    static const KeywordTable table;
    return table;
}
}  // namespace

void SQLexer::Init(SQSharedState *ss, SQLEXREADFUNC rg, SQUserPointer up, ErrorFunc efunc, void *ed) {
    _errfunc = efunc;
    _errtarget = ed;
    _sharedstate = ss;
    _readf = rg;
    _up = up;
    _lasttokenline = _currentline = 1;
    _currentcolumn = 0;
    _prevtoken = -1;
    _reached_eof = false;
    Next();
}

// Does not return: the error function unwinds the compiler.
void SQLexer::Error(const SQChar *err) { _errfunc(_errtarget, err); }

// The text of a multi-character token, for error messages; null for the others.
const SQChar *SQLexer::Tok2Str(SQInteger tok) {
    switch (tok) {
#define SQ_TOKEN_TEXT(t, text) \
    case t: return text;
        SQ_TOKENS(SQ_TOKEN_TEXT)
#undef SQ_TOKEN_TEXT
    default: return nullptr;
    }
}

void SQLexer::LexBlockComment() {
    bool done = false;
    while (!done) {
        switch (_currdata) {
        case '*':
            Next();
            if (_currdata == '/') {
                done = true;
                Next();
            }
            continue;
        case '\n':
            _currentline++;
            Next();
            continue;
        case SQUIRREL_EOB: Error("missing \"*/\" in comment"); break;
        default: Next();
        }
    }
}

void SQLexer::LexLineComment() {
    do {
        Next();
    } while (_currdata != '\n' && _currdata != SQUIRREL_EOB);
}

SQInteger SQLexer::Lex() {
    // A line feed is no token, but it becomes _prevtoken so the compiler sees the line end.
    _lasttokenline = _currentline;
    while (_currdata != SQUIRREL_EOB) {
        switch (_currdata) {
        case '\t':
        case '\r':
        case ' ': Next(); continue;
        case '\n':
            _currentline++;
            _prevtoken = _curtoken;
            _curtoken = '\n';
            Next();
            _currentcolumn = 1;
            continue;
        case '#': LexLineComment(); continue;
        case '/':
            Next();
            switch (_currdata) {
            case '*':
                Next();
                LexBlockComment();
                continue;
            case '/': LexLineComment(); continue;
            case '=': Next(); return ReturnToken(TK_DIVEQ);
            case '>': Next(); return ReturnToken(TK_ATTR_CLOSE);
            default: return ReturnToken('/');
            }
        case '=':
            Next();
            if (_currdata != '=') return ReturnToken('=');
            Next();
            return ReturnToken(TK_EQ);
        case '<':
            Next();
            switch (_currdata) {
            case '=':
                Next();
                if (_currdata == '>') {
                    Next();
                    return ReturnToken(TK_3WAYSCMP);
                }
                return ReturnToken(TK_LE);
            case '-': Next(); return ReturnToken(TK_NEWSLOT);
            case '<': Next(); return ReturnToken(TK_SHIFTL);
            case '/': Next(); return ReturnToken(TK_ATTR_OPEN);
            }
            return ReturnToken('<');
        case '>':
            Next();
            if (_currdata == '=') {
                Next();
                return ReturnToken(TK_GE);
            } else if (_currdata == '>') {
                Next();
                if (_currdata == '>') {
                    Next();
                    return ReturnToken(TK_USHIFTR);
                }
                return ReturnToken(TK_SHIFTR);
            }
            return ReturnToken('>');
        case '!':
            Next();
            if (_currdata != '=') return ReturnToken('!');
            Next();
            return ReturnToken(TK_NE);
        case '@': {
            Next();
            if (_currdata != '"') return ReturnToken('@');  // a lambda: @(params) expression
            SQInteger stype = ReadString('"', true);
            return ReturnToken(stype);
        }
        case '"':
        case '\'': {
            SQInteger stype = ReadString(_currdata, false);
            return ReturnToken(stype);
        }
        case '{':
        case '}':
        case '(':
        case ')':
        case '[':
        case ']':
        case ';':
        case ',':
        case '?':
        case '^':
        case '~': {
            SQInteger ret = _currdata;
            Next();
            return ReturnToken(ret);
        }
        case '.':
            Next();
            if (_currdata != '.') return ReturnToken('.');
            Next();
            if (_currdata != '.') Error("invalid token '..'");
            Next();
            return ReturnToken(TK_VARPARAMS);
        case '&':
            Next();
            if (_currdata != '&') return ReturnToken('&');
            Next();
            return ReturnToken(TK_AND);
        case '|':
            Next();
            if (_currdata != '|') return ReturnToken('|');
            Next();
            return ReturnToken(TK_OR);
        case ':':
            Next();
            if (_currdata != ':') return ReturnToken(':');
            Next();
            return ReturnToken(TK_DOUBLE_COLON);
        case '*':
            Next();
            if (_currdata == '=') {
                Next();
                return ReturnToken(TK_MULEQ);
            }
            return ReturnToken('*');
        case '%':
            Next();
            if (_currdata == '=') {
                Next();
                return ReturnToken(TK_MODEQ);
            }
            return ReturnToken('%');
        case '-':
            Next();
            if (_currdata == '=') {
                Next();
                return ReturnToken(TK_MINUSEQ);
            } else if (_currdata == '-') {
                Next();
                return ReturnToken(TK_MINUSMINUS);
            }
            return ReturnToken('-');
        case '+':
            Next();
            if (_currdata == '=') {
                Next();
                return ReturnToken(TK_PLUSEQ);
            } else if (_currdata == '+') {
                Next();
                return ReturnToken(TK_PLUSPLUS);
            }
            return ReturnToken('+');
        default: {
            if (isdigit((int)_currdata)) {
                SQInteger ret = ReadNumber();
                return ReturnToken(ret);
            } else if (isalpha((int)_currdata) || _currdata == '_') {
                SQInteger t = ReadID();
                return ReturnToken(t);
            } else {
                SQInteger c = _currdata;
                if (iscntrl((int)c)) Error("unexpected character(control)");
                Next();
                return ReturnToken(c);
            }
        }
        }
    }
    return ReturnToken(SQUIRREL_EOB);
}

SQInteger SQLexer::GetIDType(std::string_view s) {
    auto &words = Keywords().words;
    auto it = words.find(s);
    return it == words.end() ? TK_IDENTIFIER : it->second;
}

SQInteger SQLexer::ReadString(SQInteger ndelim, bool verbatim) {
    _longstr.clear();
    Next();
    for (;;) {
        while (_currdata != ndelim) {
            switch (_currdata) {
            case SQUIRREL_EOB: Error("unfinished string"); return -1;
            case '\n':
                if (!verbatim) Error("newline in a constant");
                _longstr.push_back((char)_currdata);
                Next();
                _currentline++;
                break;
            case '\\':
                if (verbatim) {
                    _longstr.push_back('\\');
                    Next();
                } else {
                    Next();
                    switch (_currdata) {
                    case 'x': {
                        Next();
                        if (!isxdigit((int)_currdata)) Error("hexadecimal number expected");
                        const SQInteger maxdigits = 4;
                        char temp[maxdigits + 1];
                        SQInteger n = 0;
                        while (isxdigit((int)_currdata) && n < maxdigits) {
                            temp[n] = (char)_currdata;
                            n++;
                            Next();
                        }
                        temp[n] = 0;
                        char *sTemp;
                        _longstr.push_back((char)strtoul(temp, &sTemp, 16));
                    } break;
                    case 't': _longstr.push_back('\t'); Next(); break;
                    case 'a': _longstr.push_back('\a'); Next(); break;
                    case 'b': _longstr.push_back('\b'); Next(); break;
                    case 'n': _longstr.push_back('\n'); Next(); break;
                    case 'r': _longstr.push_back('\r'); Next(); break;
                    case 'v': _longstr.push_back('\v'); Next(); break;
                    case 'f': _longstr.push_back('\f'); Next(); break;
                    case '0': _longstr.push_back('\0'); Next(); break;
                    case '\\': _longstr.push_back('\\'); Next(); break;
                    case '"': _longstr.push_back('"'); Next(); break;
                    case '\'': _longstr.push_back('\''); Next(); break;
                    default: Error("unrecognised escaper char"); break;
                    }
                }
                break;
            default:
                _longstr.push_back((char)_currdata);
                Next();
            }
        }
        Next();
        if (verbatim && _currdata == '"') {  // "" inside a verbatim string is one quote
            _longstr.push_back((char)_currdata);
            Next();
        } else {
            break;
        }
    }
    if (ndelim == '\'') {
        if (_longstr.empty()) Error("empty constant");
        if (_longstr.size() > 1) Error("constant too long");
        _nvalue = (SQInteger)_longstr[0];
        return TK_INTEGER;
    }
    _svalue = _longstr.c_str();
    _svaluelen = (SQInteger)_longstr.size();
    return TK_STRING_LITERAL;
}

SQInteger SQLexer::ReadNumber() {
    enum { TINT, TFLOAT, THEX, TSCIENTIFIC, TOCTAL };
    SQInteger type = TINT, firstchar = _currdata;
    _longstr.clear();
    Next();
    // A 0 followed by an octal digit starts an octal literal; 08 and 09 are decimal.
    auto isOctalDigit = [](SQInteger c) { return c >= '0' && c <= '7'; };
    if (firstchar == '0' && (toupper((int)_currdata) == 'X' || isOctalDigit(_currdata))) {
        if (isOctalDigit(_currdata)) {
            type = TOCTAL;
            while (isOctalDigit(_currdata)) {
                _longstr.push_back((char)_currdata);
                Next();
            }
            if (isdigit((int)_currdata)) Error("invalid octal number");
        } else {
            Next();
            type = THEX;
            while (isxdigit((int)_currdata)) {
                _longstr.push_back((char)_currdata);
                Next();
            }
            if (_longstr.size() > sizeof(SQInteger) * 2) Error("too many digits for an Hex number");
        }
    } else {
        _longstr.push_back((char)firstchar);
        while (_currdata == '.' || isdigit((int)_currdata) || toupper((int)_currdata) == 'E') {
            if (_currdata == '.' || toupper((int)_currdata) == 'E') type = TFLOAT;
            if (toupper((int)_currdata) == 'E') {
                type = TSCIENTIFIC;
                _longstr.push_back((char)_currdata);
                Next();
                if (_currdata == '+' || _currdata == '-') {
                    _longstr.push_back((char)_currdata);
                    Next();
                }
                if (!isdigit((int)_currdata)) Error("exponent expected");
            }
            _longstr.push_back((char)_currdata);
            Next();
        }
    }
    switch (type) {
    case TSCIENTIFIC:
    case TFLOAT: {
        char *end;
        _fvalue = (SQFloat)strtod(_longstr.c_str(), &end);
        return TK_FLOAT;
    }
    case TINT: {
        SQUnsignedInteger v = 0;
        for (char c : _longstr) v = v * 10 + (SQUnsignedInteger)(c - '0');
        _nvalue = (SQInteger)v;
        return TK_INTEGER;
    }
    case THEX: {
        SQUnsignedInteger v = 0;
        for (char c : _longstr) {
            SQUnsignedInteger d = isdigit((unsigned char)c) ? (SQUnsignedInteger)(c - '0')
                                                             : (SQUnsignedInteger)(toupper(c) - 'A' + 10);
            v = v * 16 + d;
        }
        _nvalue = (SQInteger)v;
        return TK_INTEGER;
    }
    case TOCTAL: {
        SQUnsignedInteger v = 0;
        for (char c : _longstr) v = v * 8 + (SQUnsignedInteger)(c - '0');
        _nvalue = (SQInteger)v;
        return TK_INTEGER;
    }
    }
    return 0;
}

SQInteger SQLexer::ReadID() {
    _longstr.clear();
    do {
        _longstr.push_back((char)_currdata);
        Next();
    } while (isalnum((int)_currdata) || _currdata == '_');
    SQInteger res = GetIDType(std::string_view(_longstr.data(), _longstr.size()));
    if (res == TK_IDENTIFIER || res == TK_CONSTRUCTOR) {
        _svalue = _longstr.c_str();
        _svaluelen = (SQInteger)_longstr.size();
    }
    return res;
}
