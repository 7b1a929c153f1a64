// The regular-expression engine. A pattern is parsed into a tree, the tree is compiled to a small
// program, and the program runs on a backtracking machine whose pending alternatives live on a
// heap stack, so neither a long pattern nor a long text deepens the C++ call stack. Only group
// nesting recurses, and it is bounded.
//
// Syntax: literals, `\` quoting, `.`, `^`, `$`, `|`, `( )`, `(?: )`, `[ ]` and `[^ ]` with ranges,
// the quantifiers `*` `+` `?` `{n}` `{n,}` `{n,m}` (greedy, or lazy when followed by `?`), the
// escapes \t \n \r \f \v, the classes \a \w \s \d \x \c \p \l \u with their upper-case negations
// (\l lower case, \u upper case), and \b \B for word boundaries.
#include "squirrel/stdlib/rex.h"

#include <bitset>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

const int kMaxGroupNesting = 256;
const size_t kMaxProgramSize = 1 << 20;
const size_t kMaxBacktrackEntries = 1 << 22;
// Bounds the time a pathological pattern can take: a fixed allowance plus a share per text byte.
const long kBaseStepsPerSearch = 5000000;
const long kStepsPerTextByte = 100;
const int kUnbounded = -1;

using CharSet = std::bitset<256>;

enum class NodeType {
    empty,
    literal,
    any,
    set,
    bol,
    eol,
    wordBoundary,
    notWordBoundary,
    group,
    concat,
    alternation,
    repeat
};

struct Node {
    NodeType type = NodeType::empty;
    int value = 0;   // literal: the byte; set: index in the set table; group: capture index or -1
    int minimum = 0; // repeat
    int maximum = 0; // repeat, kUnbounded for no limit
    bool lazy = false;
    std::vector<int> children;
};

struct SyntaxError {
    const char* message;
};

enum class Op {
    literal,
    any,
    set,
    bol,
    eol,
    wordBoundary,
    notWordBoundary,
    split,
    jump,
    save,
    mark,
    check,
    fail,
    match
};

struct Instruction {
    Op op;
    int a = 0; // literal byte, set index, preferred target, slot or register
    int b = 0; // split: the alternative target
};

bool IsWordByte(unsigned char c) {
    return isalnum(c) || c == '_';
}

// The predefined class of an escape letter, or false when the letter names none.
bool PredefinedClass(char letter, CharSet* set) {
    int (*test)(int) = nullptr;
    bool word = false;
    switch (tolower((unsigned char)letter)) {
    case 'a':
        test = isalpha;
        break;
    case 'w':
        word = true;
        break;
    case 's':
        test = isspace;
        break;
    case 'd':
        test = isdigit;
        break;
    case 'x':
        test = isxdigit;
        break;
    case 'c':
        test = iscntrl;
        break;
    case 'p':
        test = ispunct;
        break;
    default:
        break;
    }
    if (letter == 'l') test = islower;
    if (letter == 'u') test = isupper;
    if (letter == 'L' || letter == 'U') return false;
    if (test == nullptr && !word) return false;
    bool negate = isupper((unsigned char)letter) != 0;
    set->reset();
    for (int c = 0; c < 256; ++c) {
        bool in = word ? IsWordByte((unsigned char)c) : test(c) != 0;
        if (in != negate) set->set((size_t)c);
    }
    return true;
}

int EscapedByte(char letter) {
    switch (letter) {
    case 't':
        return '\t';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 'f':
        return '\f';
    case 'v':
        return '\v';
    default:
        return (unsigned char)letter;
    }
}

class Parser {
  public:
    explicit Parser(const char* pattern) : m_p(pattern) {}

    int Parse() {
        int root = ParseAlternation();
        if (*m_p != '\0') throw SyntaxError{"unexpected character"};
        return root;
    }

    std::vector<Node> nodes;
    std::vector<CharSet> sets;
    int groupCount = 0;

  private:
    int Add(Node node) {
        nodes.push_back(std::move(node));
        return (int)nodes.size() - 1;
    }

    int ParseAlternation() {
        Node alternation;
        alternation.type = NodeType::alternation;
        alternation.children.push_back(ParseSequence());
        while (*m_p == '|') {
            ++m_p;
            alternation.children.push_back(ParseSequence());
        }
        if (alternation.children.size() == 1) return alternation.children[0];
        return Add(std::move(alternation));
    }

