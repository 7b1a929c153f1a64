// The regular-expression engine. A pattern is parsed into nodes chained in sequences, and the
// matcher walks them without backtracking, as the standard library's engine does:
// - a repetition (`*` `+` `?` `{n}` `{n,}` `{n,m}`) takes turns of its node and, after each turn
//   once the minimum is reached, stops as soon as the node that follows it matches there; a
//   repetition that nothing follows is fully greedy, and one followed by a repetition that may
//   match nothing does not test it. The lazy forms (`*?` `+?` `??` `{n,m}?`) test the follower
//   before each turn instead, so they take as few turns as the follower allows (the minimum
//   when nothing follows);
// - an alternation takes its first branch that matches; nothing after it is considered;
// - a group records the text of its last successful turn.
// Syntax: literals, `\` quoting, `.`, `^` (at the start of a branch; elsewhere a literal), `$`,
// `|`, `( )`, `(?: )`, `[ ]` and `[^ ]` with ranges, the escapes \t \n \r \f \v, the classes
// \a \w \s \d \x \c \p \l \u with their upper-case negations (\l lower case, \u upper case; \L
// and \U are literals), and \b \B: a position is a word boundary when one side of it is a space
// or an end of the text and the other is not.
// Matching recurses only through groups, repetitions and the follower tests, and that depth is
// bounded, as is the number of steps a match may take.
#include "squirrel/stdlib/rex.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

const int kMaxGroupNesting = 256;
const int kMaxMatchDepth = 1000;
// Bounds the time a pathological pattern can take: a fixed allowance plus a share per text byte.
const long kBaseStepsPerSearch = 5000000;
const long kStepsPerTextByte = 100;
const int kUnbounded = -1;
const int kNone = -1;
const char kTooComplex[] = "regular expression too complex for the text";

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
    alternation,
    repeat
};

struct Node {
    NodeType type = NodeType::empty;
    int value = 0;   // literal: the byte; set: index in the set table; group: capture index or -1
    int minimum = 0; // repeat
    int maximum = 0; // repeat, kUnbounded for no limit
    bool lazy = false;
    int body = kNone;          // group: the first node of its content; repeat: the repeated node
    int next = kNone;          // the node that follows in the same sequence
    std::vector<int> branches; // alternation: the first node of each branch
    // The captures inside this node (a group counts itself), restored when it fails.
    int firstCapture = 0;
    int lastCapture = -1;
};

struct SyntaxError {
    const char* message;
};

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
        bool in = word ? (isalnum(c) || c == '_') : test(c) != 0;
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

    // The whole pattern as capture 0.
    int Parse() {
        int root = AddSimple(NodeType::group, 0);
        int content = ParseList();
        if (*m_p != '\0') throw SyntaxError{"unexpected character"};
        nodes[(size_t)root].body = content;
        nodes[(size_t)root].lastCapture = groupCount;
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

    int AddSimple(NodeType type, int value = 0) {
        Node node;
        node.type = type;
        node.value = value;
        return Add(std::move(node));
    }

    // Branches separated by `|`; a single branch is its own sequence.
    int ParseList() {
        int capturesBefore = groupCount;
        std::vector<int> branches;
        branches.push_back(ParseSequence());
        while (*m_p == '|') {
            ++m_p;
            if (*m_p == '\0') throw SyntaxError{"letter expected"};
            branches.push_back(ParseSequence());
        }
        if (branches.size() == 1) return branches[0];
        Node alternation;
        alternation.type = NodeType::alternation;
        alternation.branches = std::move(branches);
        alternation.firstCapture = capturesBefore + 1;
        alternation.lastCapture = groupCount;
        return Add(std::move(alternation));
    }

    int ParseSequence() {
        int head = kNone, tail = kNone;
        auto append = [&](int node) {
            if (head == kNone)
                head = node;
            else
                nodes[(size_t)tail].next = node;
            tail = node;
        };
        if (*m_p == '^') {
            ++m_p;
            append(AddSimple(NodeType::bol));
        }
        while (*m_p != '\0' && *m_p != '|' && *m_p != ')')
            append(ParseQuantified());
        return head != kNone ? head : AddSimple(NodeType::empty);
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
        int capturesBefore = groupCount;
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
        repeat.body = atom;
        repeat.firstCapture = capturesBefore + 1;
        repeat.lastCapture = groupCount;
        if (*m_p == '?') {
            repeat.lazy = true;
            ++m_p;
        }
        if (*m_p == '*' || *m_p == '+') throw SyntaxError{"unexpected character"};
        return Add(std::move(repeat));
    }

    int AddSet(const CharSet& set, bool negate) {
        sets.push_back(negate ? ~set : set);
        return AddSimple(NodeType::set, (int)sets.size() - 1);
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
            int capturesBefore = capture >= 0 ? capture - 1 : groupCount;
            if (++m_depth > kMaxGroupNesting) throw SyntaxError{"expression too deeply nested"};
            if (*m_p == '\0') throw SyntaxError{"letter expected"};
            int content = ParseList();
            --m_depth;
            if (*m_p != ')') throw SyntaxError{"expected paren"};
            ++m_p;
            Node group;
            group.type = NodeType::group;
            group.value = capture;
            group.body = content;
            group.firstCapture = capturesBefore + 1;
            group.lastCapture = groupCount;
            return Add(std::move(group));
        }
        case '[':
            return ParseClass();
        case '.':
            return AddSimple(NodeType::any);
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
            if (*m_p == '\0') throw SyntaxError{"letter expected"};
            CharSet predefined;
            int first = ParseClassMember(&predefined);
            if (m_p[0] == '-' && m_p[1] == '\0') throw SyntaxError{"invalid range"};
            bool range = m_p[0] == '-' && m_p[1] != ']';
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

} // namespace

