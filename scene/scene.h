// zScene: the 3D scene. It holds every managed item (in allItems for the
// item's whole life, in activeItems while active, and in its kind's list),
// the queues that defer activation, deactivation and deletion to the next
// update, the physics world, the script units of the scene, its look
// (background, ambient, exposure, fog) and the command-list vocabulary.
//
// Lifetime: items leave the scene only through RemoveManagedItem, which their
// destruction runs (zMItem::Teardown). It clears every reference the scene
// and the other items hold to the item, so DeleteContent, the deletion queue
// and a direct delete are equally safe. A destroyed scene invalidates its
// own script handles last, so g_scene never reaches freed memory.
//
// Update runs the fixed order scripts observe: queues, deletion flush,
// previous matrices, the scene's OnUpdate, physics (OnPhysicStep per
// sub-step), triggers, command lists, the items' OnUpdate, the logic rate,
// refresh, animation and billboards, skins. Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "core/alloc_category.h"
#include "core/linked_list.h"
#include "core/list.h"
#include "core/log.h"
#include "core/perf_counter.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "engine/core_listener.h"
#include "engine/profiler.h"
#include "markup/meta_object.h"
#include "physics/physic_world.h"
#include "render/render_font.h"
#include "render/renderable.h"
#include "scene/ace.h"
#include "scene/group.h"
#include "scene/managed_item.h"

class zAIPath;
class zEngine;
class zInstance;
class zMCamera;
class zMetaTag;
class zMetafile;
class zGeometry;
class zMLight;
class zMObject;
class zTrigger;
class zPhysicWorld;
class zMConstraint;
class zMTerrain;
class zMEmitter;
class zRenderer;
class zRenderFont;
class zScene;
class zScene2D;
class zSceneScriptEventDispatcher;
class zScriptVM;
struct zMinMax;

// Observers of content changes; see the event numbers below.
class zSceneListener {
  public:
    virtual ~zSceneListener() = default;
    // pointer: the address of a variable holding the item or group, or null.
    virtual void OnSceneEvent(u32 event, void* pointer) = 0;
};

enum : u32 {
    SceneEventItemAdding = 1,
    SceneEventItemAdded = 2,
    SceneEventItemFlushing = 3,
    SceneEventFlushDone = 4,
    SceneEventGroupAdding = 5,
    SceneEventGroupAdded = 6,
    SceneEventGroupRemoving = 7,
    SceneEventGroupRemoved = 8,
    SceneEventContentDeleting = 9,
    SceneEventContentDeleted = 10,
    SceneEventLoadBegin = 11,
    SceneEventLoadEnd = 12,
    SceneEventReparenting = 13,
    SceneEventReparented = 14,
};

// Scene flags.
enum : u32 {
    SceneEndRequested = 1,
    SceneRenderless = 2,
};

// Update part mask.
enum : u32 {
    UpdateItems = 1,
    UpdateAnimation = 2,
    UpdatePhysics = 8,
    UpdateScripts = 16,
    UpdateTriggers = 32,
    UpdateAll = 0x3f,
};

// Render entry flags.
enum : u32 {
    RenderClear = 1,     // RenderSetup: clear the frame
    RenderNoScripts = 2, // RenderDone, RenderUI: no script events
};

// The seven counters, in order.
enum : u32 {
    SceneCounterUpdate,
    SceneCounterPhysics,
    SceneCounterRender,
    SceneCounterInterface,
    SceneCounterScripts,
    SceneCounterLogic,
    SceneCounterCollision,
    SceneCounterCount,
};

// Load flags of the scene file: what the reader reads and the writer writes.
enum : u32 {
    SceneLoadCameras = 0x1,
    SceneLoadLights = 0x2,
    SceneLoadObjects = 0x4,
    SceneLoadTriggers = 0x8,
    SceneLoadInstances = 0x10,
    SceneLoadGroups = 0x20,
    SceneLoadCurrentCamera = 0x80, // read only together with SceneLoadCameras
    SceneLoadGlobals = 0x100,      // also: the scene takes the file's name
    SceneLoadPhysics = 0x400,
    SceneLoadPaths = 0x800,
    SceneLoadToolItems = 0x1000,
    SceneLoadScripts = 0x2000,
    SceneLoadEmitters = 0x4000,
    SceneLoadTerrains = 0x8000,
    SceneLoadConstraints = 0x10000,
    SceneLoadAll = 0xffffffffu,
};