    int ParseSequence() {
        Node sequence;
        sequence.type = NodeType::concat;
        while (*m_p != '\0' && *m_p != '|' && *m_p != ')')
            sequence.children.push_back(ParseQuantified());
        if (sequence.children.size() == 1) return sequence.children[0];
        if (sequence.children.empty()) return Add(Node{});
        return Add(std::move(sequence));
    }

    int ParseNumber() {
        if (!isdigit((unsigned char)*m_p)) throw SyntaxError{"number expected"};
        long value = 0;
        while (isdigit((unsigned char)*m_p)) {
            value = value * 10 + (*m_p++ - '0');
            if (value > 0xFFFF) throw SyntaxError{"overflow in numeric constant"};
        }
        return (int)value;
    }

    int ParseQuantified() {
        int atom = ParseAtom();
        int minimum, maximum;
        switch (*m_p) {
        case '*':
            minimum = 0;
            maximum = kUnbounded;
            ++m_p;
            break;
        case '+':
            minimum = 1;
            maximum = kUnbounded;
            ++m_p;
            break;
        case '?':
            minimum = 0;
            maximum = 1;
            ++m_p;
            break;
        case '{':
            ++m_p;
            minimum = ParseNumber();
            if (*m_p == '}') {
                maximum = minimum;
                ++m_p;
            } else if (*m_p == ',') {
                ++m_p;
                maximum = isdigit((unsigned char)*m_p) ? ParseNumber() : kUnbounded;
                if (*m_p != '}') throw SyntaxError{"expected paren"};
                ++m_p;
            } else {
                throw SyntaxError{", or } expected"};
            }
            break;
        default:
            return atom;
        }
        Node repeat;
        repeat.type = NodeType::repeat;
        repeat.minimum = minimum;
        repeat.maximum = maximum;
        repeat.children.push_back(atom);
        if (*m_p == '?') {
            repeat.lazy = true;
            ++m_p;
        }
        if (*m_p == '*' || *m_p == '+') throw SyntaxError{"unexpected character"};
        return Add(std::move(repeat));
    }

    int AddSet(const CharSet& set, bool negate) {
        sets.push_back(negate ? ~set : set);
        Node node;
        node.type = NodeType::set;
        node.value = (int)sets.size() - 1;
        return Add(std::move(node));
    }

    int AddSimple(NodeType type, int value = 0) {
        Node node;
        node.type = type;
        node.value = value;
        return Add(std::move(node));
    }

    int ParseAtom() {
        char c = *m_p++;
        switch (c) {
        case '(': {
            int capture = -1;
            if (*m_p == '?') {
                ++m_p;
                if (*m_p != ':') throw SyntaxError{"expected paren"};
                ++m_p;
            } else {
                capture = ++groupCount;
            }
            if (++m_depth > kMaxGroupNesting) throw SyntaxError{"expression too deeply nested"};
            int inner = ParseAlternation();
            --m_depth;
            if (*m_p != ')') throw SyntaxError{"expected paren"};
            ++m_p;
            Node group;
            group.type = NodeType::group;
            group.value = capture;
            group.children.push_back(inner);
            return Add(std::move(group));
        }
        case '[':
            return ParseClass();
        case '.':
            return AddSimple(NodeType::any);
        case '^':
            return AddSimple(NodeType::bol);
        case '$':
            return AddSimple(NodeType::eol);
        case '\\': {
            char letter = *m_p;
            if (letter == '\0') throw SyntaxError{"letter expected"};
            ++m_p;
            if (letter == 'b') return AddSimple(NodeType::wordBoundary);
            if (letter == 'B') return AddSimple(NodeType::notWordBoundary);
            CharSet set;
            if (PredefinedClass(letter, &set)) return AddSet(set, false);
            return AddSimple(NodeType::literal, EscapedByte(letter));
        }
        default:
            return AddSimple(NodeType::literal, (unsigned char)c);
        }
    }