struct SQRex {
    std::vector<Node> nodes;
    std::vector<CharSet> sets;
    int root = 0;
    int subexpCount = 1;
    std::vector<const SQChar*> slots; // begin and end of each subexpression of the last match
    const SQChar* matchError = nullptr;
    long steps = 0; // nodes tried since the current match or search began
    long maxSteps = 0;
};

namespace {

class Matcher {
  public:
    Matcher(SQRex* exp, const SQChar* begin, const SQChar* end) : m_exp(exp), m_begin(begin), m_end(end) {}

    // The end of the match of `index` at `s`, or null; `follower` is the node that comes after
    // it (kNone when nothing does), which a repetition tests to know where to stop.
    const SQChar* Match(int index, const SQChar* s, int follower) {
        if (++m_exp->steps > m_exp->maxSteps || m_depth >= kMaxMatchDepth) {
            m_exp->matchError = kTooComplex;
            return nullptr;
        }
        const Node& node = m_exp->nodes[(size_t)index];
        switch (node.type) {
        case NodeType::empty:
            return s;
        case NodeType::literal:
            return s < m_end && (unsigned char)*s == node.value ? s + 1 : nullptr;
        case NodeType::any:
            return s < m_end ? s + 1 : nullptr;
        case NodeType::set:
            return s < m_end && m_exp->sets[(size_t)node.value].test((unsigned char)*s) ? s + 1 : nullptr;
        case NodeType::bol:
            return s == m_begin ? s : nullptr;
        case NodeType::eol:
            return s == m_end ? s : nullptr;
        case NodeType::wordBoundary:
            return AtBoundary(s) ? s : nullptr;
        case NodeType::notWordBoundary:
            return AtBoundary(s) ? nullptr : s;
        case NodeType::group:
        case NodeType::alternation:
        case NodeType::repeat:
            break;
        }
        ++m_depth;
        Saved saved = Save(node);
        const SQChar* result = nullptr;
        if (node.type == NodeType::group) {
            result = Sequence(node.body, s, follower);
            if (result != nullptr && node.value >= 0) {
                m_exp->slots[(size_t)node.value * 2] = s;
                m_exp->slots[(size_t)node.value * 2 + 1] = result;
            }
        } else if (node.type == NodeType::alternation) {
            // A branch is matched on its own: what follows the alternation is not considered.
            for (int branch : node.branches) {
                result = Sequence(branch, s, kNone);
                if (result != nullptr || m_exp->matchError != nullptr) break;
                Restore(node, saved);
            }
        } else {
            result = Repeat(node, s, follower);
        }
        if (result == nullptr) Restore(node, saved);
        --m_depth;
        return result;
    }

  private:
    using Saved = std::vector<const SQChar*>;

    Saved Save(const Node& node) const {
        if (node.firstCapture > node.lastCapture) return Saved();
        return Saved(m_exp->slots.begin() + node.firstCapture * 2,
                     m_exp->slots.begin() + node.lastCapture * 2 + 2);
    }

    void Restore(const Node& node, const Saved& saved) {
        if (!saved.empty())
            std::copy(saved.begin(), saved.end(), m_exp->slots.begin() + node.firstCapture * 2);
    }

