// Resource life events sent to the engine's core listeners, and the record
// that goes with codes 4 to 6: five pointers of which only the one of the
// resource's own kind is set.
#pragma once

#include "core/types.h"

class zGeometry;
class zTexture;
class zSound;
class zPicture;
class zParticleModel;

enum : u32 {
    ResourceEventCreateBegin = 3,  // before a loader creates a resource; no payload
    ResourceEventCreated = 4,      // after a loader created it
    ResourceEventDestroyBegin = 5, // a geometry, texture or sound begins to be destroyed
    ResourceEventDestroyed = 6,    // its renderer or mixer data was freed
};

struct zResourceEventRecord {
    zGeometry* geometry = nullptr;
    zTexture* texture = nullptr;
    zSound* sound = nullptr;
    zPicture* picture = nullptr;
    zParticleModel* particleModel = nullptr;
};
