// zMCamera: the managed camera (kind 1), a camera the scene can render
// through. Its per-frame update rebuilds the camera's own frustum at its own
// near and far planes. Destroying it runs the managed teardown first, then
// the camera and item parts.
#pragma once

#include "scene/camera.h"
#include "scene/managed_item.h"

class zMetafile;
class zMetaTag;

class zMCamera : public zMItem, public zCamera {
  public:
    explicit zMCamera(zScene* scene);
    ~zMCamera() override;
    bool HoldsItems() const override { return false; }

    void Update() override;
    // Scene events 13 and 14 around the re-link.
    void SetParent(zItem* parent) override;

    // The "MCamera" tag: "MItem" and "Camera" children.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;
};
