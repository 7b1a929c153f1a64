// zCamera: the item the renderer views the scene from. It builds the
// projection (left-handed, depth in [0, 1], w = view-space z), keeps its own
// view frustum for culling and converts between world positions and screen
// positions ((0, 0) top left to (1, 1) bottom right).
//
// The view matrix is the inverse of the world matrix, whose axes the camera
// normalises after every recomputation, so item scale never reaches the view.
//
// The effective aspect (height / width) is the camera's own aspect when > 0,
// else the renderer's viewport; a viewport of zero size (a renderer with
// nothing to show) falls back to the renderer's output size, then to 1, and
// says so once per camera. It is then multiplied by the renderer's aspect
// ratio setting. Without an engine or a renderer the aspect is 1.
#pragma once

#include "core/frustum.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "render/renderable.h"
#include "scene/item.h"

class zLight;
class zMetaTag;
class zRenderer;

// The registry keys the depth-of-field post-process reads from the camera.
extern const char* const CameraDofFStopKey;
extern const char* const CameraDofFocalDistanceKey;

constexpr f32 CameraDefaultZNear = 0.099999994f;
constexpr f32 CameraDefaultZFar = 50000.0f;
constexpr f32 CameraDefaultZoom = 3.2f;
constexpr f32 CameraMinimumZoom = 0.1f;
// Half a degree and 179.95 degrees.
constexpr f32 CameraMinimumFov = 0.008726647f;
constexpr f32 CameraMaximumFov = 3.14072f;
// A "ZNear" read from a file is never below this.
constexpr f32 CameraMinimumFileZNear = 0.2f;

class zCamera : public zItem, public zRenderViewItem {
  public:
    explicit zCamera(zEngine* engine = nullptr);
    ~zCamera() override;

    // The item's update; when it recomputed the world matrix, the three axis
    // rows are normalised.
    void UpdateMatrices() override;

    // 2 atan(1 / zoom), radians.
    f32 GetFov() const;
    // fov clamped to [CameraMinimumFov, CameraMaximumFov]; zoom = 1 / tan(fov / 2).
    void SetFov(f32 fov);
    // Never below CameraMinimumZoom.
    void SetZoom(f32 zoom);
    f32 GetZoom() const { return m_block.zoom; }
    // Stored as given.
    void SetZNear(f32 zNear) { m_block.zNear = zNear; }
    void SetZFar(f32 zFar) { m_block.zFar = zFar; }
    f32 GetZNear() const { return m_block.zNear; }
    f32 GetZFar() const { return m_block.zFar; }
    // <= 0: from the renderer's viewport.
    void SetAspect(f32 aspect) { m_block.aspect = aspect; }
    f32 GetAspect() const { return m_block.aspect; }
    // True: the zoom fixes the vertical field; false: the horizontal one.
    void SetAspectRefYAxis(bool refY) { m_block.aspectRefYAxis = refY; }
    bool GetAspectRefYAxis() const { return m_block.aspectRefYAxis; }
    void SetOrthographic(bool orthographic) { m_block.orthographic = orthographic; }
    bool IsOrthographic() const { return m_block.orthographic; }
    void SetOrthographicSize(f32 width, f32 height);
    // In parts of the render target.
    void SetViewport(f32 originX, f32 originY, f32 width, f32 height);
    const zFrustum& GetFrustum() const { return m_block.frustum; }

    // Height / width as described above.
    f32 GetEffectiveAspect();

    // zRenderViewItem.
    zMatrix4 GetViewMatrix() override;
    // Element (r, c) at e[4r + c] in the sense of TransformArray: a view-space
    // point (x, y, z, 1) comes out with w = z in perspective.
    zMatrix4 GetProjectionMatrix() override;
    // Null frustum: the camera's own. -1 takes the camera's near or far.
    void UpdateFrustum(zFrustum* frustum, f32 nearDistance, f32 farDistance) override;
    const zCameraBlock& GetCameraBlock() const override { return m_block; }
    const zMatrix4* GetTransformBlock() const override { return &ComputedWorldMatrix(); }
    zRegistry* GetViewRegistry() override { return &GetRegistry(); }
    const zMatrix4* GetPreviousTransformBlock() const override { return GetPreviousWorldPosition(); }

    // False for points on or behind the camera plane. applyViewportAspect
    // divides x (aspect on the Y axis) or y by the viewport's width / height.
    bool WorldToScreen(const zVector& world, zVector& screen, bool applyViewportAspect);
    // The world point at view depth under the screen position. An aspect
    // factor >= 0 multiplies x; a negative one multiplies x (aspect on the Y
    // axis) or y by the viewport's width / height.
    void ScreenToWorld(zVector& world, f32 screenX, f32 screenY, f32 depth, f32 aspectFactor);

    // Places the camera as a spot light's shadow view: aspect 1, the light's
    // world matrix, near = its "ZNear", far = its volume range and zoom =
    // cot(cone + edge), never below CameraMinimumZoom.
    void SetupFromSpotLight(const zMatrix4& lightWorld, f32 lightZNear, f32 volumeRange, f32 coneAngle,
                            f32 edgeAngle);
    // The same from the light's own fields (its matrices brought up to date).
    void SetupFromSpotLight(zLight& light);

    // The "Camera" tag. The item registry's "PostProcess:Dof" is emptied, and
    // "FStop" / "FocalDistance" are stored there once every child is read, so
    // an "Item" child after them cannot drop them.
    bool ParseCamera(const zMetaTag* tag);
    // A new "Camera" tag the caller owns, defaults left out; null on failure.
    zMetaTag* SerializeCamera() const;

  private:
    zRenderer* GetRenderer() const;
    // The viewport's width / height, 1 when it has no size.
    f32 GetViewportRatio() const;

    zCameraBlock m_block;
    bool m_viewportWarned = false;
};