// Mode bits of zScene::Debug.
enum : u32 {
    SceneDebugBones = 2,  // bones as six-point shapes
    SceneDebugBounds = 4, // object bounds as boxes
    SceneDebugAll = 0xffffffffu,
};

// The scene's debug geometries, in the order LoadDebugGeometries takes them.
enum : u32 {
    SceneDebugGeometryPointLight,
    SceneDebugGeometrySpotLight,
    SceneDebugGeometryParallelLight,
    SceneDebugGeometryCamera,
    SceneDebugGeometryUnused, // loaded, never drawn
    SceneDebugGeometryTrigger,
    SceneDebugGeometryCount,
};

// The longest step physics, command lists and the logic rate take, seconds.
constexpr f32 SceneMaximumStep = 0.2f;
// Geometries of more polygons than this are cut into octree leaves at set-up.
constexpr u32 SceneOptimiseThreshold = 8192;

// Turns the physics world's ticks into OnPhysicStep events.
class zScenePhysicWorldCallback : public zPhysicWorldCallback {
  public:
    explicit zScenePhysicWorldCallback(zScene* scene) : m_scene(scene) {}
    // Before each sub-step: the scene's OnPhysicStep, then that of every
    // active instance and item with a physics body in a mode other than 0.
    void OnTick(f32 timeStep, bool preTick) override;

  private:
    zScene* m_scene;
};

// What the 3D scene asks of its 2D user interface. The user interface lives
// above the scene's folder, so it implements this and is handed to the scene
// (SetUserInterface); without one the scene's 2D steps do nothing.
class zSceneUserInterface {
  public:
    virtual ~zSceneUserInterface() = default;
    virtual void Clear() = 0;
    virtual void Render(bool skipScript) = 0;
    virtual u32 GetWindowCount() const = 0;
    // The 2D scene behind the interface, for scripts; null when there is none.
    virtual zScene2D* GetScene2D() const { return nullptr; }
    // A raster font loaded from path (the profiler's); null when the
    // interface makes none. The font may be empty when the file is missing.
    virtual std::unique_ptr<zRenderFont> LoadRasterFont(const char* /*path*/, const char* /*name*/) {
        return nullptr;
    }
};

