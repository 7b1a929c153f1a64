// The scene's diagnostics: wireframe markers through the renderer's debug
// lines (Debug), the item lists and the geometry audit in the log, the debug
// geometries and the item labels drawn from screen-space triangles.
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "core/bounds.h"
#include "core/log.h"
#include "core/matrix.h"
#include "engine/engine.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/render_font.h"
#include "render/renderer.h"
#include "scene/camera.h"
#include "scene/item.h"
#include "scene/light.h"
#include "scene/managed_constraint.h"
#include "scene/object.h"
#include "scene/scene.h"

namespace {

const f32 HighlightColor[4] = {1.0f, 0.65f, 0.16f, 1.0f};
const f32 PlainColor[4] = {0.72f, 0.72f, 0.72f, 1.0f};
const f32 MarkerDefaultColor[4] = {0.75f, 0.75f, 0.75f, 1.0f};
const f32 BracketColor[4] = {0.8f, 0.8f, 0.8f, 0.75f};
const f32 ActiveTriggerColor[4] = {0.0f, 1.0f, 0.0f, 1.0f};
const f32 InactiveTriggerColor[4] = {1.0f, 0.0f, 0.0f, 1.0f};
const f32 LabelColor[4] = {0.5f, 0.5f, 0.5f, 0.7f};

constexpr f32 MarkerSize = 0.05f; // times visualisationScale
constexpr f32 ConstraintPivotSize = 0.19999999f;
constexpr f32 BracketReach = 0.2f;           // of an edge, from each end
constexpr f32 LabelRaise = 0.05f;            // screen units
constexpr f32 LabelReferenceHeight = 290.0f; // pixels for a text size of 1
constexpr f32 LabelBoxHeight = 0.075f;
constexpr u32 CapsuleEndSteps = 16;
constexpr f32 CapsuleEndAngle = 0.19634955f; // pi / 16

// The unit cube's corners and its twelve edges.
const zVector UnitCorners[8] = {
    {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f},
    {-0.5f, -0.5f, 0.5f},  {0.5f, -0.5f, 0.5f},  {0.5f, 0.5f, 0.5f},  {-0.5f, 0.5f, 0.5f},
};
const u8 CubeEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                             {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// Membership in a list of items given to Debug: the pointers sorted once, so
// each question is a binary search. Without memory for the copy it walks
// the list.
class ItemSet {
  public:
    explicit ItemSet(const zList<zMItem*>* list) : m_list(list) {
        if (!list || list->GetCount() == 0) return;
        m_sorted.reset(new (std::nothrow) const zMItem*[list->GetCount()]);
        if (!m_sorted) return;
        for (auto* node = list->GetHead(); node; node = node->next)
            m_sorted[m_count++] = node->value;
        std::sort(m_sorted.get(), m_sorted.get() + m_count);
    }
    bool IsGiven() const { return m_list != nullptr; }
    bool Contains(const zMItem* item) const {
        if (!m_list) return false;
        if (m_sorted) return std::binary_search(m_sorted.get(), m_sorted.get() + m_count, item);
        return m_list->Find(const_cast<zMItem*>(item)) != nullptr;
    }

  private:
    const zList<zMItem*>* m_list;
    std::unique_ptr<const zMItem*[]> m_sorted;
    u32 m_count = 0;
};

zGeometry* GeometryOf(zMItem* item) {
    auto* object = dynamic_cast<zObject*>(item);
    return object ? object->GetGeometry() : nullptr;
}

// The bone from the parent to item as six points and twelve lines.
void DrawBone(zRenderer* renderer, zItem& item, zItem& parent, const f32* color) {
    const f32 boneColor[4] = {color[0], color[1], color[2], 0.5f};
    const zMatrix4 parentWorld = *parent.GetWorldMatrix();
    const zVector from = parentWorld.GetRow(3, true);
    const zVector to = item.GetWorldMatrix()->GetRow(3, true);
    const zVector direction = to.Sub(from);
    const f32 length = direction.Length();
    const zVector up = parentWorld.GetRow(1, true);
    zMatrix4 frame = zMatrix4::FromMatrix3(zMatrix3::FromDirection(direction, &up));
    frame.SetRow(3, from, true);
    const f32 side = 0.1f * length;
    const f32 ring = 0.2f * length;
    const zVector local[6] = {{0.0f, 0.0f, 0.0f},  {-side, side, ring},  {side, side, ring},
                              {side, -side, ring}, {-side, -side, ring}, {0.0f, 0.0f, length}};
    zVector points[6];
    for (int index = 0; index < 6; ++index)
        points[index] = local[index].ApplyMatrix(frame);
    for (int index = 1; index <= 4; ++index)
        renderer->DrawLine(points[0], points[index], boneColor);
    for (int index = 1; index <= 4; ++index)
        renderer->DrawLine(points[index], points[5], boneColor);
    for (int index = 1; index <= 4; ++index)
        renderer->DrawLine(points[index], points[index % 4 + 1], boneColor);
}

// An item's marker: a cross at its unpivoted position (with the object's
// bounds under SceneDebugBounds), or for a bone with a parent the bone shape
// under SceneDebugBones. Null colour: the marker default.
void DrawMarker(const zScene& scene, zRenderer* renderer, zMItem& managed, const f32* color, u32 mode) {
    zItem* item = managed.GetItem();
    if (!item) return;
    if (!color) color = MarkerDefaultColor;
    zItem* parent = item->GetParent();
    if ((item->GetFlags() & ItemIsBone) && parent) {
        if (mode & SceneDebugBones) DrawBone(renderer, *item, *parent, color);
        return;
    }
    zMatrix4 unpivoted;
    item->GetWorldMatrixWithoutPivot(unpivoted);
    DrawCross(renderer, unpivoted.GetRow(3, true), scene.visualisationScale * MarkerSize, color);
    if (managed.GetKind() == ManagedKindObject && (mode & SceneDebugBounds)) {
        zMinMax bounds;
        item->GetBounds(bounds);
        zOrientedBox box = OrientedBoxFromMinMax(bounds);
        box.Transform(*item->GetWorldMatrix());
        DrawBox(renderer, box);
    }
}

// Each edge of the box as two strokes reaching in from its ends.
void DrawBrackets(zRenderer* renderer, const zOrientedBox& box) {
    zVector corners[8];
    zMatrix4::ComposeFromMatrix3(box.center, box.rotation, box.size, zVector(0.0f, 0.0f, 0.0f))
        .TransformPoints(corners, UnitCorners, 8);
    for (const auto& edge : CubeEdges) {
        const zVector& a = corners[edge[0]];
        const zVector& b = corners[edge[1]];
        renderer->DrawLine(a, a.Add(b.Sub(a).MulReal(BracketReach)), BracketColor);
        renderer->DrawLine(b, b.Add(a.Sub(b).MulReal(BracketReach)), BracketColor);
    }
}

// The world position of a constraint pivot: its translation through the
// world matrix of the item owning the physics item; false without one.
bool PivotPosition(const zPhysicItem* physics, const zMatrix4& pivot, zVector& out) {
    zMItem* owner = physics ? physics->GetOwner() : nullptr;
    zItem* item = owner ? owner->GetItem() : nullptr;
    if (!item) return false;
    out = pivot.GetRow(3, true).ApplyMatrix(*item->GetWorldMatrix());
    return true;
}

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

} // namespace

void zScene::Debug(zRenderer* renderer, const zList<zMItem*>* highlight, const zList<zMItem*>* exclusion,
                   u32 mode) {
    if (!renderer) return;
    const ItemSet highlighted(highlight);
    const ItemSet excluded(exclusion);

    for (auto* node = m_kindLists[ManagedKindLight].GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        if (excluded.Contains(item)) continue;
        DrawMarker(*this, renderer, *item, nullptr, mode);
        auto* light = dynamic_cast<zLight*>(item);
        if (!light) continue;
        u32 slot = SceneDebugGeometryCount;
        if (light->type == LightTypePoint) slot = SceneDebugGeometryPointLight;
        if (light->type == LightTypeSpot) slot = SceneDebugGeometrySpotLight;
        if (light->type == LightTypeParallel) slot = SceneDebugGeometryParallelLight;
        if (slot == SceneDebugGeometryCount) continue;
        DrawDebugGeometry(renderer, m_debugGeometries[slot].Get(), *light->GetWorldMatrix(),
                          highlighted.Contains(item) ? HighlightColor : PlainColor);
    }
    for (auto* node = m_kindLists[ManagedKindObject].GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        if (excluded.Contains(item)) continue;
        if (!highlighted.IsGiven() || highlighted.Contains(item))
            DrawMarker(*this, renderer, *item, HighlightColor, mode);
        else if (!GeometryOf(item))
            DrawMarker(*this, renderer, *item, PlainColor, mode);
    }
    for (auto* node = m_kindLists[ManagedKindCamera].GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        if (excluded.Contains(item)) continue;
        DrawMarker(*this, renderer, *item, nullptr, mode);
        if (zItem* camera = item->GetItem())
            DrawDebugGeometry(
                renderer, m_debugGeometries[SceneDebugGeometryCamera].Get(), *camera->GetWorldMatrix(),
                !highlighted.IsGiven() || highlighted.Contains(item) ? HighlightColor : PlainColor);
    }
    for (auto* node = m_kindLists[ManagedKindTrigger].GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        zItem* trigger = item->GetItem();
        if (excluded.Contains(item) || !trigger) continue;
        const zMatrix4 world = *trigger->GetWorldMatrix();
        const zVector center = world.GetRow(3, true);
        const zVector size = *trigger->GetScale();
        const zMatrix3 rotation = *trigger->GetRotationMatrix();
        DrawBox(renderer, zOrientedBox(&center, &size, &rotation),
                item->IsActive() ? ActiveTriggerColor : InactiveTriggerColor);
        // The geometry turns towards the trigger from the world origin.
        const zVector up = world.GetRow(1, true);
        DrawDebugGeometry(renderer, m_debugGeometries[SceneDebugGeometryTrigger].Get(),
                          zMatrix4::FromMatrix3(zMatrix3::FromDirection(center, &up)),
                          !highlighted.IsGiven() || highlighted.Contains(item) ? HighlightColor : PlainColor);
    }
    for (auto* node = highlight ? highlight->GetHead() : nullptr; node; node = node->next) {
        zMItem* item = node->value;
        zItem* object = item ? item->GetItem() : nullptr;
        if (!object || item->GetKind() != ManagedKindObject || excluded.Contains(item)) continue;
        zMinMax bounds;
        object->GetBounds(bounds);
        zOrientedBox box = OrientedBoxFromMinMax(bounds);
        box.Transform(*object->GetWorldMatrix());
        DrawBrackets(renderer, box);
    }
    for (auto* node = m_kindLists[ManagedKindConstraint].GetHead(); node; node = node->next) {
        auto* item = dynamic_cast<zMConstraint*>(node->value);
        const zPhysicConstraint* constraint = item ? item->GetConstraint() : nullptr;
        if (!constraint || excluded.Contains(item)) continue;
        zVector pivotA, pivotB;
        // A side whose physics item or owner is gone has no position.
        if (!PivotPosition(constraint->GetItemA(), constraint->GetPivotA(), pivotA) ||
            !PivotPosition(constraint->GetItemB(), constraint->GetPivotB(), pivotB))
            continue;
        DrawCross(renderer, pivotA, ConstraintPivotSize);
        DrawCross(renderer, pivotB, ConstraintPivotSize);
        renderer->DrawLine(pivotA, pivotB, nullptr);
    }
}

void zScene::PrintItemList() {
    zLog& log = GetLog();
    log << "[|] Dumping scene content\n\n";
    struct Section {
        const char* heading;
        u32 kind;
    };
    static constexpr Section Sections[] = {{"[|] Camera list follows (", ManagedKindCamera},
                                           {"[|] Object list follows (", ManagedKindObject},
                                           {"[|] Light list follows (", ManagedKindLight}};
    for (const Section& section : Sections) {
        const zList<zMItem*>& list = m_kindLists[section.kind];
        log << section.heading << static_cast<i32>(list.GetCount()) << " entries) :\n";
        for (auto* node = list.GetHead(); node; node = node->next)
            log << "[|]   - " << node->value->GetName() << "\n";
        log << "[|] \n";
    }
    log << "[|] Group list follows (" << static_cast<i32>(m_groups.GetCount()) << " entries) :\n";
    for (auto* node = m_groups.GetHead(); node; node = node->next)
        log << "[|]   - " << node->value->GetName() << "\n";
    log << "[|] \n";
    log << "[|] -------------------\n[|] -------------------\n\n";
    log << "[|] Global item list follows (" << static_cast<i32>(m_activeItems.GetCount()) << " entries) :\n";
    for (auto* node = m_activeItems.GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        zItem* parent = item->GetItem() ? item->GetItem()->GetParent() : nullptr;
        zMItem* owner = GetOwnerInKindList(parent);
        if (parent && !owner) log << "[*] Could not locate any instance of the provided item.\n";
        log << "[|]   - " << item->GetName() << " ";
        if (owner)
            log << "(Linked to '" << owner->GetName() << "'), (Active: " << YesNo(item->IsActive())
                << ", Invisible: " << YesNo((item->GetItem()->GetFlags() & ItemInvisible) != 0) << ")";
        log << "\n";
    }
    log << "[|] \n";
}

void zScene::Audit() {
    zLog& log = GetLog();
    log << "\n"
        << "Running scene audit:\n"
        << "--------------------\n"
        << "\n"
        << "(1/2) Geometry usage:\n"
        << "\n";

    // Objects with a geometry from the objects list, grouped by geometry in
    // the order the geometries first appear in allItems, list order inside a
    // group: one sort instead of a search per object.
    struct Use {
        zGeometry* geometry;
        u32 rank;  // first appearance of the geometry in allItems
        u32 index; // position in the objects list
        zMItem* object;
    };
    const u32 objectCount = m_kindLists[ManagedKindObject].GetCount();
    const u32 itemCount = m_allItems.GetCount();
    std::unique_ptr<Use[]> uses(new (std::nothrow) Use[objectCount + 1]);
    std::unique_ptr<Use[]> firsts(new (std::nothrow) Use[itemCount + 1]);
    if (!uses || !firsts) {
        log << "[!] Not enough memory for the scene audit.\n";
        return;
    }
    u32 firstCount = 0;
    for (auto* node = m_allItems.GetHead(); node; node = node->next) {
        zGeometry* geometry = node->value->GetKind() == ManagedKindObject ? GeometryOf(node->value) : nullptr;
        if (!geometry) continue;
        firsts[firstCount] = {geometry, firstCount, 0, nullptr};
        ++firstCount;
    }
    auto byGeometryThenRank = [](const Use& a, const Use& b) {
        return a.geometry != b.geometry ? a.geometry < b.geometry : a.rank < b.rank;
    };
    std::sort(firsts.get(), firsts.get() + firstCount, byGeometryThenRank);
    // Keep each geometry's first appearance.
    u32 distinct = 0;
    for (u32 index = 0; index < firstCount; ++index)
        if (distinct == 0 || firsts[distinct - 1].geometry != firsts[index].geometry)
            firsts[distinct++] = firsts[index];
    auto rankOf = [&](zGeometry* geometry) {
        Use* end = firsts.get() + distinct;
        Use* found = std::lower_bound(firsts.get(), end, geometry,
                                      [](const Use& use, zGeometry* g) { return use.geometry < g; });
        return found != end && found->geometry == geometry ? found->rank : UINT32_MAX;
    };
    u32 useCount = 0;
    u32 listIndex = 0;
    for (auto* node = m_kindLists[ManagedKindObject].GetHead(); node; node = node->next, ++listIndex) {
        zGeometry* geometry = GeometryOf(node->value);
        if (geometry) uses[useCount++] = {geometry, rankOf(geometry), listIndex, node->value};
    }
    std::sort(uses.get(), uses.get() + useCount, [](const Use& a, const Use& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.index < b.index;
    });
    // The geometries in the order of their first appearance, each holding a
    // reference until the audit ends.
    std::sort(firsts.get(), firsts.get() + distinct,
              [](const Use& a, const Use& b) { return a.rank < b.rank; });
    std::unique_ptr<zSharedPtr<zGeometry>[]> held(new (std::nothrow) zSharedPtr<zGeometry>[distinct + 1]);
    for (u32 index = 0; held && index < distinct; ++index)
        held[index] = firsts[index].geometry;
    u32 cursor = 0;
    for (u32 index = 0; index < distinct; ++index) {
        const u32 rank = firsts[index].rank;
        u32 end = cursor;
        while (end < useCount && uses[end].rank == rank)
            ++end;
        log << "'" << firsts[index].geometry->GetName() << "' used by " << static_cast<i32>(end - cursor)
            << " object(s).\n";
        for (u32 use = cursor; use < end; ++use)
            log << " - Object '" << uses[use].object->GetName() << "'\n";
        cursor = end;
    }

    log << "\n"
        << "(2/2) Check for duplicate geometries:\n"
        << "\n";
    // Every ordered pair (a, b), a != b, in objects-list order; only objects
    // of a's geometry can match, so each a walks its own group. groupOf maps
    // a list position to its place in uses.
    std::unique_ptr<u32[]> groupOf(new (std::nothrow) u32[objectCount + 1]);
    if (groupOf) {
        for (u32 index = 0; index < objectCount; ++index)
            groupOf[index] = UINT32_MAX;
        for (u32 use = 0; use < useCount; ++use)
            groupOf[uses[use].index] = use;
        for (u32 index = 0; index < objectCount; ++index) {
            if (groupOf[index] == UINT32_MAX) continue;
            const Use& a = uses[groupOf[index]];
            u32 first = groupOf[index];
            while (first > 0 && uses[first - 1].rank == a.rank)
                --first;
            zItem* itemA = a.object->GetItem();
            for (u32 use = first; use < useCount && uses[use].rank == a.rank; ++use) {
                const Use& b = uses[use];
                zItem* itemB = b.object->GetItem();
                if (b.object == a.object || b.geometry != a.geometry || !itemA || !itemB) continue;
                if (itemA->GetPosition()->DiffersFrom(*itemB->GetPosition()) ||
                    itemA->GetRotation()->DiffersFrom(*itemB->GetRotation()))
                    continue;
                log << "[*]  - Object '" << a.object->GetName() << "' and '" << b.object->GetName()
                    << "' might be duplicates.\n";
            }
        }
    } else {
        log << "[!] Not enough memory for the scene audit.\n";
    }
    log << "\n"
        << "Audit complete.\n"
        << "\n";
}

bool zScene::LoadDebugGeometries(const char* pointLight, const char* spotLight, const char* parallelLight,
                                 const char* camera, const char* unused, const char* trigger) {
    const char* paths[SceneDebugGeometryCount] = {pointLight, spotLight, parallelLight,
                                                  camera,     unused,    trigger};
    for (u32 index = 0; index < SceneDebugGeometryCount; ++index) {
        zGeometry* geometry =
            m_engine && paths[index] ? m_engine->LoadGeometry(paths[index], true, false) : nullptr;
        m_debugGeometries[index] = geometry;
    }
    return true;
}

void zScene::DrawDebugGeometry(zRenderer* renderer, const zGeometry* geometry, const zMatrix4& matrix,
                               const f32* color) {
    if (!renderer || !geometry) return;
    const f32 scale = visualisationScale;
    const zMatrix4 transform =
        zMatrix4::Multiply(matrix, zMatrix4::Scale(zVector(scale, scale, scale, 1.0f)));
    const zVector* vertices = geometry->GetVertices();
    const u32 vertexCount = geometry->GetVertexCount();
    const zPolygon* polygons = geometry->GetPolygons();
    for (u32 polygon = 0; polygons && polygon < geometry->GetPolygonCount(); ++polygon) {
        const u32 corners = polygons[polygon].cornerCount;
        const u32* indices = polygons[polygon].bindings;
        if (!indices) continue;
        for (u32 corner = 0; corner < corners; ++corner) {
            const u32 from = indices[corner];
            const u32 to = indices[(corner + 1) % corners];
            // A corner naming no vertex draws no line.
            if (from >= vertexCount || to >= vertexCount) continue;
            renderer->DrawLine(vertices[from].ApplyMatrix(transform), vertices[to].ApplyMatrix(transform),
                               color);
        }
    }
}

void zScene::DrawItemLabel(zRenderer* renderer, zMItem* item) {
    zItem* node = item ? item->GetItem() : nullptr;
    zRenderer* current = m_engine ? m_engine->GetRenderer() : nullptr;
    auto* camera = current ? dynamic_cast<zCamera*>(current->GetViewItem()) : nullptr;
    if (!renderer || !node || !camera) return;
    static const char* const Prefixes[ManagedKindCount] = {
        "", "Camera: ", "Object: ", "Light: ", "Trigger: ", "", "", "", ""};
    zString text(item->GetKind() < ManagedKindCount ? Prefixes[item->GetKind()] : "");
    text.AppendString(item->GetName());
    zVector screen;
    if (!camera->WorldToScreen(node->GetWorldMatrix()->GetRow(3, true), screen, true)) return;
    screen.y += LabelRaise;
    i32 viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
    current->GetViewport(viewportX, viewportY, viewportWidth, viewportHeight);
    // A viewport without height (a renderer with nothing to show) has no
    // text size.
    if (viewportHeight <= 0) return;
    const f32 size = LabelReferenceHeight / static_cast<f32>(viewportHeight);
    const f32 textWidth = m_profilerFont ? m_profilerFont->GetLineWidth(text.CStr(), 0) : 0.0f;
    DrawLabelCapsule(renderer, screen, 0.5f * size * textWidth, LabelBoxHeight * size, LabelColor);
    if (m_profilerFont)
        renderer->Write(m_profilerFont, text.CStr(), screen.x, screen.y, size, true, 1, nullptr);
}

void zScene::DrawLabelCapsule(zRenderer* renderer, zVector position, f32 width, f32 height,
                              const f32* color) {
    const f32 x = position.x;
    const f32 y = position.y;
    const f32 half = width / 2.0f;
    const f32 bottom = y - 0.2f * height;
    const f32 top = y + 0.8f * height;
    const zVector body[2][3] = {{{x - half, bottom, 0.0f}, {x + half, bottom, 0.0f}, {x + half, top, 0.0f}},
                                {{x + half, top, 0.0f}, {x - half, top, 0.0f}, {x - half, bottom, 0.0f}}};
    DrawScreenTriangle(renderer, body[0], color);
    DrawScreenTriangle(renderer, body[1], color);
    // Each end: a half ellipse of radii 0.25h and 0.5h, angle 0 at the
    // bottom of the box and pi at its top.
    auto rim = [&](f32 edgeX, f32 sign, u32 step) {
        const f32 angle = static_cast<f32>(step) * CapsuleEndAngle;
        return zVector(edgeX + sign * 0.25f * height * std::sin(angle),
                       y + 0.5f * height * (0.6f - std::cos(angle)), 0.0f);
    };
    for (u32 step = 0; step < CapsuleEndSteps; ++step) {
        const zVector left[3] = {rim(x - half, -1.0f, step + 1), rim(x - half, -1.0f, step),
                                 zVector(x - half, y, 0.0f)};
        DrawScreenTriangle(renderer, left, color);
    }
    for (u32 step = 0; step < CapsuleEndSteps; ++step) {
        const zVector right[3] = {zVector(x + half, y, 0.0f), rim(x + half, 1.0f, step),
                                  rim(x + half, 1.0f, step + 1)};
        DrawScreenTriangle(renderer, right, color);
    }
}

void zScene::DrawScreenTriangle(zRenderer* renderer, const zVector points[3], const f32* color) {
    auto* camera = renderer ? dynamic_cast<zCamera*>(renderer->GetViewItem()) : nullptr;
    if (!camera) return;
    zVector world[3];
    for (int index = 0; index < 3; ++index)
        camera->ScreenToWorld(world[index], points[index].x, points[index].y, 1.0f, -1.0f);
    renderer->DrawTriangle(world, color, nullptr, nullptr, TriangleNoDepthWrite | TriangleDepthAlways);
}
