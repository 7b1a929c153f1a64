#include "scene/animation.h"

#include <new>

#include "core/alloc_category.h"
#include "core/log.h"
#include "markup/meta_tag.h"
#include "scene/motion.h"

// ---- sources ----

void zAnimationSource::SetWeight(f32 weight, f32 fadeTime) {
    if (weight < 0.0f) weight = 0.0f;
    if (fadeTime > 0.0f) {
        m_targetWeight = weight;
        m_weightSpeed = (weight - m_weight) / fadeTime;
    } else {
        m_weight = weight;
        m_targetWeight = weight;
        m_weightSpeed = 0.0f;
    }
}

void zAnimationSource::FadeOut(f32 fadeTime) {
    m_fadingOut = true;
    if (fadeTime > 0.0f) {
        m_targetWeight = 0.0f;
        m_weightSpeed = -m_weight / fadeTime;
    } else {
        m_weight = 0.0f;
        m_targetWeight = 0.0f;
        m_weightSpeed = 0.0f;
    }
}

void zAnimationSource::StepWeightAndClock(f32 dt) {
    if (m_weightSpeed != 0.0f) {
        m_weight += dt * m_weightSpeed;
        if ((m_weightSpeed > 0.0f && m_weight > m_targetWeight) ||
            (m_weightSpeed < 0.0f && m_weight < m_targetWeight)) {
            m_weight = m_targetWeight;
            m_weightSpeed = 0.0f;
        }
    }
    m_clock += dt * m_clockScale;
}

void zAnimationSourceList::SetClock(f32 clock) {
    for (Node* node = GetHead(); node; node = node->next)
        node->value->SetClock(clock);
}

void zAnimationSourceList::SetClockScale(f32 scale) {
    for (Node* node = GetHead(); node; node = node->next)
        node->value->SetClockScale(scale);
}

void zAnimationSourceList::SetWeight(f32 weight, f32 fadeTime) {
    for (Node* node = GetHead(); node; node = node->next)
        node->value->SetWeight(weight, fadeTime);
}

void zAnimationSourceList::SetLoop(f32 start, f32 end) {
    for (Node* node = GetHead(); node; node = node->next)
        node->value->SetLoop(start, end);
}

void zAnimationSourceList::SetLoopMode(i32 mode) {
    for (Node* node = GetHead(); node; node = node->next)
        node->value->SetLoopMode(mode);
}

f32 zAnimationSourceList::GetClock() const {
    return GetHead() ? GetHead()->value->GetClock() : 0.0f;
}

zMotionAnimationSource::zMotionAnimationSource(const zMotion* motion)
    : m_motion(motion), m_loopMode(motion ? motion->GetLoopMode() : LoopModeConstant),
      m_loopStart(CurveRangeFirstKey), m_loopEnd(CurveRangeLastKey) {
    if (motion) {
        motion->GetTimeRange(m_loopStart, m_loopEnd);
        motion->EvaluatePosition(m_loopStart, m_previousPosition, m_loopMode);
        if (motion->HasQuaternionKeys()) {
            motion->EvaluateQuaternion(m_loopStart, m_previousQuaternion, m_loopMode, m_loopStart, m_loopEnd);
        } else {
            motion->EvaluateRotation(m_loopStart, m_previousRotation, m_loopMode);
        }
    }
}

void zMotionAnimationSource::Update(f32 dt) {
    StepWeightAndClock(dt);
}

bool zMotionAnimationSource::IsDone() const {
    if (!m_motion) return true;
    if (m_loopMode == LoopModeRepeat || m_loopMode == LoopModeOscillate || m_loopMode == LoopModeOffsetRepeat)
        return false;
    if (m_clockScale > 0.0f) return m_clock > m_loopEnd;
    return m_clock < m_loopStart;
}

void zMotionAnimationSource::SetLoop(f32 start, f32 end) {
    if (m_rangeLocked) return;
    m_loopStart = start;
    m_loopEnd = end;
}

void zMotionAnimationSource::SetLoopMode(i32 mode) {
    if (m_rangeLocked) return;
    m_loopMode = mode;
}

bool zMotionAnimationSource::EvaluateRotation(zQuaternion& record) {
    if (!m_motion || !m_motion->HasQuaternionKeys()) return false;
    zQuaternion rotation;
    m_motion->EvaluateQuaternion(m_clock, rotation, m_loopMode, m_loopStart, m_loopEnd);
    if (m_relative) {
        zQuaternion change = zQuaternion::Multiply(rotation, m_previousQuaternion.Inverse());
        record = zQuaternion::Multiply(change, record);
    } else {
        record = rotation;
    }
    m_previousQuaternion = rotation;
    return true;
}