class zScene : public zSharedObject,
               public zScriptedObject,
               public zCoreListener,
               public zMetaObject,
               public zACEManager,
               public zRendererSceneInterface {
  public:
    // Defines the six verbs of the managed items (allocation category 8).
    zScene(zEngine* engine, zScriptVM* vm);
    // SetScriptGlobals one last time, the content with its script units, the
    // physics world; then every script handle of the scene is invalidated.
    ~zScene() override;

    void OnCoreEvent(u32 /*code*/, void* /*payload*/) override {}
    // The document form scripts load and save: every flag, no group.
    bool ParseRootTag(zMetafile& document, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& document) override;
    zScriptUnit* NewScriptUnit() override;

    void SetName(const char* name);
    const char* GetName() const { return m_name.CStr(); }
    const zString& GetFileName() const { return m_fileName; }
    // A new uid for item unless it has one (then the "(Critical error)" line).
    void AssignUid(zMItem* item);
    // Null clears the renderer's scene source.
    void RegisterAsPropertyCallback(zRenderer* renderer);
    zRenderer* GetRenderer() const { return m_renderer; }
    void SetCurrentCamera(zMCamera* camera) { m_currentCamera = camera; }
    zMCamera* GetCurrentCamera() const { return m_currentCamera; }
    // "g_scene" and "g_clock_fq" in vm (null: the scene's own), when open.
    void SetScriptGlobals(zScriptVM* vm);
    zPhysicWorld* GetPhysicWorld() const { return m_physicWorld.get(); }
    // Deletes the content and any old world, then makes and initialises a
    // new one. A world that fails to initialise is not kept.
    bool CreatePhysicWorld();
    void DeletePhysicWorld();

    // Content.
    void AddManagedItem(zMItem* item);
    // The add operation's shape for a kind made elsewhere: events 1 and 2
    // around the construction, the name, the kind list and the uid. Null,
    // with errorLine logged, when make gives null.
    template <typename Make> auto AddItem(const char* name, const char* errorLine, Make make);
    zMCamera* AddCamera(const char* name);
    // templatePath may be null.
    zInstance* AddInstance(const char* name, const char* templatePath);
    // The geometry (may be null) is set with its skinning built.
    zMObject* AddObject(const char* name, zGeometry* geometry);
    zMLight* AddLight(const char* name, u32 type, f32 priority);
    zTrigger* AddTrigger(const char* name);
    zMConstraint* AddPointConstraint(const char* name);
    // A copy of a camera, object, light, trigger, instance or constraint
    // through its tag: every stored property (name, script units, physics
    // shapes) but a uid of its own, no parent and no children; a copied
    // instance is set up. Null for other kinds or when the copy fails.
    zMItem* DuplicateItem(zMItem* item);
    // terrain.cpp.
    zMTerrain* AddTerrain(const char* name);
    // Defined with the managed emitter (managed_emitter.cpp).
    zMEmitter* AddEmitter(const char* name);
    // Unlinks the item from everything in the scene and clears every
    // reference to it (its destruction runs this).
    void RemoveManagedItem(zMItem* item);
    // The item took a reference to another one (objects: a bone); from now on
    // its ForgetItem runs for every item that goes. False when the item could
    // not be listed for that (allocation failure).
    bool NoteHolder(zMItem* item);
    bool QueueForDeletion(zMItem* item);
    void FlushDeletionQueue();
    bool SetItemActive(zMItem* item, bool active);
    // The activation lists of zMItem::Activate.
    void QueueActivation(zMItem* item, bool on);
    // The item may have stopped being quiet: an active item joins the busy
    // items, in its place in the active order.
    void WakeItem(zMItem* item);
    // The item's node may no longer be settled: the item joins the moved
    // items, in its place in the all-items order.
    void NoteMovedItem(zMItem* item);
    // The object may have a skin now (zMItem::HasSkin).
    void NoteSkinned(zMItem* item);
    void RecordLocation();
    void DeleteContent(bool keepScripts);

    // Groups. The scene owns them; a removed group is kept, out of every
    // list, until DeleteContent, so no pointer to it dangles before that.
    zGroup* AddGroup(const char* name);
    void RemoveGroup(zGroup* group);
    // Every member queued for deletion, then RemoveGroup.
    void DeleteGroup(zGroup* group);
    zGroup* FindGroup(const char* name) const;
    const zList<std::unique_ptr<zGroup>>& GetGroupList() const { return m_groups; }

    // The scene file (scene_file.cpp). Load: false when the document cannot
    // be read, has no "Scene" root or fails to read. A group slot holding no
    // group receives the file's group.
    bool Load(const char* path, zGroup** group, u32 flags);
    bool LoadFromTag(const zMetafile* document, const zMetaTag* root, zGroup** group, u32 flags);
    // A new "Scene" tag the caller owns, or null. With a filter group only
    // its members are written, and no scene-wide section after "Paths".
    zMetaTag* SaveToTag(const zMetafile* document, const zGroup* filter, u32 flags);
    // Warms the geometry cache with the objects' geometries of a scene file.
    bool PreloadResources(const char* path);
    // The item a stored uid under parent at path stands for, through the
    // remap table; kind 0 accepts any kind.
    zMItem* ResolveStoredUidTag(const zMetaTag* parent, const char* path, const i32* table, u32 tableSize,
                                u32 kind);
    // Every terrain's blend map (a TGA file named after the texture) and
    // height file; failures are logged per terrain. False when any of them failed.
    bool SaveTerrainData();

    // Lookups. By uid: the first item of the all-items list holding it.
    zMItem* GetManagedItemByUid(i32 uid) const;
    // The uid lookups rebuild their index before the next one.
    void InvalidateUidIndex() { m_uidIndexValid = false; }
    // RenderToQueue walks the active items again (a behaviour changed).
    void InvalidateRenderList() { m_renderListValid = false; }
    u32 FindManagedItemOfItem(const zItem* item, zMItem** out) const;
    // The item's owner through its back-pointer when the owner is of this
    // scene and in the list of its kind (object, light, camera, trigger,
    // emitter, terrain or instance); null otherwise. No search.
    zMItem* GetOwnerInKindList(const zItem* item) const;
    // The named item of one kind's list.
    zMItem* FindByName(u32 kind, const char* name) const;
    zMItem* FindItem(const char* path, zItem* context) const;
    // The union of the world boxes of the objects' geometries; out is left
    // as it is when there is none.
    void GetBounds(zMinMax& out);
    zMItem* RaytraceTriggerList(const zVector& direction, const zVector& start, f32 length,
                                zVector* hitPoint);

    // The renderer's questions.
    void GetAmbient(zVector& out) override;
    // The active lights in light-list order that reach position (distance
    // below range + falloff; range 0 always reaches) and touch bounds (point
    // lights as a sphere of their range, spot lights by their frustum).
    void CollectLights(const zVector& position, const zMinMax& bounds, zList<zRenderLight*>& out,
                       u32 maxCount) override;
    // The active lights nearest first: key = squared distance. Lights carry
    // no weight of their own, so the (1 - weight) factor is 1.
    void SortLights(const zVector& position, zList<zRenderLight*>& out, u32 maxCount) override;

    // Every active item holding a motion of that name plays it. With an out
    // slot, a new list gathering the new sources replaces what the slot held
    // (null when the list cannot be allocated; the items play all the same).
    void SetMotion(const char* motionName, std::unique_ptr<zAnimationSourceList>* sources, f32 fadeTime,
                   bool keepOthers, f32 weight);

    // Life.
    // runOptimisation: OptimizeGeometries(optimisationParameter) after the
    // instances are set up.
    void Setup(bool runOptimisation, u32 optimisationParameter);
    // Cuts each large static geometry of the scene's objects into leaves
    // (zGeometry::Optimize with leafBudget), in the objects' order: one
    // without an octree and a skin, of more than SceneOptimiseThreshold
    // polygons, used by a single object. One used by several objects is
    // reported and left whole. A geometry's self-referring proxies are
    // dropped, then its shadow and LOD proxies are treated the same way;
    // each geometry is treated once, so proxy cycles end
    // (scene_optimise.cpp).
    void OptimizeGeometries(u32 leafBudget);
    void Reset();
    // Stable exchange sort of the light list by each light's key.
    void SortLightsByKey();

    // The frame.
    void Update(u32 mask);
    void RenderSetup(u32 flags);
    void RenderToQueue(u32 flags);
    void RenderDone(u32 flags);
    void RenderUI(u32 flags);
    // The step physics, command lists and the logic rate use: the frame time
    // in seconds clamped to [0, SceneMaximumStep].
    f32 GetClampedStep() const;
    static f32 ClampStep(i32 frameTimeUnits);

    // Visits every item of one of the scene's item lists (all, active or a
    // kind's), in order. The visit may delete, deactivate or unlink any
    // item, the visited one or those after it: the walk moves on past every
    // node that leaves the list, so each item still in the list is visited
    // once. The next node is taken before each visit, so an item appended
    // during the visit of the last node is not visited.
    template <typename Visit> void ForEachItem(const zList<zMItem*>& list, Visit visit);
    // ForEachItem over the active items for a visit that does nothing to a
    // quiet item (zMItem::IsQuiet): only the busy items are visited, and the
    // quiet ones found among them leave that list. Once an item woke or
    // became active during a visit, the walk goes on over the active list
    // from where ForEachItem would, so the visits are the same.
    template <typename Visit> void ForEachBusyItem(Visit visit);
    // The profiler overlay (scene_profiler.cpp). CreateProfiler loads the
    // font through the user interface and resets the graph's rings.
    void CreateProfiler(const char* fontPath, const char* fontName);
    // Writes the scene page from (x, y) and gives the next y; a null font is
    // the scene's own. Without a font page nothing is written and y returns.
    f32 UpdateProfiler(f32 x, f32 y, bool details, zRenderFont* font);
    // Pushes the timings into the graph when its period has passed.
    bool UpdateProfilerGraph();
    const zProfilerGraph& GetProfilerGraph() const { return m_profilerGraph; }

    void NotifyListeners(u32 event, void* pointer);
    zList<zSceneListener*>& GetListeners() { return m_listeners; }
    // False when scripts do not run (the engine's tool mode 1).
    bool RunsScripts() const;
    // False while an update without the script part steps physics.
    bool ScriptsInUpdate() const { return m_scriptsInUpdate; }

    zEngine* GetEngine() const { return m_engine; }
    zScriptVM* GetVM() const { return m_vm; }
    zSceneScriptEventDispatcher* GetDispatcher() const { return m_dispatcher; }
    const zList<zMItem*>& GetActiveItems() const { return m_activeItems; }
    const zList<zMItem*>& GetAllItems() const { return m_allItems; }
    const zList<zMItem*>& GetKindList(u32 kind) const {
        return m_kindLists[kind < ManagedKindCount ? kind : 0];
    }
    const zList<zMItem*>& GetDeletionQueue() const { return m_deletionQueue; }
    const zList<zMItem*>& GetActivationQueue() const { return m_activationQueue; }
    const zList<zMItem*>& GetDeactivationQueue() const { return m_deactivationQueue; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    void SetManualDeletion(bool manual) { m_manualDeletion = manual ? 1 : 0; }
    u32 GetNextUid() const { return m_nextUid; }
    // Counts every item that left the scene: while it stays the same, an
    // item known to be alive is still alive.
    u32 GetRemovalCount() const { return m_removals; }
    zPerfCounter& GetCounter(u32 index) { return m_counters[index]; }
    zSceneUserInterface* GetUserInterface() const { return m_ui.get(); }
    // The scene owns it from now on; null removes the old one. The handles
    // scripts hold of a 2D scene that goes with the old one are invalidated.
    void SetUserInterface(std::unique_ptr<zSceneUserInterface> ui);

    // AI paths (ai_path.h, scene_paths.cpp). Adds the paths of a ZML file's
    // "Scene:Paths" (else "Scene:Motions") section.
    bool LoadAIPath(const char* path);
    // The first path of that name; a path without a name matches only null.
    zAIPath* FindAIPath(const char* name) const;
    // Every path's chain: a cross at each node that has a successor and a
    // line to it, through the path matrix.
    void DebugPath(zRenderer* renderer);
    // The scene file's "Paths" section.
    bool ParseAIPathsTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeAIPathsTag(const zMetafile* document) const;

    // Debug drawing and dumps (scene_debug.cpp). Either list may be null;
    // mode holds SceneDebug* bits.
    void Debug(zRenderer* renderer, const zList<zMItem*>* highlight, const zList<zMItem*>* exclusion,
               u32 mode);
    void PrintItemList();
    void Audit();
    // Each path through the engine's geometry cache; a failed load leaves
    // none in its slot. Always true.
    bool LoadDebugGeometries(const char* pointLight, const char* spotLight, const char* parallelLight,
                             const char* camera, const char* unused, const char* trigger);
    zGeometry* GetDebugGeometry(u32 index) const {
        return index < SceneDebugGeometryCount ? m_debugGeometries[index].Get() : nullptr;
    }
    // A wireframe of the geometry's polygons through matrix scaled by
    // visualisationScale; nothing for null.
    void DrawDebugGeometry(zRenderer* renderer, const zGeometry* geometry, const zMatrix4& matrix,
                           const f32* color);
    // Kind and name over a rounded box at the item's screen position, in the
    // profiler font.
    void DrawItemLabel(zRenderer* renderer, zMItem* item);
    // Screen positions run from 0 to 1 across the view; x and y are used.
    void DrawLabelCapsule(zRenderer* renderer, zVector position, f32 width, f32 height, const f32* color);
    void DrawScreenTriangle(zRenderer* renderer, const zVector points[3], const f32* color);
    // The font of the profiler page and item labels, owned by the user
    // interface layer that hands it in; null without one.
    zRenderFont* GetProfilerFont() const { return m_profilerFont; }
    void SetProfilerFont(zRenderFont* font) { m_profilerFont = font; }

    zLinkedList aiPaths; // owned zAIPath entries, in load order

    f32 visualisationScale = 1.0f;
    f32 backgroundColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    f32 ambientColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    f32 ambientIntensity = 1.0f;
    f32 targetExposure = 0.25f;
    f32 fogNear = 0.0f;
    f32 fogFar = 0.0f;
    f32 fogColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};

  private:
    zScene(const zScene&) = delete;
    zScene& operator=(const zScene&) = delete;

    // A walk of ForEachItem in progress; walks nest (a visit may start one).
    struct zItemWalk {
        const zList<zMItem*>* list;
        zList<zMItem*>::Node* next; // the node visited next; null at the end
        zItemWalk* outer;
    };
    // The list of zMItem::SceneList* the item would be in.
    zList<zMItem*>& ListOf(u32 list, const zMItem* item);
    // Appends item to the list unless it is there; false when the node cannot
    // be allocated.
    bool LinkItem(u32 list, zMItem* item);
    // Every unlink from the item lists goes through these two, which move the
    // walks in progress past the node that goes and clear the item's node.
    void UnlinkItem(u32 list, zMItem* item);
    void ClearItems(zList<zMItem*>& items, u32 list);
    void ApplyActivationQueues();
    void DetectTriggers();
    void UpdateLogicRate(f32 step);
    void FaceView(zMItem* item);
    // A group about to be destroyed: its script handles become "Deleted native".
    void InvalidateGroupHandles(zGroup* group);
    // The current camera and every other item drop their references to item.
    void ForgetEverywhere(zMItem* item);
    // The registered renderer, else the engine's.
    zRenderer* GetDrawingRenderer() const;
    // Sections of the scene file after the items; table maps stored uids.
    void ReadLinks(const zMetaTag* root, const i32* table, u32 tableSize);
    void ReadConstraints(const zMetaTag* root, const i32* table, u32 tableSize);
    void ReadSkins(const zMetaTag* root, const i32* table, u32 tableSize);
    void ReadGroups(const zMetaTag* root, const i32* table, u32 tableSize, zGroup** fileGroup);
    void ReadGlobals(const zMetaTag* root);
    // Whether the writer keeps item (and links to it).
    bool PassesSaveTest(const zMItem* item, const zGroup* filter, u32 flags) const;
    // One "Constraint" per constraint item passing the filter.
    void SaveConstraints(zMetaTag& section, const zGroup* filter) const;

    zEngine* m_engine;
    zRenderer* m_renderer = nullptr;
    zMCamera* m_currentCamera = nullptr;
    zString m_fileName;
    zString m_name;
    zScriptVM* m_vm;
    zScenePhysicWorldCallback m_physicsCallback{this};
    std::unique_ptr<zPhysicWorld> m_physicWorld;
    std::unique_ptr<zSceneUserInterface> m_ui;
    zList<zMItem*> m_activeItems;
    zList<zMItem*> m_allItems;
    u8 m_manualDeletion = 0;
    zList<zMItem*> m_deletionQueue;
    zList<zMItem*> m_activationQueue;
    zList<zMItem*> m_deactivationQueue;
    // The items ForgetEverywhere visits, in the all-items order (objects that
    // took a bone after they were sorted come last: forgetting a bone raises
    // nothing), and the items not yet sorted into or out of it.
    zList<zMItem*> m_holders;
    zList<zMItem*> m_newItems;
    // Three lists of the items' own nodes (zMItem::OwnNode), each a superset
    // of the items a walk must visit, in the order of the list it stands
    // for; the walks drop the others they meet.
    // The active items that may not be quiet: every active item that is not.
    zList<zMItem*> m_busyItems;
    u64 m_nextActiveOrder = 0;
    // Counts wakes and activations, so a walk over the busy items sees them.
    u32 m_wakeups = 0;
    // The items whose previous matrix may need keeping, in the all-items
    // order: every item that is not settled or has frame hooks.
    zList<zMItem*> m_movedItems;
    u64 m_nextAllOrder = 0;
    // The objects whose UpdateSkin may do anything, in the object list's
    // order: each one with HasSkin.
    zList<zMItem*> m_skinnedItems;
    u64 m_nextKindOrder = 0;
    // What RenderToQueue queued last, in order, while the active list, the
    // items' behaviours and the tool mode stay as they were.
    std::vector<zRenderable*> m_renderList;
    bool m_renderListValid = false;
    bool m_renderListToolMode = false;
    // Links item into list (busy, moved or skinned) in its order: at the end,
    // and the list sorted before its next walk when the item's place is
    // earlier; in its place at once while a walk over that list is on.
    void InsertInOrder(u32 list, zMItem* item);
    // Puts list back in its order if an insertion left it out of order.
    void SortOwnList(u32 list);
    bool m_ownListUnsorted[zMItem::SceneListCount - zMItem::SceneListBusy] = {};
    u32 m_flags = 0;
    bool m_scriptsInUpdate = true;
    u32 m_nextUid = 0;
    u32 m_removals = 0;
    zPerfCounter m_counters[SceneCounterCount];
    zSceneScriptEventDispatcher* m_dispatcher;
    zList<zSceneListener*> m_listeners;
    // Index = kind; entry 0 stays empty.
    zList<zMItem*> m_kindLists[ManagedKindCount];
    zList<std::unique_ptr<zGroup>> m_groups;
    zList<std::unique_ptr<zGroup>> m_removedGroups;
    zItemWalk* m_walks = nullptr; // innermost walk in progress
    // The uid lookups' index: open addressing over a power-of-two table of
    // (uid, item) slots, built from the all-items list on the first lookup
    // after any uid changed or any item left (null slots end a probe).
    struct zUidSlot {
        i32 uid;
        zMItem* item;
    };
    // False when the table could not be allocated.
    bool BuildUidIndex() const;
    mutable std::unique_ptr<zUidSlot[]> m_uidIndex;
    mutable u32 m_uidIndexMask = 0;
    mutable bool m_uidIndexValid = false;
    zSharedPtr<zGeometry> m_debugGeometries[SceneDebugGeometryCount];
    // The profiler font: the one CreateProfiler loaded, or one handed in.
    std::unique_ptr<zRenderFont> m_ownProfilerFont;
    zRenderFont* m_profilerFont = nullptr;
    zProfilerGraph m_profilerGraph;
};