    // One member of a bracket class: a byte (returned) or a predefined class (in *set, returns -1).
    int ParseClassMember(CharSet* set) {
        char c = *m_p++;
        if (c != '\\') return (unsigned char)c;
        char letter = *m_p;
        if (letter == '\0') throw SyntaxError{"letter expected"};
        ++m_p;
        if (PredefinedClass(letter, set)) return -1;
        return EscapedByte(letter);
    }

    int ParseClass() {
        bool negate = false;
        if (*m_p == '^') {
            negate = true;
            ++m_p;
        }
        if (*m_p == ']') throw SyntaxError{"empty class"};
        CharSet members;
        while (*m_p != ']') {
            if (*m_p == '\0') throw SyntaxError{"expected paren"};
            CharSet predefined;
            int first = ParseClassMember(&predefined);
            bool range = m_p[0] == '-' && m_p[1] != ']' && m_p[1] != '\0';
            if (first < 0) {
                if (range) throw SyntaxError{"cannot use character classes in ranges"};
                members |= predefined;
                continue;
            }
            if (!range) {
                members.set((size_t)first);
                continue;
            }
            ++m_p;
            int last = ParseClassMember(&predefined);
            if (last < 0) throw SyntaxError{"cannot use character classes in ranges"};
            if (first > last) throw SyntaxError{"invalid range"};
            for (int b = first; b <= last; ++b)
                members.set((size_t)b);
        }
        ++m_p;
        return AddSet(members, negate);
    }

    const char* m_p;
    int m_depth = 0;
};

class Compiler {
  public:
    Compiler(const std::vector<Node>& nodes, std::vector<Instruction>* program)
        : m_nodes(nodes), m_program(program) {}

    void Emit(int index) {
        const Node& node = m_nodes[(size_t)index];
        switch (node.type) {
        case NodeType::empty:
            break;
        case NodeType::literal:
            Add({Op::literal, node.value});
            break;
        case NodeType::any:
            Add({Op::any});
            break;
        case NodeType::set:
            Add({Op::set, node.value});
            break;
        case NodeType::bol:
            Add({Op::bol});
            break;
        case NodeType::eol:
            Add({Op::eol});
            break;
        case NodeType::wordBoundary:
            Add({Op::wordBoundary});
            break;
        case NodeType::notWordBoundary:
            Add({Op::notWordBoundary});
            break;
        case NodeType::group:
            if (node.value >= 0) Add({Op::save, 2 * node.value});
            Emit(node.children[0]);
            if (node.value >= 0) Add({Op::save, 2 * node.value + 1});
            break;
        case NodeType::concat:
            for (int child : node.children)
                Emit(child);
            break;
        case NodeType::alternation:
            EmitAlternation(node);
            break;
        case NodeType::repeat:
            EmitRepeat(node);
            break;
        }
    }

    int registerCount = 0;

  private:
    int Add(Instruction instruction) {
        if (m_program->size() >= kMaxProgramSize) throw SyntaxError{"expression too big"};
        m_program->push_back(instruction);
        return (int)m_program->size() - 1;
    }
    int Here() const { return (int)m_program->size(); }

    void EmitAlternation(const Node& node) {
        std::vector<int> exits;
        for (size_t i = 0; i + 1 < node.children.size(); ++i) {
            int split = Add({Op::split, 0, 0});
            (*m_program)[(size_t)split].a = Here();
            Emit(node.children[i]);
            exits.push_back(Add({Op::jump}));
            (*m_program)[(size_t)split].b = Here();
        }
        Emit(node.children.back());
        for (int exit : exits)
            (*m_program)[(size_t)exit].a = Here();
    }

    // A loop split prefers the body when greedy and the exit when lazy.
    void PatchSplit(int split, int body, int exit, bool lazy) {
        (*m_program)[(size_t)split].a = lazy ? exit : body;
        (*m_program)[(size_t)split].b = lazy ? body : exit;
    }