void zMotionAnimationSource::Apply(zAnimationPlayer& player) {
    if (!m_motion) return;
    const bool quaternionRotation = m_motion->HasQuaternionKeys();
    f32* channelWeights = player.GetChannelWeights();
    for (const zMotionChannel* channel = m_motion->FirstChannel(); channel;
         channel = zMotion::NextChannel(channel)) {
        const i32 id = channel->channelId;
        if (channel->GetKeyCount() == 0) continue;
        const bool rotationChannel = id >= ChannelRotationX && id <= ChannelRotationZ;
        if (quaternionRotation && rotationChannel) continue;

        f32 value = 0.0f;
        channel->Evaluate(m_clock, value, m_loopMode, m_loopStart, m_loopEnd);
        if (m_relative && id >= ChannelPositionX && id <= ChannelRotationZ) {
            f32 current = 0.0f;
            if (player.GetChannelValue(id, current)) {
                f32& previous = rotationChannel ? m_previousRotation[id - ChannelRotationX]
                                                : m_previousPosition[id - ChannelPositionX];
                const f32 raw = value;
                value = current + value - previous;
                previous = raw;
            }
        }
        // Script-made channels may carry any id: only those inside the weight
        // table can be blended.
        if (m_weight == 0.0f || !channelWeights || id < 0 || id >= static_cast<i32>(ChannelWeightCount))
            continue;
        f32 current = 0.0f;
        if (!player.GetChannelValue(id, current)) continue;
        const f32 accumulated = channelWeights[id];
        const f32 total = accumulated + m_weight;
        if (total == 0.0f) continue;
        player.SetChannelValue(id, (value * m_weight + current * accumulated) / total);
        channelWeights[id] += m_weight;
    }
}

// ---- player ----

zAnimationPlayer::~zAnimationPlayer() {
    Stop();
}

bool zAnimationPlayer::GetChannelValue(i32, f32&) {
    return false;
}

bool zAnimationPlayer::SetChannelValue(i32, f32) {
    return false;
}

void zAnimationPlayer::GetRotation(zQuaternion& out) {
    out = zQuaternion();
}

bool zAnimationPlayer::SetRotation(const zQuaternion&) {
    return false;
}

bool zAnimationPlayer::AddMotion(std::unique_ptr<zMotion> motion) {
    if (!motion) return false;
    try {
        m_motions.push_back(std::move(motion));
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Could not add motion to the animation player.\n";
        return false;
    }
    return true;
}

std::unique_ptr<zMotion> zAnimationPlayer::RemoveMotion(const zMotion* motion) {
    for (auto it = m_motions.begin(); it != m_motions.end(); ++it) {
        if (it->get() != motion) continue;
        std::unique_ptr<zMotion> removed = std::move(*it);
        m_motions.erase(it);
        return removed;
    }
    return nullptr;
}

zMotion* zAnimationPlayer::FindMotion(const char* name) const {
    if (!name) return nullptr;
    for (const auto& motion : m_motions)
        if (motion->GetName() == name) return motion.get();
    return nullptr;
}

zSharedPtr<zAnimationSource> zAnimationPlayer::SetMotion(const zMotion* motion,
                                                         zAnimationSourceList* ownerList, f32 fadeTime,
                                                         bool keepOthers, f32 weight) {
    zSharedPtr<zAnimationSource> source(new (std::nothrow) zMotionAnimationSource(motion));
    if (!source) {
        GetLog() << "[!] Could not allocate animation source.\n";
        return zSharedPtr<zAnimationSource>();
    }
    // Registered here rather than by the new source itself, so that a failed
    // registration cannot drop the last reference inside its constructor.
    if (ownerList) ownerList->Add(source, true, false);
    if (!AddSource(source, fadeTime, keepOthers, weight)) return zSharedPtr<zAnimationSource>();
    return source;
}

bool zAnimationPlayer::AddSource(const zSharedPtr<zAnimationSource>& source, f32 fadeTime, bool keepOthers,
                                 f32 weight) {
    if (!source) return false;
    if (!keepOthers) FadeOutAll(fadeTime);
    source->SetWeight(weight > 0.0f ? weight : 0.0f, fadeTime);
    if (!m_sources.Add(source)) return false;
    OnSourceAdded();
    return true;
}

void zAnimationPlayer::FadeOutAll(f32 fadeTime) {
    for (auto* node = m_sources.GetHead(); node; node = node->next)
        node->value->FadeOut(fadeTime);
}

