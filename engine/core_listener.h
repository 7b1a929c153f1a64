// zCoreListener: the one-operation interface through which the engine tells
// objects (scenes, projects, 2D scenes) of resource life. Codes and payloads
// are the engine's: 3 before a loader creates a resource, 4 after, 5 when a
// resource begins to be destroyed, 6 after its renderer or mixer data was
// freed; the payload of 4 to 6 points to a record of the resource's kind.
#pragma once

#include "core/types.h"

class zCoreListener {
  public:
    virtual ~zCoreListener() = default;
    virtual void OnCoreEvent(u32 code, void* payload) = 0;
};
