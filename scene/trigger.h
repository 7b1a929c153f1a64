// zTrigger: the managed box volume (kind 4) that reports items entering and
// leaving it. The volume is the unit cube around the item's origin, scaled,
// turned and placed by its world matrix; a point on a face is outside.
//
// The scene's trigger pass runs one detection per step: ClearMarks, Enter for
// every detected item whose world position is inside, ExitUnmarked. The
// records list who is inside; an item is in it from its first step inside to
// its first step outside, and leaves it early (with OnExitTrigger) when it is
// destroyed (ForgetItem, run by the scene for every destruction). A trigger
// destroyed with items inside sends nothing: its own OnDelete says it is gone.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/vector.h"
#include "scene/item.h"
#include "scene/managed_item.h"

class zItemScriptEventDispatcher;
class zMetafile;
class zMetaTag;

struct zTriggerItem {
    explicit zTriggerItem(zMItem* item) : item(item) {}
    u8 mark = 1;  // still inside in the current pass
    zMItem* item; // not owned
};

class zTrigger : public zMItem, public zItem {
  public:
    explicit zTrigger(zScene* scene);
    ~zTrigger() override;

    // Scene events 13 and 14 around the re-link.
    void SetParent(zItem* parent) override;

    // Strictly inside the cube (-0.5, 0.5) in the trigger's own frame.
    bool IsInside(const zVector& worldPoint);
    // OnTrigger(item, trigger) every time; the first time also a record,
    // OnEnterTrigger(item, trigger) and OnItemEnter(trigger, item). Later
    // calls only mark the record.
    void Enter(zMItem* item);
    // OnExitTrigger(item, trigger), OnItemExit(trigger, item), then the
    // record is dropped. Null or a record not held: nothing.
    void Exit(zTriggerItem* record);
    void ExitItem(zMItem* item);
    void ClearMarks();
    void ExitUnmarked();
    const zList<std::unique_ptr<zTriggerItem>>& GetItems() const { return m_items; }
    // The record of item, or null.
    zTriggerItem* FindRecord(const zMItem* item) const;

    // The scene's detection pass.
    void BeginDetection() override { ClearMarks(); }
    void DetectItem(zMItem* item) override;
    void EndDetection() override { ExitUnmarked(); }
    void ForgetItem(zMItem* item) override;

    // The "Trigger" tag: "MItem" and "Item" children.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

  private:
    // An item whose handler is running, noted so that its destruction in the
    // handler is seen (the pointer must then not be used again). Nested
    // sends chain their frames.
    struct zWatch {
        zMItem* item;
        bool destroyed;
        zWatch* outer;
    };
    // Sends one of the item's trigger events; false when the handler
    // destroyed the item.
    bool SendToItem(zMItem* item, void (zItemScriptEventDispatcher::*event)(zScriptUnitList&, void*));

    zList<std::unique_ptr<zTriggerItem>> m_items;
    zWatch* m_watches = nullptr;
};
