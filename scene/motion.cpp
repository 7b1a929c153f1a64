#include "scene/motion.h"

#include <cstring>
#include <new>

#include "core/alloc_category.h"
#include "core/log.h"
#include "markup/meta_tag.h"
#include "render/key_text.h"

namespace {

const char* const ChannelWords[MotionChannelIdLast] = {
    "PositionX", "PositionY", "PositionZ", "RotationX", "RotationY", "RotationZ", "ScaleX",   "ScaleY",
    "ScaleZ",    "PivotX",    "PivotY",    "PivotZ",    "DiffuseR",  "DiffuseG",  "DiffuseB", "SpecularR",
    "SpecularG", "SpecularB", "DiffuseI",  "SpecularI", "ConeAngle", "EdgeAngle", "Alpha",    "Zoom",
    "Range",     "FogStart",  "FogEnd",    "FogR",      "FogG",      "FogB",
};

// Motion loop words; Constant is the default and not written.
struct MotionLoopWord {
    const char* word;
    i32 mode;
};
const MotionLoopWord MotionLoopWords[] = {
    {"Repeat", LoopModeRepeat},
    {"Reset", LoopModeReset},
    {"Oscillate", LoopModeOscillate},
    {"OffsetAndRepeat", LoopModeOffsetRepeat},
};

constexpr u32 QuaternionKeySize = 5 * 4;
constexpr u32 QuaternionKeyCapacity = 16;

const char* NameOf(const zMetaTag* tag) {
    return tag ? tag->GetName().CStr() : "";
}

// "time:x,y,z,w"; false when a ':' or ',' is missing.
bool ParseQuaternionKeyText(const char* text, f32& time, zQuaternion& rotation) {
    const char* colon = std::strchr(text, ':');
    if (!colon) return false;
    time = ParseKeyFloat(text, colon);
    f32* components[] = {&rotation.x, &rotation.y, &rotation.z, &rotation.w};
    const char* begin = colon + 1;
    for (int index = 0; index < 4; ++index) {
        const char* end = index < 3 ? std::strchr(begin, ',') : begin + std::strlen(begin);
        if (!end) return false;
        *components[index] = ParseKeyFloat(begin, end);
        begin = end + 1;
    }
    return true;
}

} // namespace

const char* GetMotionChannelWord(i32 id) {
    return id >= 1 && id <= MotionChannelIdLast ? ChannelWords[id - 1] : nullptr;
}

i32 FindMotionChannelId(const char* word) {
    if (!word) return 0;
    for (i32 id = 1; id <= MotionChannelIdLast; ++id)
        if (std::strcmp(ChannelWords[id - 1], word) == 0) return id;
    return 0;
}

// ---- zMotionChannel

u32 zMotionChannel::GetMemorySize() const {
    return 84 + 44 * GetKeyCount();
}

bool zMotionChannel::ParseChannelTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Channel") {
        GetLog() << "[!] Could not parse motion channel. Root tag id is incorrect (" << NameOf(tag) << ").\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* word = nullptr;
        if (name == "Curve") {
            ParseTag(child);
        } else if (name == "Id") {
            if (!child->GetValue().GetString(word)) continue;
            i32 id = FindMotionChannelId(word);
            if (id) {
                channelId = id;
            } else {
                GetLog() << "[*] Unknown channel id '" << word << "'.\n";
            }
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Channel>.\n";
        }
    }
    return true;
}

zMetaTag* zMotionChannel::SerializeChannelTag() const {
    zMetaTag* root = new (std::nothrow) zMetaTag("Channel");
    if (!root) {
        GetLog() << "[!] Could not create channel root tag to serialize.\n";
        return nullptr;
    }
    AttachTag(root, SerializeTag());
    if (const char* word = GetMotionChannelWord(channelId)) {
        AttachTag(root, new (std::nothrow) zMetaTag("Id", word));
    } else {
        GetLog() << "[*] Unknown motion channel type (" << channelId << ").\n";
    }
    return root;
}

// ---- zQuaternionTrack

zQuaternionTrack::zQuaternionTrack() : m_keys(QuaternionKeyCapacity) {}

zQuaternionTrack::~zQuaternionTrack() = default;

bool zQuaternionTrack::AddKey(f32 time, const zQuaternion& rotation) {
    auto* key = new (std::nothrow) zQuaternionKey();
    if (!key) return false;
    key->time = time;
    key->rotation = rotation;
    if (!m_keys.Add(key, true)) {
        delete key;
        return false;
    }
    return true;
}

void zQuaternionTrack::Clear() {
    m_keys.Clear(true);
    m_keys.Reserve(QuaternionKeyCapacity);
    m_cacheIndex = -1;
}

