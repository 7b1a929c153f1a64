// Metafile and Metatag: scripts build, query, load and save ZML documents.
// A document made by MetafileNew belongs to its handle; tag handles own
// nothing. Tags never outlive their handles' knowledge of them: when a
// document is destroyed (its handle's last reference) or its roots are
// replaced by a load, every handle of its tags turns "Deleted native" first.
#include <new>

#include "core/log.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/script_api_groups.h"

namespace {

zMetafile* MetafileArgument(ScriptArgs& args) {
    return args.Object<zMetafile>(1, ScriptKindMetafile);
}

zMetaTag* MetatagArgument(ScriptArgs& args) {
    return args.Object<zMetaTag>(1, ScriptKindMetatag);
}

// The value of a script float, bool, integer or string; anything else is
// logged and leaves the tag as it was.
void SetTagValue(ScriptArgs& args, zMetaTag& tag, int position) {
    zVariant& value = tag.GetValue();
    switch (args.Type(position)) {
    case OT_FLOAT:
        value.SetFloat(args.Number(position));
        return;
    case OT_BOOL:
        value.SetBool(args.Bool(position));
        return;
    case OT_INTEGER:
        value.SetInt(i32(args.Integer(position)));
        return;
    case OT_STRING:
        value.SetString(args.String(position));
        return;
    default:
        GetLog() << "[!] Cannot convert input Squirrel type to metatag value.\n";
        GetLog() << "[*] Incorrect binding argument count.\n";
        return;
    }
}

// An array of handles of the tags of a list, in order.
SQInteger ReturnTagArray(ScriptArgs& args, const zLinkedListId& tags) {
    HSQUIRRELVM vm = args.Vm();
    sq_newarray(vm, 0);
    for (const zLinkedListEntry* tag = tags.GetHead(); tag; tag = tag->GetNext()) {
        if (!PushScriptObject(vm, const_cast<zMetaTag*>(static_cast<const zMetaTag*>(tag)), ScriptKindMetatag,
                              false)) {
            sq_pop(vm, 1);
            return args.Error("Could not allocate C Object.");
        }
        sq_arrayappend(vm, -2);
    }
    return 1;
}

SQInteger MetafileNew(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetafile* document = new (std::nothrow) zMetafile();
    if (!document) return args.Error("Failed to allocate metafile.");
    return args.ReturnOwnedObject(document, ScriptKindMetafile);
}

// The file replaces the roots only once it has been read (a parse failure
// keeps what was read, as the reader does); the old roots' handles die then.
bool LoadInto(zMetafile& document, const char* path) {
    zMetafile loaded;
    const bool parsed = LoadMetafileFromFile(path, loaded);
    if (loaded.GetFileName().IsEmpty()) return false;
    InvalidateMetaTagScriptRecords(document);
    document.ClearRoots();
    while (zMetaTag* root = static_cast<zMetaTag*>(loaded.GetRoots().GetHead())) {
        loaded.DetachRoot(root);
        document.AddRoot(root);
    }
    document.SetFileName(path);
    return parsed;
}

SQInteger MetafileLoad(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetafile* document = MetafileArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.Return(LoadInto(*document, path));
}

SQInteger MetafileSave(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetafile* document = MetafileArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.Return(SaveMetafile(path, *document));
}

SQInteger MetafileGetRoots(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetafile* document = MetafileArgument(args);
    if (!args) return args.Fail();
    return ReturnTagArray(args, document->GetRoots());
}

SQInteger MetatagGetChildren(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* tag = MetatagArgument(args);
    if (!args) return args.Fail();
    return ReturnTagArray(args, tag->GetChildren());
}

SQInteger MetatagGetName(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* tag = args.ObjectOrNull<zMetaTag>(1, ScriptKindMetatag);
    if (!args) return args.Fail();
    return tag ? args.Return(tag->GetName()) : args.Return("[Invalid Tag Pointer]");
}

SQInteger MetatagGetType(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* tag = args.ObjectOrNull<zMetaTag>(1, ScriptKindMetatag);
    if (!args) return args.Fail();
    return args.Return(SQInteger(tag ? tag->GetValue().GetType() : VariantNone));
}

SQInteger MetatagGetValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* tag = args.ObjectOrNull<zMetaTag>(1, ScriptKindMetatag);
    if (!args) return args.Fail();
    if (!tag) return args.Return(SQInteger(-2));
    const zVariant& value = tag->GetValue();
    switch (value.GetType()) {
    case VariantFloat:
        return args.Return(SQFloat(tag->GetRawFloat()));
    case VariantBool:
        return args.Return(tag->GetBool());
    case VariantInt:
        return args.Return(SQInteger(tag->GetRawInt()));
    case VariantString:
        return args.Return(value.GetStringValue());
    default:
        GetLog() << "[!] Cannot get value from tag '" << tag->GetName() << "'. Unsupported type.\n";
        return args.Return(SQInteger(-1));
    }
}

