#include "render/curve.h"

#include <cmath>
#include <cstring>
#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "render/key_text.h"

namespace {

// The array grows by this many keys at a time.
constexpr u32 KeyGrowth = 64;
// Bezier bisection: stop within this distance in time, or this interval width.
constexpr f32 BezierTolerance = 1e-4f;

// Bytes of a "BinaryKnot" record: kind, time, value; seven more numbers unless linear.
constexpr u32 BinaryKnotShortSize = 1 + 2 * 4;
constexpr u32 BinaryKnotLongSize = BinaryKnotShortSize + 7 * 4;

struct LoopWord {
    const char* word;
    i32 mode;
};
const LoopWord CurveLoopWords[] = {
    {"Reset", LoopModeReset},         {"Constant", LoopModeConstant},         {"Repeat", LoopModeRepeat},
    {"Oscillate", LoopModeOscillate}, {"OffsetRepeat", LoopModeOffsetRepeat},
};

// "KnotEx" kind field -> stored kind; anything else is 0.
i32 RemapTextKind(i32 field) {
    static const i32 Remap[] = {0,
                                CurveKindLinear,
                                CurveKindTangentAlt,
                                CurveKindBezier,
                                CurveKindTangent,
                                CurveKindTCB,
                                CurveKindStep};
    return field >= 1 && field <= 6 ? Remap[field] : 0;
}

f32 Clamp(f32 value, f32 low, f32 high) {
    if (!(value >= low)) return low; // NaN too
    return value > high ? high : value;
}

f32 CubicBezier(f32 s, f32 p0, f32 p1, f32 p2, f32 p3) {
    f32 c = 3.0f * (p1 - p0);
    f32 b = 3.0f * (p2 - p1) - c;
    f32 a = p3 - p0 - c - b;
    return ((a * s + b) * s + c) * s + p0;
}

f32 Hermite(f32 u, f32 v0, f32 v1, f32 t0, f32 t1) {
    f32 u2 = u * u;
    f32 u3 = u2 * u;
    f32 h01 = 3.0f * u2 - 2.0f * u3;
    f32 h00 = 1.0f - h01;
    f32 h10 = u3 - 2.0f * u2 + u;
    f32 h11 = u3 - u2;
    return h00 * v0 + h01 * v1 + h10 * t0 + h11 * t1;
}

// The kind is one byte in the file; the byte decides the record's length.
unsigned char BinaryKindByte(i32 kind) {
    return static_cast<unsigned char>(kind);
}

void AppendFloat(unsigned char*& out, f32 value) {
    std::memcpy(out, &value, 4); // little-endian hosts
    out += 4;
}

f32 ReadFloat(const unsigned char*& in) {
    f32 value;
    std::memcpy(&value, in, 4);
    in += 4;
    return value;
}

// The value between two keys, by the kind of k1; previous and next are the
// keys around them, null at the ends. time lies strictly between the two.
f32 InterpolateSegment(const zCurvePoint* previous, const zCurvePoint& k0, const zCurvePoint& k1,
                       const zCurvePoint* next, f32 time) {
    const f32 span = k1.time - k0.time;
    const f32 u = (time - k0.time) / span;
    const f32 difference = k1.value - k0.value;
    f32 value = 0.0f;
    switch (k1.type) {
    case CurveKindLinear:
        value = k0.value + difference * u;
        break;
    case CurveKindTCB: {
        f32 t0 = (1.0f - k0.tension) * (1.0f - k0.continuity) * (1.0f - k0.bias) * difference;
        if (previous) {
            t0 = ((1.0f - k0.tension) * (1.0f + k0.continuity) * (1.0f + k0.bias) *
                      (k0.value - previous->value) +
                  t0) *
                 span / (k1.time - previous->time);
        }
        f32 t1 = (1.0f - k1.tension) * (1.0f - k1.continuity) * (1.0f + k1.bias) * difference;
        if (next) {
            t1 = ((1.0f - k1.tension) * (1.0f + k1.continuity) * (1.0f - k1.bias) * (next->value - k1.value) +
                  t1) *
                 span / (next->time - k0.time);
        }
        value = Hermite(u, k0.value, k1.value, t0, t1);
        break;
    }
    case CurveKindTangent:
    case CurveKindTangentAlt: {
        f32 t0 = k0.inTangentX;
        if (previous) t0 *= span / (k1.time - previous->time);
        f32 t1 = k1.inTangentX;
        if (next) t1 *= span / (next->time - k0.time);
        value = Hermite(u, k0.value, k1.value, t0, t1);
        break;
    }
    case CurveKindBezier: {
        f32 p1Time;
        f32 p1Value;
        if (k0.type == CurveKindBezier) {
            p1Time = k0.time + k0.outTangentX;
            p1Value = k0.value + k0.outTangentY;
        } else {
            p1Time = k0.time + span / 3.0f;
            p1Value = k0.value + k0.inTangentY / 3.0f;
        }
        const f32 p2Time = k1.time + k1.inTangentX;
        const f32 p2Value = k1.value + k1.inTangentY;
        f32 low = 0.0f;
        f32 high = 1.0f;
        f32 s = 0.5f;
        for (;;) {
            f32 at = CubicBezier(s, k0.time, p1Time, p2Time, k1.time);
            if (std::fabs(at - time) < BezierTolerance || high - low < BezierTolerance) break;
            if (at > time) {
                high = s;
            } else {
                low = s;
            }
            s = (low + high) * 0.5f;
        }
        value = CubicBezier(s, k0.value, p1Value, p2Value, k1.value);
        break;
    }
    case CurveKindStep:
        value = k0.value;
        break;
    default:
        break;
    }
    return value;
}

} // namespace