zAnimationSource* zAnimationPlayer::GetSource(u32 index) const {
    auto* node = m_sources.GetNodeAt(index);
    return node ? node->value.Get() : nullptr;
}

bool zAnimationPlayer::IsDone() const {
    for (auto* node = m_sources.GetHead(); node; node = node->next)
        if (!node->value->IsDone()) return false;
    return true;
}

void zAnimationPlayer::Stop() {
    m_sources.Clear();
}

bool zAnimationPlayer::StopSource(u32 index) {
    auto* node = m_sources.GetNodeAt(index);
    if (!node) return false;
    delete m_sources.RemoveNode(node);
    return true;
}

zSharedPtr<zAnimationSource> zAnimationPlayer::SetSlotMotion(u32 slot, const zMotion* motion, f32 clock,
                                                             f32 fadeTime, f32 weight, f32 clockScale) {
    zSharedPtr<zAnimationSource> source(new (std::nothrow) zMotionAnimationSource(motion));
    if (!source) {
        GetLog() << "[!] Could not allocate animation source.\n";
        return zSharedPtr<zAnimationSource>();
    }
    source->SetClock(clock);
    source->SetClockScale(clockScale);
    source->SetWeight(weight > 0.0f ? weight : 0.0f, fadeTime);
    if (auto* node = m_sources.GetNodeAt(slot)) {
        node->value = source;
        return source;
    }
    if (!m_sources.Add(source)) return zSharedPtr<zAnimationSource>();
    OnSourceAdded();
    return source;
}

void zAnimationPlayer::UpdateAnimation(f32 dt) {
    // Without a source nothing is evaluated or applied.
    if (!m_sources.GetHead() || m_paused) return;
    dt *= m_clockScale;
    f32 channelWeights[ChannelWeightCount] = {};
    m_channelWeights = channelWeights;

    for (auto* node = m_sources.GetHead(); node;) {
        auto* next = node->next;
        zAnimationSource* source = node->value.Get();
        source->Update(dt);
        if (source->IsFadingOut() && source->GetWeight() == 0.0f) delete m_sources.RemoveNode(node);
        node = next;
    }

    zQuaternion record;
    GetRotation(record);
    zQuaternion blended;
    f32 accumulated = 0.0f;
    for (auto* node = m_sources.GetHead(); node; node = node->next) {
        zAnimationSource* source = node->value.Get();
        const f32 weight = source->GetWeight();
        if (weight < RotationWeightThreshold || !source->EvaluateRotation(record)) continue;
        if (accumulated <= RotationWeightThreshold) {
            blended = record;
        } else {
            blended = zQuaternion::Slerp(accumulated / (accumulated + weight), record, blended);
        }
        accumulated += weight;
    }
    if (accumulated > 0.0f) SetRotation(blended);

    for (auto* node = m_sources.GetHead(); node; node = node->next)
        if (node->value->GetWeight() != 0.0f) node->value->Apply(*this);

    m_channelWeights = nullptr;
}

bool zAnimationPlayer::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "MotionPlayer") {
        GetLog() << "[!] Could not parse motion player. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() == "Motions") {
            zLinkedListIterator motionIterator;
            while (const zMetaTag* entry = child->GetNextChild(motionIterator)) {
                if (entry->GetName() != "Motion") {
                    GetLog() << "[*] Unknown tag '" << entry->GetName() << "' in <Motions>.\n";
                    continue;
                }
                std::unique_ptr<zMotion> motion;
                {
                    zScopedAllocCategory category(AllocCategoryScene);
                    motion.reset(new (std::nothrow) zMotion("NewMotion"));
                }
                if (!motion) {
                    GetLog() << "[!] Could not allocate motion.\n";
                    continue;
                }
                // A motion that reads only in part is still kept, as far as it was read.
                motion->ParseTag(entry);
                AddMotion(std::move(motion));
            }
        } else if (child->GetName() != "Flag") {
            GetLog() << "[*] Unknown tag '" << child->GetName() << "' in <MotionPlayer>.\n";
        }
    }
    return true;
}

zMetaTag* zAnimationPlayer::SerializeTag() const {
    if (m_motions.empty()) return nullptr;
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("MotionPlayer"));
    zMetaTag* motions = root ? new (std::nothrow) zMetaTag("Motions") : nullptr;
    if (!motions || !root->AddChild(motions)) {
        delete motions;
        GetLog() << "[!] Could not create managed root tag to serialize.\n";
        return nullptr;
    }
    for (const auto& motion : m_motions) {
        zMetaTag* written = motion->SerializeTag();
        if (written && !motions->AddChild(written)) delete written;
    }
    return root.release();
}