SQInteger MetatagSetValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* tag = MetatagArgument(args);
    if (!args) return args.Fail();
    SetTagValue(args, *tag, 2);
    return args.None();
}

// A new tag named by position 2 under the parent (a document's roots or a
// tag's children), with the value at position 3 when WithValue. A parent
// that refuses children (a value tag) gives an empty handle.
template <bool WithValue> SQInteger AddTag(ScriptArgs& args, zMetafile* document, zMetaTag* parent) {
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zMetaTag* tag = new (std::nothrow) zMetaTag(name);
    if (!tag) return args.Error("Failed to allocate metatag.");
    zMetaTag* added = document ? document->AddRoot(tag) : parent->AddChild(tag);
    if (!added) {
        delete tag;
        return args.ReturnObject(nullptr, ScriptKindMetatag);
    }
    if (WithValue) SetTagValue(args, *added, 3);
    return args.ReturnObject(added, ScriptKindMetatag);
}

template <bool WithValue> SQInteger MetafileAddRoot(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetafile* document = MetafileArgument(args);
    if (!args) return args.Fail();
    return AddTag<WithValue>(args, document, nullptr);
}

template <bool WithValue> SQInteger MetatagAddChild(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMetaTag* parent = MetatagArgument(args);
    if (!args) return args.Fail();
    return AddTag<WithValue>(args, nullptr, parent);
}

// Path lookups: (owner, path) or, Typed, (owner, path, value type).
template <class Owner, i32 Kind, bool Typed> SQInteger GetTag(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    Owner* owner = args.Object<Owner>(1, Kind);
    const char* path = args.String(2);
    const SQInteger type = Typed ? args.Integer(3) : 0;
    if (!args) return args.Fail();
    zMetaTag* tag = Typed ? owner->GetTypedTag(path, u32(type)) : owner->GetTag(path);
    return args.ReturnObject(tag, ScriptKindMetatag);
}

const ScriptNative g_metafileNatives[] = {
    {"MetafileNew", ".", MetafileNew},
    {"MetafileDelete", ".x", ScriptDoNothing},
    {"MetafileLoad", ".xs", MetafileLoad},
    {"MetafileSave", ".xs", MetafileSave},
    {"MetafileGetRoots", ".x", MetafileGetRoots},
    {"MetatagGetName", ".x", MetatagGetName},
    {"MetatagGetType", ".x", MetatagGetType},
    {"MetatagGetValue", ".x", MetatagGetValue},
    {"MetatagSetValue", ".x.", MetatagSetValue},
    {"MetafileAddRoot", ".xs", MetafileAddRoot<false>},
    {"MetatagAddChild", ".xs", MetatagAddChild<false>},
    {"MetafileAddRootWithValue", ".xs.", MetafileAddRoot<true>},
    {"MetatagAddChildWithValue", ".xs.", MetatagAddChild<true>},
    {"MetafileGetTag", ".xs", GetTag<zMetafile, ScriptKindMetafile, false>},
    {"MetafileGetTypedTag", ".xsi", GetTag<zMetafile, ScriptKindMetafile, true>},
    {"MetatagGetTag", ".xs", GetTag<zMetaTag, ScriptKindMetatag, false>},
    {"MetatagGetTypedTag", ".xsi", GetTag<zMetaTag, ScriptKindMetatag, true>},
    {"MetatagGetChildren", ".x", MetatagGetChildren},
};

} // namespace

bool RegisterMetafileScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_metafileNatives);
}