void zQuaternionTrack::Evaluate(f32 time, zQuaternion& out, i32 loopMode, f32 rangeStart,
                                f32 rangeEnd) const {
    const u32 count = GetKeyCount();
    if (count == 0) return;
    const zQuaternionKey* first = GetKey(0);
    const zQuaternionKey* last = GetKey(count - 1);
    f32 start;
    f32 end;
    ResolveCurveRange(first->time, last->time, rangeStart, rangeEnd, start, end);
    // No offset applies to rotations: OffsetAndRepeat wraps like Repeat.
    f32 periods;
    if (!MapLoopTime(time, loopMode, start, end, periods)) {
        out = zQuaternion();
        return;
    }
    // NaN too, so that the segment search below always has a segment.
    if (!(time > first->time)) {
        out = first->rotation;
        return;
    }
    if (time >= last->time) {
        out = last->rotation;
        return;
    }
    auto timeAt = [this](u32 index) { return GetKey(index)->time; };
    const u32 segment = FindKeySegment(m_cacheIndex, count, timeAt, time);
    const zQuaternionKey* k0 = GetKey(segment);
    const zQuaternionKey* k1 = GetKey(segment + 1);
    const f32 u = (time - k0->time) / (k1->time - k0->time);
    out = zQuaternion::Slerp(u, k0->rotation, k1->rotation);
}

bool zQuaternionTrack::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "QChannel") {
        GetLog() << "[!] Could not parse motion quaternion channel. Root tag id is incorrect (" << NameOf(tag)
                 << ").\n";
        return false;
    }
    Clear();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "BinaryKeys") {
            ParseBinaryKeys(child);
            continue;
        }
        if (name != "Keys") {
            GetLog() << "[*] Unknown tag '" << name << "' in <QChannel>.\n";
            continue;
        }
        zLinkedListIterator keys{};
        while (const zMetaTag* key = child->GetNextChild(keys)) {
            if (key->GetName() != "Key") continue;
            const char* text = nullptr;
            if (!key->GetValue().GetString(text)) {
                GetLog() << "[*] Invalid key tag while parsing quaternion channel.\n";
                continue;
            }
            f32 time = 0.0f;
            zQuaternion rotation;
            if (!ParseQuaternionKeyText(text, time, rotation)) {
                GetLog() << "[*] Mangled keyframe tag while parsing quaternion channel.\n";
                return false;
            }
            if (!AddKey(time, rotation)) return false;
        }
    }
    return true;
}

void zQuaternionTrack::ParseBinaryKeys(const zMetaTag* tag) {
    zKeyBlock block;
    if (!FindKeyBlock(tag, block)) return;
    // Only whole records inside the block are read.
    const u32 fitting = block.size / QuaternionKeySize;
    const u32 reading = block.count <= 0 ? 0 : u32(block.count) < fitting ? u32(block.count) : fitting;
    WarnShortKeyBlock("BinaryKeys", reading, block.count);
    for (u32 index = 0; index < reading; ++index) {
        f32 numbers[5];
        std::memcpy(numbers, block.data + index * QuaternionKeySize,
                    QuaternionKeySize); // little-endian hosts
        if (!AddKey(numbers[0], zQuaternion(numbers[1], numbers[2], numbers[3], numbers[4]))) return;
    }
}

zMetaTag* zQuaternionTrack::SerializeTag() const {
    zMetaTag* root = new (std::nothrow) zMetaTag("QChannel");
    zMetaTag* binary = root ? new (std::nothrow) zMetaTag("BinaryKeys") : nullptr;
    const u32 count = GetKeyCount();
    const u32 size = count * QuaternionKeySize;
    auto* block = new (std::nothrow) unsigned char[size ? size : 1];
    if (!root || !binary || !block) {
        delete[] block;
        delete binary;
        delete root;
        GetLog() << "[!] Could not create quaternion channel root tag to serialize.\n";
        return nullptr;
    }
    for (u32 index = 0; index < count; ++index) {
        const zQuaternionKey* key = GetKey(index);
        const f32 numbers[5] = {key->time, key->rotation.x, key->rotation.y, key->rotation.z,
                                key->rotation.w};
        std::memcpy(block + index * QuaternionKeySize, numbers, QuaternionKeySize);
    }
    AttachTag(binary, new (std::nothrow) zMetaTag("Count", i32(count)));
    AttachTag(binary, new (std::nothrow) zMetaTag("Data", block, size));
    delete[] block;
    AttachTag(root, binary);
    return root;
}

// ---- zMotion

zMotion::zMotion(const char* name) : m_name(name) {}

zMotion::~zMotion() = default;

zMotionChannel* zMotion::AddChannel(i32 id) {
    zScopedAllocCategory category(AllocCategoryScene);
    auto* channel = new (std::nothrow) zMotionChannel(id);
    if (!channel) {
        GetLog() << "[!] Could not allocate channel.\n";
        return nullptr;
    }
    m_channels.Add(channel);
    return channel;
}

bool zMotion::AddChannels(u32 count) {
    for (u32 index = 0; index < count; ++index)
        if (!AddChannel(0)) return false;
    return true;
}

zMotionChannel* zMotion::FirstChannel() const {
    return static_cast<zMotionChannel*>(m_channels.GetHead());
}

zMotionChannel* zMotion::NextChannel(const zMotionChannel* channel) {
    return static_cast<zMotionChannel*>(channel->GetNext());
}

zMotionChannel* zMotion::FindChannel(i32 id) const {
    for (zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel))
        if (channel->channelId == id) return channel;
    return nullptr;
}