    const SQChar* Sequence(int head, const SQChar* s, int follower) {
        for (int index = head; index != kNone && s != nullptr; index = m_exp->nodes[(size_t)index].next) {
            int next = m_exp->nodes[(size_t)index].next;
            s = Match(index, s, next != kNone ? next : follower);
        }
        return s;
    }

    const SQChar* Repeat(const Node& node, const SQChar* s, int follower) {
        int stop = node.next != kNone ? node.next : follower;
        int afterStop = kNone;
        if (stop != kNone) {
            int stopNext = m_exp->nodes[(size_t)stop].next;
            afterStop = stopNext != kNone ? stopNext : (stop == node.next ? follower : kNone);
        }
        // A greedy follower that may match nothing would always stop the loop at once.
        const Node* stopNode = stop != kNone ? &m_exp->nodes[(size_t)stop] : nullptr;
        bool testStop = stopNode != nullptr &&
                        (node.lazy || stopNode->type != NodeType::repeat || stopNode->minimum != 0);
        int count = 0;
        const SQChar* good = s;
        while (node.maximum == kUnbounded || count < node.maximum) {
            if (node.lazy && count >= node.minimum) {
                if (!testStop || Match(stop, good, afterStop) != nullptr) break;
                if (m_exp->matchError != nullptr) return nullptr;
            }
            const SQChar* turn = Match(node.body, good, stop);
            if (turn == nullptr) {
                if (m_exp->matchError != nullptr) return nullptr;
                break;
            }
            ++count;
            if (turn == good) {
                // A turn that matched nothing matches nothing again: the minimum is reached.
                if (count < node.minimum) count = node.minimum;
                break;
            }
            good = turn;
            if (!node.lazy && testStop && count >= node.minimum) {
                if (Match(stop, good, afterStop) != nullptr) break;
                if (m_exp->matchError != nullptr) return nullptr;
            }
            if (good >= m_end) break;
        }
        return count >= node.minimum ? good : nullptr;
    }

    bool AtBoundary(const SQChar* s) const {
        bool spaceBefore = s == m_begin || isspace((unsigned char)s[-1]);
        bool spaceAfter = s == m_end || isspace((unsigned char)*s);
        return spaceBefore != spaceAfter;
    }

    SQRex* m_exp;
    const SQChar* m_begin;
    const SQChar* m_end;
    int m_depth = 0;
};

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

// Running out of memory fails a compile with the error text "out of memory", and a match or search
// as no match with that match error.
SQRex* sqstd_rex_compile(const SQChar* pattern, const SQChar** error) try {
    Parser parser(pattern);
    int root;
    try {
        root = parser.Parse();
    } catch (const SyntaxError& syntax) {
        if (error != nullptr) *error = syntax.message;
        return nullptr;
    }
    std::unique_ptr<SQRex> exp(new SQRex);
    exp->nodes = std::move(parser.nodes);
    exp->sets = std::move(parser.sets);
    exp->root = root;
    exp->subexpCount = parser.groupCount + 1;
    exp->slots.assign((size_t)exp->subexpCount * 2, nullptr);
    return exp.release();
} catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return nullptr;
}

void sqstd_rex_free(SQRex* exp) {
    delete exp;
}

SQBool sqstd_rex_match(SQRex* exp, const SQChar* text) try {
    size_t length = strlen(text);
    ClearMatches(exp, length);
    Matcher matcher(exp, text, text + length);
    const SQChar* end = matcher.Match(exp->root, text, kNone);
    return end != nullptr && end == text + length ? SQTrue : SQFalse;
} catch (const std::bad_alloc&) {
    exp->matchError = "out of memory";
    return SQFalse;
}

// Tries each start from text_begin up to, not including, text_end: an empty text never matches.
SQBool sqstd_rex_searchrange(SQRex* exp, const SQChar* text_begin, const SQChar* text_end,
                             const SQChar** out_begin, const SQChar** out_end) try {
    ClearMatches(exp, text_begin < text_end ? (size_t)(text_end - text_begin) : 0);
    Matcher matcher(exp, text_begin, text_end);
    for (const SQChar* start = text_begin; start < text_end; ++start) {
        for (const SQChar*& slot : exp->slots)
            slot = nullptr;
        const SQChar* end = matcher.Match(exp->root, start, kNone);
        if (end != nullptr) {
            if (out_begin != nullptr) *out_begin = start;
            if (out_end != nullptr) *out_end = end;
            return SQTrue;
        }
        if (exp->matchError != nullptr) break;
    }
    return SQFalse;
} catch (const std::bad_alloc&) {
    exp->matchError = "out of memory";
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