template <typename Visit> void zScene::ForEachItem(const zList<zMItem*>& list, Visit visit) {
    zItemWalk walk{&list, list.GetHead(), m_walks};
    m_walks = &walk;
    while (auto* node = walk.next) {
        walk.next = node->next;
        visit(node->value);
    }
    m_walks = walk.outer;
}

template <typename Visit> void zScene::ForEachBusyItem(Visit visit) {
    SortOwnList(zMItem::SceneListBusy);
    zItemWalk busy{&m_busyItems, m_busyItems.GetHead(), m_walks};
    // Where ForEachItem over the active list would go after the visited item.
    zItemWalk active{&m_activeItems, nullptr, &busy};
    m_walks = &busy;
    bool woke = false;
    while (auto* node = busy.next) {
        busy.next = node->next;
        zMItem* item = node->value;
        if (item->IsQuiet()) {
            UnlinkItem(zMItem::SceneListBusy, item);
            continue;
        }
        active.next = item->SceneNode(zMItem::SceneListActive)->next;
        m_walks = &active;
        const u32 wakeups = m_wakeups;
        visit(item);
        m_walks = &busy;
        woke = m_wakeups != wakeups;
        if (woke) break;
    }
    m_walks = busy.outer;
    if (!woke) return;
    active.outer = m_walks;
    m_walks = &active;
    while (auto* node = active.next) {
        active.next = node->next;
        visit(node->value);
    }
    m_walks = active.outer;
}

template <typename Make> auto zScene::AddItem(const char* name, const char* errorLine, Make make) {
    zScopedAllocCategory category(AllocCategoryScene);
    NotifyListeners(SceneEventItemAdding, nullptr);
    auto* item = make();
    if (!item) {
        GetLog() << errorLine;
        return item;
    }
    zMItem* managed = item;
    managed->SetName(name);
    // An item the scene could not list would never be deleted with it.
    if (!managed->IsInSceneList(zMItem::SceneListAll) || !LinkItem(zMItem::SceneListKind, managed)) {
        GetLog() << errorLine;
        delete item;
        return decltype(item)(nullptr);
    }
    AssignUid(managed);
    NotifyListeners(SceneEventItemAdded, &managed);
    return item;
}
