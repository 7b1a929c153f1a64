// zInstance: the managed item (kind 6) that places another scene file, its
// template, into the scene. The scene's setup loads the template's items
// into a group whose parentless members hang under the instance, and the
// template's scene-level script units become the instance's own.
//
// A template that instantiates itself, directly or through other templates,
// would load without end: each instance remembers the chain of templates
// that brought it in, and a template already in the chain (or a chain of
// MaximumTemplateDepth) is refused with a log line.
#pragma once

#include "core/list.h"
#include "core/zstring.h"
#include "scene/item.h"
#include "scene/managed_item.h"

class zGroup;

class zInstance : public zMItem, public zItem {
  public:
    static constexpr u32 MaximumTemplateDepth = 16;
    // The template flags: everything but the current camera, the globals,
    // tool-only items and the scene's own script units.
    static constexpr u32 TemplateLoadFlags = ~(0x80u | 0x100u | 0x1000u | 0x2000u);

    explicit zInstance(zScene* scene);
    ~zInstance() override;
    bool HoldsItems() const override { return false; }

    // Forgets the group (the loaded items stay in the scene).
    void SetTemplate(const char* path);
    const zString& GetTemplate() const { return m_template; }
    void UnloadTemplate();
    // Once per group: nothing while inactive, without scripts (tool mode 1),
    // with a group held or without a template.
    void LoadTemplate();
    zGroup* GetGroup() const { return m_group; }
    // The scene's cleanup of a group leaving it.
    void ForgetGroup(const zGroup* group);

    void SetupTemplate() override { LoadTemplate(); }
    // Scene events 13 and 14 around the re-link.
    void SetParent(zItem* parent) override;

    // The "Instance" tag.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

  private:
    bool InTemplateChain(const zString& path) const;

    zString m_template;
    zGroup* m_group = nullptr;
    // The templates whose loading brought this instance in, outermost first.
    zList<zString> m_templateChain;
    u32 m_templateDepth = 0;
};
