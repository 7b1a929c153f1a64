// Animation players for the tests. ItemPlayer drives a bare zItem the way a
// managed item does: channels 1..9 are position, rotation and scale x, y, z,
// read and written through the item's setters, and the rotation is the
// quaternion of the item's Euler angles. AnyChannelPlayer accepts every
// channel id and records what it is given.
#pragma once

#include <map>
#include <vector>

#include "core/quaternion.h"
#include "scene/animation.h"
#include "scene/item.h"

struct ItemPlayer : zAnimationPlayer {
    zItem item;
    int setRotationCalls = 0;

    const zVector* Part(i32 channel) {
        if (channel >= 1 && channel <= 3) return item.GetPosition();
        if (channel >= 4 && channel <= 6) return item.GetRotation();
        if (channel >= 7 && channel <= 9) return item.GetScale();
        return nullptr;
    }

    bool GetChannelValue(i32 channel, f32& out) override {
        const zVector* part = Part(channel);
        if (!part) return false;
        const f32 values[3] = {part->x, part->y, part->z};
        out = values[(channel - 1) % 3];
        return true;
    }
    bool SetChannelValue(i32 channel, f32 value) override {
        const zVector* part = Part(channel);
        if (!part) return false;
        zVector changed = *part;
        f32* values[3] = {&changed.x, &changed.y, &changed.z};
        *values[(channel - 1) % 3] = value;
        if (channel <= 3) {
            item.SetPosition(changed);
        } else if (channel <= 6) {
            item.SetRotation(changed);
        } else {
            item.SetScale(changed);
        }
        return true;
    }
    void GetRotation(zQuaternion& out) override {
        const zVector* angles = item.GetRotation();
        out = zQuaternion::FromEuler(angles->x, angles->y, angles->z,
                                     static_cast<int>(item.GetRotationOrder()));
    }
    bool SetRotation(const zQuaternion& rotation) override {
        ++setRotationCalls;
        item.SetRotationQuaternion(rotation);
        return true;
    }
};

struct AnyChannelPlayer : zAnimationPlayer {
    std::map<i32, f32> values;
    std::vector<i32> written;

    bool GetChannelValue(i32 channel, f32& out) override {
        out = values[channel];
        return true;
    }
    bool SetChannelValue(i32 channel, f32 value) override {
        values[channel] = value;
        written.push_back(channel);
        return true;
    }
};