    void EmitRepeat(const Node& node) {
        int child = node.children[0];
        if (node.maximum != kUnbounded && node.minimum > node.maximum) {
            Add({Op::fail});
            return;
        }
        for (int i = 0; i < node.minimum; ++i)
            Emit(child);
        if (node.maximum == kUnbounded) {
            // A body that can match nothing must move forward each turn, or the loop never ends.
            bool guard = Nullable(child);
            int reg = guard ? registerCount++ : 0;
            int split = Add({Op::split, 0, 0});
            int body = Here();
            if (guard) Add({Op::mark, reg});
            Emit(child);
            if (guard) Add({Op::check, reg});
            Add({Op::jump, split});
            PatchSplit(split, body, Here(), node.lazy);
            return;
        }
        std::vector<int> splits;
        for (int i = node.minimum; i < node.maximum; ++i) {
            splits.push_back(Add({Op::split, 0, 0}));
            Emit(child);
        }
        for (int split : splits)
            PatchSplit(split, split + 1, Here(), node.lazy);
    }

    bool Nullable(int index) const {
        const Node& node = m_nodes[(size_t)index];
        switch (node.type) {
        case NodeType::literal:
        case NodeType::any:
        case NodeType::set:
            return false;
        case NodeType::group:
            return Nullable(node.children[0]);
        case NodeType::concat:
            for (int child : node.children)
                if (!Nullable(child)) return false;
            return true;
        case NodeType::alternation:
            for (int child : node.children)
                if (Nullable(child)) return true;
            return false;
        case NodeType::repeat:
            return node.minimum == 0 || Nullable(node.children[0]);
        default:
            return true;
        }
    }

    const std::vector<Node>& m_nodes;
    std::vector<Instruction>* m_program;
};

} // namespace

struct SQRex {
    std::vector<Instruction> program;
    std::vector<CharSet> sets;
    int subexpCount = 1;
    int registerCount = 0;
    std::vector<const SQChar*> slots; // begin and end of each subexpression of the last match
    const SQChar* matchError = nullptr;
    long steps = 0; // instructions run since the current match or search began
    long maxSteps = 0;
};

namespace {

// Where a run starts and what counts as the text's ends.
struct Text {
    const SQChar* begin;
    const SQChar* end;
};

bool AtWordBoundary(const Text& text, const SQChar* sp) {
    bool before = sp > text.begin && IsWordByte((unsigned char)sp[-1]);
    bool after = sp < text.end && IsWordByte((unsigned char)*sp);
    return before != after;
}

// Runs the program from `start`; with mustReachEnd only a match that ends at the text's end
// counts. Fills exp->slots on success.
bool Run(SQRex* exp, const Text& text, const SQChar* start, bool mustReachEnd) {
    enum class Kind { branch, slot, reg };
    struct Entry {
        Kind kind;
        int index;
        const SQChar* sp;
    };
    std::vector<Entry> stack;
    std::vector<const SQChar*> slots(exp->slots.size(), nullptr);
    std::vector<const SQChar*> regs((size_t)exp->registerCount, nullptr);
    const std::vector<Instruction>& program = exp->program;
    stack.push_back({Kind::branch, 0, start});
    while (!stack.empty()) {
        Entry entry = stack.back();
        stack.pop_back();
        if (entry.kind == Kind::slot) {
            slots[(size_t)entry.index] = entry.sp;
            continue;
        }
        if (entry.kind == Kind::reg) {
            regs[(size_t)entry.index] = entry.sp;
            continue;
        }
        int pc = entry.index;
        const SQChar* sp = entry.sp;
        for (bool alive = true; alive;) {
            if (stack.size() >= kMaxBacktrackEntries || ++exp->steps > exp->maxSteps) {
                exp->matchError = "regular expression too complex for the text";
                return false;
            }
            const Instruction& in = program[(size_t)pc];
            switch (in.op) {
            case Op::literal:
                alive = sp < text.end && (unsigned char)*sp == in.a;
                ++sp, ++pc;
                break;
            case Op::any:
                alive = sp < text.end;
                ++sp, ++pc;
                break;
            case Op::set:
                alive = sp < text.end && exp->sets[(size_t)in.a].test((unsigned char)*sp);
                ++sp, ++pc;
                break;
            case Op::bol:
                alive = sp == text.begin;
                ++pc;
                break;
            case Op::eol:
                alive = sp == text.end;
                ++pc;
                break;
            case Op::wordBoundary:
                alive = AtWordBoundary(text, sp);
                ++pc;
                break;
            case Op::notWordBoundary:
                alive = !AtWordBoundary(text, sp);
                ++pc;
                break;
            case Op::split:
                stack.push_back({Kind::branch, in.b, sp});
                pc = in.a;
                break;
            case Op::jump:
                pc = in.a;
                break;
            case Op::save:
                stack.push_back({Kind::slot, in.a, slots[(size_t)in.a]});
                slots[(size_t)in.a] = sp;
                ++pc;
                break;
            case Op::mark:
                stack.push_back({Kind::reg, in.a, regs[(size_t)in.a]});
                regs[(size_t)in.a] = sp;
                ++pc;
                break;
            case Op::check:
                alive = regs[(size_t)in.a] != sp;
                ++pc;
                break;
            case Op::fail:
                alive = false;
                break;
            case Op::match:
                if (mustReachEnd && sp != text.end) {
                    alive = false;
                    break;
                }
                exp->slots = slots;
                return true;
            }
        }
    }
    return false;
}

void ClearMatches(SQRex* exp, size_t textLength) {
    exp->matchError = nullptr;
    exp->steps = 0;
    exp->maxSteps = kBaseStepsPerSearch + kStepsPerTextByte * (long)textLength;
    for (const SQChar*& slot : exp->slots)
        slot = nullptr;
}

} // namespace