void zCurvePoint::CopyFrom(const zCurvePoint& other) {
    type = other.type;
    time = other.time;
    value = other.value;
    tension = other.tension;
    continuity = other.continuity;
    bias = other.bias;
    inTangentX = other.inTangentX;
    inTangentY = other.inTangentY;
    outTangentX = other.outTangentX;
    outTangentY = other.outTangentY;
}

f32 WrapCurveTime(f32 time, f32 start, f32 end, f32& periods) {
    f32 length = end - start;
    if (length == 0.0f) {
        periods = 0.0f;
        return start;
    }
    f32 offset = time - start;
    f32 ratio = offset / length;
    f32 result;
    if (offset < 0.0f) {
        f32 whole = std::ceil(ratio);
        result = end + offset - whole * length;
        periods = whole - 1.0f;
    } else {
        f32 whole = std::floor(ratio);
        result = start + offset - whole * length;
        periods = whole;
    }
    return Clamp(result, start, end);
}

void ResolveCurveRange(f32 first, f32 last, f32 rangeStart, f32 rangeEnd, f32& start, f32& end) {
    // NaN counts as the sentinel: the whole key range.
    start =
        rangeStart == CurveRangeFirstKey || rangeStart != rangeStart ? first : Clamp(rangeStart, first, last);
    end = rangeEnd == CurveRangeLastKey || rangeEnd != rangeEnd ? last : Clamp(rangeEnd, first, last);
}

bool MapLoopTime(f32& time, i32 loopMode, f32 start, f32 end, f32& periods) {
    periods = 0.0f;
    if (!(time < start || time > end)) return true;
    switch (loopMode) {
    case LoopModeReset:
        return false;
    case LoopModeRepeat:
    case LoopModeOffsetRepeat:
        time = WrapCurveTime(time, start, end, periods);
        return true;
    case LoopModeOscillate:
        time = WrapCurveTime(time, start, end, periods);
        if (std::fmod(periods, 2.0f) != 0.0f) time = start + end - time;
        return true;
    default:
        // Constant, and every other code: negative ones from scripts included,
        // so that the time never stays outside the keys.
        time = time < start ? start : end;
        return true;
    }
}

zCurve::zCurve() = default;

zCurve::~zCurve() = default;

u32 zCurve::GetMemorySize() const {
    return 40 + 44 * GetKeyCount();
}

u32 zCurve::FindSegment(f32 time) const {
    auto timeAt = [this](u32 index) { return GetKey(index)->time; };
    return FindKeySegment(m_cacheIndex, GetKeyCount(), timeAt, time);
}

