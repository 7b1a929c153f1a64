// The "Camera" tag on any bytes: the first root of the parsed document goes to
// zCamera::ParseCamera. A camera that reads is placed under a parent and
// asked for everything a frame and a script would ask (projection, frustum,
// screen conversions both ways, the spot-light set-up), so that values from
// the file reach the maths whatever they hold. It is then written, read and
// written again: the second text must equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/camera.h"

namespace {

void Exercise(const zMetaTag* root) {
    zItem parent;
    parent.SetScale(zVector(2.0f, 3.0f, 0.5f));
    zCamera camera;
    if (!camera.ParseCamera(root)) return;
    camera.SetParent(&parent);
    camera.GetProjectionMatrix();
    camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    zFrustum other;
    camera.UpdateFrustum(&other, 1.0f, 10.0f);
    camera.GetViewMatrix();
    zVector screen;
    camera.WorldToScreen(zVector(1.0f, 2.0f, 30.0f), screen, true);
    zVector world;
    camera.ScreenToWorld(world, screen.x, screen.y, 5.0f, -1.0f);
    camera.ScreenToWorld(world, 0.25f, 0.75f, 5.0f, 2.0f);
    camera.SetFov(camera.GetFov());
    camera.SetupFromSpotLight(*camera.GetWorldMatrix(), camera.GetZNear(), camera.GetZFar(), camera.GetZoom(),
                              0.1f);
    camera.GetProjectionMatrix();
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zCamera camera;
    if (!camera.ParseCamera(root)) return std::string();
    return TagText(camera.SerializeCamera(), "a read camera cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "camera");
    return 0;
}