namespace sqstd {

const SQChar* RexMatchError(SQRex* exp) {
    return exp->matchError;
}

} // namespace sqstd

extern "C" {

SQRex* sqstd_rex_compile(const SQChar* pattern, const SQChar** error) {
    Parser parser(pattern);
    SQRex* exp = new SQRex;
    try {
        int root = parser.Parse();
        Compiler compiler(parser.nodes, &exp->program);
        exp->program.push_back({Op::save, 0});
        compiler.Emit(root);
        exp->program.push_back({Op::save, 1});
        exp->program.push_back({Op::match});
        exp->registerCount = compiler.registerCount;
    } catch (const SyntaxError& syntax) {
        if (error != nullptr) *error = syntax.message;
        delete exp;
        return nullptr;
    }
    exp->sets = std::move(parser.sets);
    exp->subexpCount = parser.groupCount + 1;
    exp->slots.assign((size_t)exp->subexpCount * 2, nullptr);
    return exp;
}

void sqstd_rex_free(SQRex* exp) {
    delete exp;
}

SQBool sqstd_rex_match(SQRex* exp, const SQChar* text) {
    Text whole{text, text + strlen(text)};
    ClearMatches(exp, strlen(text));
    return Run(exp, whole, text, true) ? SQTrue : SQFalse;
}

SQBool sqstd_rex_searchrange(SQRex* exp, const SQChar* text_begin, const SQChar* text_end,
                             const SQChar** out_begin, const SQChar** out_end) {
    ClearMatches(exp, text_begin < text_end ? (size_t)(text_end - text_begin) : 0);
    if (text_begin > text_end) return SQFalse;
    Text range{text_begin, text_end};
    bool anchored = exp->program.size() > 1 && exp->program[1].op == Op::bol;
    for (const SQChar* start = text_begin; start <= text_end; ++start) {
        if (Run(exp, range, start, false)) {
            if (out_begin != nullptr) *out_begin = exp->slots[0];
            if (out_end != nullptr) *out_end = exp->slots[1];
            return SQTrue;
        }
        if (exp->matchError != nullptr || anchored) break;
    }
    return SQFalse;
}

SQBool sqstd_rex_search(SQRex* exp, const SQChar* text, const SQChar** out_begin, const SQChar** out_end) {
    return sqstd_rex_searchrange(exp, text, text + strlen(text), out_begin, out_end);
}

SQInteger sqstd_rex_getsubexpcount(SQRex* exp) {
    return exp->subexpCount;
}

SQBool sqstd_rex_getsubexp(SQRex* exp, SQInteger n, SQRexMatch* subexp) {
    if (n < 0 || n >= exp->subexpCount) return SQFalse;
    const SQChar* begin = exp->slots[(size_t)n * 2];
    const SQChar* end = exp->slots[(size_t)n * 2 + 1];
    if (begin == nullptr || end == nullptr) {
        subexp->begin = nullptr;
        subexp->len = 0;
    } else {
        subexp->begin = begin;
        subexp->len = (SQInteger)(end - begin);
    }
    return SQTrue;
}

} // extern "C"