void zCurve::Evaluate(f32 time, f32& out, i32 loopMode, f32 rangeStart, f32 rangeEnd) const {
    const u32 count = GetKeyCount();
    if (count == 0) {
        out = m_defaultValue;
        return;
    }
    const zCurvePoint* first = GetKey(0);
    if (count == 1) {
        out = first->value;
        return;
    }
    const zCurvePoint* last = GetKey(count - 1);
    f32 start;
    f32 end;
    ResolveCurveRange(first->time, last->time, rangeStart, rangeEnd, start, end);
    f32 periods;
    if (!MapLoopTime(time, loopMode, start, end, periods)) {
        out = 0.0f;
        return;
    }
    const f32 offset = loopMode == LoopModeOffsetRepeat ? (last->value - first->value) * periods : 0.0f;

    const u32 segment = FindSegment(time);
    const zCurvePoint* k0 = GetKey(segment);
    const zCurvePoint* k1 = GetKey(segment + 1);
    if (time == k0->time) {
        out = k0->value + offset;
        return;
    }
    if (time == k1->time) {
        out = k1->value + offset;
        return;
    }
    const zCurvePoint* previous = segment > 0 ? GetKey(segment - 1) : nullptr;
    const zCurvePoint* next = segment + 2 < count ? GetKey(segment + 2) : nullptr;
    out = InterpolateSegment(previous, *k0, *k1, next, time) + offset;
}

bool zCurve::AddPoint(std::unique_ptr<zCurvePoint> point) {
    if (!point) return false;
    const u32 count = GetKeyCount();
    if (count == m_points.GetCapacity() && !m_points.Reserve(count + KeyGrowth)) return false;
    u32 position = 0;
    while (position < count && GetKey(position)->time <= point->time)
        ++position;
    if (!m_points.InsertAt(point.get(), position, false)) return false;
    point.release();
    m_cacheIndex = -1;
    return true;
}

bool zCurve::SetKnotCount(u32 count) {
    Clear();
    if (count == 0) return true;
    const u64 capacity = (u64(count) + KeyGrowth - 1) / KeyGrowth * KeyGrowth;
    if (capacity > 0xFFFFFFFFull || !m_points.Reserve(u32(capacity))) return false;
    for (u32 index = 0; index < count; ++index) {
        auto* point = new (std::nothrow) zCurvePoint();
        if (!point || !m_points.Add(point, false)) {
            delete point;
            Clear();
            return false;
        }
    }
    return true;
}

bool zCurve::SetKnot(u32 index, const zCurvePoint& point) {
    if (index >= GetKeyCount()) return false;
    GetKey(index)->CopyFrom(point);
    m_cacheIndex = -1;
    return true;
}

void zCurve::Clear() {
    m_points.Clear(true);
    m_cacheIndex = -1;
}

void zCurve::ReplaceKeys(zCurvePoint* const* keys, u32 count) {
    // Removing from the end moves nothing; the adds reuse the freed slots.
    while (GetKeyCount() > 0)
        m_points.RemoveAt(GetKeyCount() - 1);
    for (u32 index = 0; index < count; ++index)
        m_points.Add(keys[index], false);
    m_cacheIndex = -1;
}

void zCurve::SortKeys() {
    const u32 count = GetKeyCount();
    bool sorted = true;
    for (u32 index = 1; index < count && sorted; ++index)
        sorted = !(GetKey(index)->time < GetKey(index - 1)->time);
    m_cacheIndex = -1;
    if (sorted) return;
    auto* keys = new (std::nothrow) zCurvePoint*[count];
    if (!keys) {
        GetLog() << "Not enough memory.\n";
        return;
    }
    // Insertion sort: stable, and keys are few.
    for (u32 index = 0; index < count; ++index) {
        zCurvePoint* key = GetKey(index);
        u32 at = index;
        for (; at > 0 && key->time < keys[at - 1]->time; --at)
            keys[at] = keys[at - 1];
        keys[at] = key;
    }
    ReplaceKeys(keys, count);
    delete[] keys;
}

i32 zCurve::FindKey(f32 time, bool forward) const {
    const u32 count = GetKeyCount();
    if (forward) {
        for (u32 index = 0; index < count; ++index)
            if (GetKey(index)->time > time) return i32(index);
    } else {
        for (u32 index = count; index > 0; --index)
            if (GetKey(index - 1)->time < time) return i32(index - 1);
    }
    return -1;
}

i32 zCurve::FindKeyNear(f32 time, f32 tolerance) const {
    for (u32 index = 0; index < GetKeyCount(); ++index)
        if (std::fabs(GetKey(index)->time - time) <= tolerance) return i32(index);
    return -1;
}

