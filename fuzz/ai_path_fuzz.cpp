// An AI path built from the "Motion" tag on any bytes: the node chain must
// hold the distinct key times of the position channels in ascending order
// (when no key time is NaN); positions and closest points are asked under
// plain, moved, folded and broken matrices, and a closest point that is
// found must be finite under a finite matrix. Chains short enough to walk
// get their query structure, whose buckets hold each node at most once.
// Then the motion is written, read and written again to the same text.
#include <cmath>
#include <set>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/ai_path.h"

namespace {

const f32 Times[] = {0.0f, 0.5f, 1.0f, -3.25f, 7.5f, 1e7f, NAN, -INFINITY};
const zVector Queries[] = {
    {0.0f, 0.0f, 0.0f, 1.0f}, {3.5f, -2.0f, 40.0f, 1.0f}, {1e6f, 1e6f, -1e6f, 1.0f}, {NAN, 0.0f, 0.0f, 1.0f}};
// The summed segment length up to which the query structure is built: the
// walk takes 1000 steps per unit.
constexpr f32 WalkableLength = 2000.0f;

bool IsFinite(const zVector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Whether a position key time is NaN.
bool HasNaNKeyTime(const zMotion& motion) {
    for (i32 id = ChannelPositionX; id <= ChannelPositionZ; ++id) {
        const zMotionChannel* channel = motion.FindChannel(id);
        for (u32 index = 0; channel && index < channel->GetKeyCount(); ++index) {
            if (std::isnan(channel->GetKey(index)->time)) return true;
        }
    }
    return false;
}

void CheckNodes(const zAIPath& path) {
    const zMotion& motion = path.GetMotion();
    if (HasNaNKeyTime(motion)) return;
    std::set<f32> times;
    for (i32 id = ChannelPositionX; id <= ChannelPositionZ; ++id) {
        const zMotionChannel* channel = motion.FindChannel(id);
        for (u32 index = 0; channel && index < channel->GetKeyCount(); ++index)
            times.insert(channel->GetKey(index)->time);
    }
    auto expected = times.begin();
    for (zLinkedListEntry* entry = path.GetNodes().GetHead(); entry; entry = entry->GetNext(), ++expected) {
        if (expected == times.end()) FuzzFail("more nodes than key times");
        // -0 and +0 are one key time.
        if (static_cast<zAIPathNode*>(entry)->time != *expected) FuzzFail("node times are not the key times");
    }
    if (expected != times.end()) FuzzFail("fewer nodes than key times");
}

void CheckBuckets(const zAIPath& path) {
    for (u32 bucket = 0; bucket < AIPathBucketCount; ++bucket) {
        std::set<const zAIPathNode*> nodes;
        for (zLinkedListEntry* entry = path.GetBucket(bucket).GetHead(); entry; entry = entry->GetNext())
            if (!nodes.insert(static_cast<zAINodeLink*>(entry)->node).second)
                FuzzFail("a node twice in a bucket");
    }
}

void Exercise(zAIPath& path) {
    const bool built = path.BuildNodes();
    if (built) CheckNodes(path);
    zMatrix4 folded = zMatrix4::Scale(zVector(0.0f, 0.0f, 0.0f, 1.0f));
    folded.SetRow(3, zVector(5.0f, 6.0f, 7.0f, 1.0f), true);
    zMatrix4 broken;
    broken.SetRow(3, zVector(NAN, 0.0f, 0.0f, 1.0f), true);
    const zMatrix4 matrices[] = {zMatrix4(), zMatrix4::Translation(zVector(10.0f, -4.0f, 2.5f, 1.0f)), folded,
                                 broken};
    bool finiteNodes = true;
    for (zLinkedListEntry* entry = path.GetNodes().GetHead(); entry; entry = entry->GetNext())
        finiteNodes = finiteNodes && IsFinite(static_cast<zAIPathNode*>(entry)->GetPosition()) &&
                      std::fabs(static_cast<zAIPathNode*>(entry)->x) < 1e18f &&
                      std::fabs(static_cast<zAIPathNode*>(entry)->y) < 1e18f &&
                      std::fabs(static_cast<zAIPathNode*>(entry)->z) < 1e18f;
    for (u32 which = 0; which < 4; ++which) {
        *path.GetMatrix() = matrices[which];
        for (f32 time : Times) {
            zVector position;
            path.GetPosition(time, position);
        }
        for (const zVector& query : Queries) {
            zVector point;
            f32 time = 0.0f;
            const bool found = path.GetClosestPoint(query, point, &time);
            if (!found && time != -1.0f) FuzzFail("a failed query left a time");
            // The broken matrix (index 3) measures nothing.
            if (found && which == 3) FuzzFail("a matrix that is not finite found a point");
            // A point found under a finite matrix for a finite query on
            // finite nodes is finite.
            if (found && which < 3 && IsFinite(query) && finiteNodes && !IsFinite(point))
                FuzzFail("a found closest point is not finite");
        }
    }
    *path.GetMatrix() = zMatrix4();
    f32 length = 0.0f;
    for (zLinkedListEntry* entry = path.GetNodes().GetHead(); entry && entry->GetNext();
         entry = entry->GetNext())
        length += zVector::Dist(static_cast<zAIPathNode*>(entry)->GetPosition(),
                                static_cast<zAIPathNode*>(entry->GetNext())->GetPosition());
    if (length <= WalkableLength) {
        path.BuildQueryStructure();
        CheckBuckets(path);
        zVector position(1.0f, 2.0f, 3.0f, 1.0f);
        zAIPath::HashPosition(position);
    }
    path.ClearQueryStructure();
}

std::string ReadAndWrite(const zMetaTag* root, bool firstRead) {
    zAIPath path;
    if (!path.GetMotion().ParseTag(root)) return std::string();
    if (firstRead) Exercise(path);
    return TagText(path.GetMotion().SerializeTag(), "a read path motion cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "AI path motion");
    return 0;
}
