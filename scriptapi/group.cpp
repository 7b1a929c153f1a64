// The Group group: scripts set up, reset, show, move and animate the scene
// groups (kind 23) a scene file made, and read their members. Member and
// root handles are Item handles (kind 24) of the managed items.
#include <memory>

#include "core/matrix.h"
#include "scene/animation.h"
#include "scene/group.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/item_natives.h"
#include "scriptapi/script_api_groups.h"

namespace {

zGroup* GroupArgument(ScriptArgs& args) {
    return args.Object<zGroup>(1, ScriptKindGroup);
}

using GroupNatives = ItemNatives<zGroup, GroupArgument>;

void SetupGroup(zGroup& group) {
    group.Setup();
}

void SetupGroupScripts(zGroup& group) {
    group.SetupScript();
}

// The members' resets only: a member's own OnReset calling GroupReset on its
// group would otherwise reset it again without end.
void ResetGroup(zGroup& group) {
    group.Reset(false);
}

void ActivateGroup(zGroup& group, bool on) {
    group.Activate(on);
}

void SetGroupInvisible(zGroup& group, bool invisible) {
    group.SetInvisible(invisible);
}

SQInteger GroupGetItemList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    if (!args) return args.Fail();
    return ReturnItemArray(args, group->GetItems(), [](zMItem* item) { return item; });
}

SQInteger GroupGetRootItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    if (!args) return args.Fail();
    return args.ReturnObject(group->GetRootItem(), ScriptKindItem);
}

// The group's scene: the one that lists it. A root from another scene would
// outlive its own scene's cleanup of the group, so it is refused.
bool ListsGroup(const zScene* scene, const zGroup* group) {
    if (!scene) return false;
    for (auto* node = scene->GetGroupList().GetHead(); node; node = node->next)
        if (node->value.get() == group) return true;
    return false;
}

SQInteger GroupSetRootItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    zMItem* root = ItemFamilyArgument(args, 2);
    if (!args) return args.Fail();
    if (!ListsGroup(root->GetScene(), group)) return args.Error("Item is not in the group's scene");
    group->SetRootItem(root);
    return args.None();
}

SQInteger GroupFindItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(group->FindItem(name), ScriptKindItem);
}

SQInteger GroupItemIsMember(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    zMItem* item = ItemFamilyArgument(args, 2);
    if (!args) return args.Fail();
    return args.Return(group->IsMember(item));
}

SQInteger GroupOffsetMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    zMatrix4 matrix;
    if (!ReadMatrix4Argument(args, 2, matrix)) return args.Fail();
    group->OffsetMatrix(matrix);
    return args.None();
}

// The members holding the motion play it, replacing what they played over
// the fade time; the list of the new sources is the script's.
SQInteger GroupSetMotion(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGroup* group = GroupArgument(args);
    const char* name = args.String(2);
    const f32 fadeTime = args.Number(3);
    if (!args) return args.Fail();
    std::unique_ptr<zAnimationSourceList> sources;
    group->SetMotion(name, &sources, fadeTime, false, 1.0f);
    return args.ReturnOwnedObject(sources.release(), ScriptKindAnimationSource);
}

const ScriptNative g_groupNatives[] = {
    {"GroupSetup", ".x", GroupNatives::Action<SetupGroup>},
    {"GroupSetupScript", ".x", GroupNatives::Action<SetupGroupScripts>},
    {"GroupReset", ".x", GroupNatives::Action<ResetGroup>},
    {"GroupGetItemList", ".x", GroupGetItemList},
    {"GroupGetRootItem", ".x", GroupGetRootItem},
    {"GroupSetRootItem", ".xx", GroupSetRootItem},
    {"GroupActivate", ".xb", GroupNatives::SetBool<ActivateGroup>},
    {"GroupSetInvisible", ".xb", GroupNatives::SetBool<SetGroupInvisible>},
    {"GroupFindItem", ".xs", GroupFindItem},
    {"GroupItemIsMember", ".xx", GroupItemIsMember},
    {"GroupOffsetMatrix", ".xx", GroupOffsetMatrix},
    {"GroupSetMotion", ".xsn", GroupSetMotion},
};

} // namespace

bool RegisterGroupScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_groupNatives);
}