f32 zCurve::GetEndTime() const {
    const u32 count = GetKeyCount();
    return count ? GetKey(count - 1)->time : 0.0f;
}

void zCurve::GetTimeRange(f32& start, f32& end) const {
    const u32 count = GetKeyCount();
    start = count ? GetKey(0)->time : 0.0f;
    end = GetEndTime();
}

void zCurve::GetValueRange(f32& minimum, f32& maximum) const {
    const u32 count = GetKeyCount();
    minimum = 0.0f;
    maximum = 0.0f;
    for (u32 index = 0; index < count; ++index) {
        f32 value = GetKey(index)->value;
        if (index == 0 || value < minimum) minimum = value;
        if (index == 0 || value > maximum) maximum = value;
    }
}

u32 zCurve::Reduce(f32 tolerance) {
    const u32 count = GetKeyCount();
    if (count < 3) return 0;
    auto* kept = new (std::nothrow) zCurvePoint*[count];
    if (!kept) {
        GetLog() << "Not enough memory.\n";
        return 0;
    }
    u32 keptCount = 0;
    u32 first = 0;
    for (; first + 2 < count; first += 2) {
        const zCurvePoint* k = GetKey(first);
        zCurvePoint* middle = GetKey(first + 1);
        const zCurvePoint* k2 = GetKey(first + 2);
        kept[keptCount++] = GetKey(first);
        f32 s = (middle->time - k->time) / (k2->time - k->time);
        f32 line = k->value + s * (k2->value - k->value);
        if (std::fabs(middle->value - line) > tolerance) {
            kept[keptCount++] = middle;
        } else {
            delete middle;
        }
    }
    // The triples stop at the last key or the one before it.
    for (; first < count; ++first)
        kept[keptCount++] = GetKey(first);
    const u32 removed = count - keptCount;
    if (removed > 0) ReplaceKeys(kept, keptCount);
    delete[] kept;
    return removed;
}

bool zCurve::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Curve") {
        GetLog() << "[!] Could not parse curve. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    Clear();
    m_postBehavior = LoopModeConstant;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* word = nullptr;
        if (name == "PostBehavior") {
            if (!child->GetValue().GetString(word)) continue;
            bool known = false;
            for (const LoopWord& loop : CurveLoopWords) {
                if (zString(word) == loop.word) {
                    m_postBehavior = loop.mode;
                    known = true;
                }
            }
            if (!known) GetLog() << "[*] Unknown loop mode '" << word << "'.\n";
        } else if (name == "PreBehavior") {
            // Accepted; evaluation has no pre-behaviour.
        } else if (name == "Knot") {
            if (!ParseKnotList(child)) return false;
        } else if (name == "BinaryKnot") {
            ParseBinaryKnots(child);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Curve>.\n";
        }
    }
    return true;
}

bool zCurve::ParseKnotList(const zMetaTag* tag) {
    zLinkedListIterator iterator{};
    const zMetaTag* countTag = tag->GetNextChild(iterator);
    if (!countTag || countTag->GetName() != "Count" || countTag->GetValue().GetType() != VariantInt) {
        GetLog() << "[!] First sub-tag in <Curve> must be the knot <Count> tag.\n";
        return false;
    }
    const i32 count = countTag->GetRawInt();
    // A Count above the keys present would be discarded below anyway; refuse
    // it before allocating, so that a huge Count costs nothing.
    u32 available = 0;
    zLinkedListIterator counting = iterator;
    while (const zMetaTag* child = tag->GetNextChild(counting))
        if (child->GetName() == "Knot" || child->GetName() == "KnotEx") ++available;
    if (count < 0 || u32(count) > available) {
        Clear();
        GetLog() << "[!] <Curve> is corrupted, discarding.\n";
        return false;
    }
    if (!SetKnotCount(u32(count))) return false;

    u32 read = 0;
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const bool plain = name == "Knot";
        if (!plain && name != "KnotEx") {
            GetLog() << "[*] Unsupported knot tag '" << name << "'.\n";
            continue;
        }
        const char* text = nullptr;
        if (!child->GetValue().GetString(text)) {
            GetLog() << (plain ? "[*] Invalid knot tag while parsing curve.\n"
                               : "[*] Invalid extended knot tag while parsing curve.\n");
            continue;
        }
        if (read == u32(count)) {
            if (plain) {
                GetLog() << "[!] Too many knot in <Curve>, " << count << " expected.\n";
            } else {
                GetLog() << "[!] Too many knot in <Knot>, " << count << " specified.\n";
            }
            break;
        }
        zCurvePoint point;
        KeyTextFields fields(text, ':');
        if (plain) {
            point.time = fields.NextFloat(0.0f);
            point.value = fields.NextFloat(0.0f);
        } else {
            constexpr f32 Missing = -1.0f;
            point.time = fields.NextFloat(Missing);
            point.type = RemapTextKind(fields.NextInt(-1));
            f32* numbers[] = {&point.value,      &point.tension,    &point.continuity,  &point.bias,
                              &point.inTangentX, &point.inTangentY, &point.outTangentX, &point.outTangentY};
            for (f32* number : numbers)
                *number = fields.NextFloat(Missing);
        }
        SetKnot(read++, point);
    }
    if (read < u32(count)) {
        Clear();
        GetLog() << "[!] <Curve> is corrupted, discarding.\n";
        return false;
    }
    return true;
}