zMotionChannel* zMotion::GetChannel(u32 index) const {
    zLinkedListEntry* entry = m_channels.GetHead();
    for (; entry && index > 0; --index)
        entry = entry->GetNext();
    return static_cast<zMotionChannel*>(entry);
}

void zMotion::GetChannels(zMotionChannel* position[3], zMotionChannel* rotation[3],
                          zMotionChannel* scale[3]) const {
    zMotionChannel** groups[] = {position, rotation, scale};
    for (i32 group = 0; group < 3; ++group) {
        if (!groups[group]) continue;
        for (i32 axis = 0; axis < 3; ++axis)
            groups[group][axis] = FindChannel(ChannelPositionX + group * 3 + axis);
    }
}

f32 zMotion::GetLength() const {
    f32 length = 0.0f;
    bool first = true;
    for (const zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel)) {
        f32 end = channel->GetEndTime();
        if (first || end > length) length = end;
        first = false;
    }
    return length;
}

bool zMotion::GetTimeRange(f32& start, f32& end) const {
    if (GetChannelCount() == 0) return false;
    for (const zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel)) {
        f32 first;
        f32 last;
        channel->GetTimeRange(first, last);
        if (channel == FirstChannel() || first < start) start = first;
        if (channel == FirstChannel() || last > end) end = last;
    }
    return true;
}

bool zMotion::HasQuaternionKeys() const {
    return m_useQuaternion && m_rotationKeys.GetKeyCount() > 0;
}

void zMotion::EvaluateTriple(i32 firstId, f32 time, f32 out[3], i32 loopMode) const {
    for (i32 axis = 0; axis < 3; ++axis)
        if (const zMotionChannel* channel = FindChannel(firstId + axis))
            channel->Evaluate(time, out[axis], loopMode);
}

void zMotion::EvaluatePosition(f32 time, f32 out[3], i32 loopMode) const {
    EvaluateTriple(ChannelPositionX, time, out, loopMode);
}

void zMotion::EvaluateRotation(f32 time, f32 out[3], i32 loopMode) const {
    EvaluateTriple(ChannelRotationX, time, out, loopMode);
}

void zMotion::EvaluateQuaternion(f32 time, zQuaternion& out, i32 loopMode, f32 rangeStart,
                                 f32 rangeEnd) const {
    m_rotationKeys.Evaluate(time, out, loopMode, rangeStart, rangeEnd);
}

u32 zMotion::GetMemorySize() const {
    u32 size = 92 + 20 * m_rotationKeys.GetKeyCount();
    for (const zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel))
        size += channel->GetMemorySize();
    return size;
}

u32 zMotion::Reduce(f32 tolerance) {
    zScopedAllocCategory category(AllocCategoryScene);
    u32 total = 0;
    for (zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel)) {
        while (u32 removed = channel->Reduce(tolerance))
            total += removed;
    }
    return total;
}

bool zMotion::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Motion") {
        GetLog() << "[!] Could not parse motion, root tag id is incorrect (" << NameOf(tag) << ").\n";
        return false;
    }
    m_loopMode = LoopModeConstant;
    bool loopModeGiven = false;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        if (name == "Id") {
            if (child->GetValue().GetString(text)) m_name = text;
        } else if (name == "UseQuaternion") {
            bool use = false;
            if (child->GetValue().GetBool(use)) m_useQuaternion = use;
        } else if (name == "QChannel") {
            m_rotationKeys.ParseTag(child);
        } else if (name == "LoopMode") {
            if (!child->GetValue().GetString(text)) continue;
            for (const MotionLoopWord& loop : MotionLoopWords)
                if (zString(text) == loop.word) m_loopMode = loop.mode;
            loopModeGiven = true;
        } else if (name == "Channel") {
            if (zMotionChannel* channel = AddChannel(0)) channel->ParseChannelTag(child);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Motion>.\n";
        }
    }
    if (!loopModeGiven) {
        for (const zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel)) {
            i32 behavior = channel->GetPostBehavior();
            if (behavior != LoopModeConstant) {
                m_loopMode = behavior;
                break;
            }
        }
    }
    return true;
}

zMetaTag* zMotion::SerializeTag() const {
    zMetaTag* root = new (std::nothrow) zMetaTag("Motion");
    if (!root) {
        GetLog() << "[!] Could not create managed root tag to serialize.\n";
        return nullptr;
    }
    AttachTag(root, new (std::nothrow) zMetaTag("Id", m_name.CStr() ? m_name.CStr() : ""));
    for (const MotionLoopWord& loop : MotionLoopWords)
        if (m_loopMode == loop.mode) AttachTag(root, new (std::nothrow) zMetaTag("LoopMode", loop.word));
    AttachTag(root, new (std::nothrow) zMetaTag("UseQuaternion", m_useQuaternion));
    AttachTag(root, m_rotationKeys.SerializeTag());
    for (const zMotionChannel* channel = FirstChannel(); channel; channel = NextChannel(channel))
        AttachTag(root, channel->SerializeChannelTag());
    return root;
}