void zCurve::ParseBinaryKnots(const zMetaTag* tag) {
    zKeyBlock block;
    if (!FindKeyBlock(tag, block)) return;
    // Only whole records inside the block are read; Count alone allocates nothing.
    u32 fitting = 0;
    for (u32 at = 0; block.count > 0 && fitting < u32(block.count) && at + BinaryKnotShortSize <= block.size;
         ++fitting) {
        u32 recordSize = block.data[at] == CurveKindLinear ? BinaryKnotShortSize : BinaryKnotLongSize;
        if (at + recordSize > block.size) break;
        at += recordSize;
    }
    WarnShortKeyBlock("BinaryKnot", fitting, block.count);
    if (!SetKnotCount(fitting)) return;
    const unsigned char* in = block.data;
    for (u32 index = 0; index < fitting; ++index) {
        zCurvePoint point;
        point.type = *in++;
        point.time = ReadFloat(in);
        point.value = ReadFloat(in);
        if (point.type != CurveKindLinear) {
            f32* numbers[] = {&point.tension,    &point.continuity,  &point.bias,       &point.inTangentX,
                              &point.inTangentY, &point.outTangentX, &point.outTangentY};
            for (f32* number : numbers)
                *number = ReadFloat(in);
        }
        SetKnot(index, point);
    }
}

zMetaTag* zCurve::SerializeTag() const {
    zMetaTag* root = new (std::nothrow) zMetaTag("Curve");
    if (!root) {
        GetLog() << "[!] Could not create curve root tag to serialize.\n";
        return nullptr;
    }
    const u32 count = GetKeyCount();
    if (count == 0) return root;
    u64 size = 0;
    for (u32 index = 0; index < count; ++index)
        size +=
            BinaryKindByte(GetKey(index)->type) == CurveKindLinear ? BinaryKnotShortSize : BinaryKnotLongSize;
    auto* block = new (std::nothrow) unsigned char[size];
    zMetaTag* knots = block ? new (std::nothrow) zMetaTag("BinaryKnot") : nullptr;
    if (!knots) {
        delete[] block;
        delete root;
        GetLog() << "[!] Could not create curve root tag to serialize.\n";
        return nullptr;
    }
    unsigned char* out = block;
    for (u32 index = 0; index < count; ++index) {
        const zCurvePoint* point = GetKey(index);
        const unsigned char kind = BinaryKindByte(point->type);
        *out++ = kind;
        AppendFloat(out, point->time);
        AppendFloat(out, point->value);
        if (kind != CurveKindLinear) {
            const f32 numbers[] = {point->tension,    point->continuity, point->bias,
                                   point->inTangentX, point->inTangentY, point->outTangentX,
                                   point->outTangentY};
            for (f32 number : numbers)
                AppendFloat(out, number);
        }
    }
    AttachTag(knots, new (std::nothrow) zMetaTag("Count", i32(count)));
    AttachTag(knots, new (std::nothrow) zMetaTag("Data", block, u32(size)));
    delete[] block;
    AttachTag(root, knots);
    return root;
}
