#include "scene/trigger.h"

#include "core/log.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"
#include "script/script_dispatch.h"

namespace {

const zManagedTagNames TriggerTagNames = {"Trigger", "trigger", "Item",
                                          "[!] Could not create managed root tag to serialize.\n"};

} // namespace

zTrigger::zTrigger(zScene* scene)
    : zMItem(scene, ManagedKindTrigger), zItem(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
}

zTrigger::~zTrigger() {
    Teardown();
    m_items.Clear();
}

void zTrigger::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

bool zTrigger::IsInside(const zVector& worldPoint) {
    zVector local(worldPoint.x, worldPoint.y, worldPoint.z, 1.0f);
    GetInverseMatrix()->TransformPoints(&local, &local, 1);
    return local.x > -0.5f && local.x < 0.5f && local.y > -0.5f && local.y < 0.5f && local.z > -0.5f &&
           local.z < 0.5f;
}

zTriggerItem* zTrigger::FindRecord(const zMItem* item) const {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        if (node->value->item == item) return node->value.get();
    return nullptr;
}

bool zTrigger::SendToItem(zMItem* item, void (zItemScriptEventDispatcher::*event)(zScriptUnitList&, void*)) {
    zItemScriptEventDispatcher* dispatcher = item->GetDispatcher();
    if (!dispatcher) return true;
    zWatch watch{item, false, m_watches};
    m_watches = &watch;
    zMItem* self = this;
    (dispatcher->*event)(item->GetScriptUnits(), self);
    m_watches = watch.outer;
    return !watch.destroyed;
}

void zTrigger::Enter(zMItem* item) {
    if (!item) return;
    if (!SendToItem(item, &zItemScriptEventDispatcher::OnTrigger)) return;
    if (zTriggerItem* record = FindRecord(item)) {
        record->mark = 1;
        return;
    }
    std::unique_ptr<zTriggerItem> record(new (std::nothrow) zTriggerItem(item));
    if (!record || !m_items.Add(std::move(record))) {
        GetLog() << "[!] Trigger '" << GetName() << "' could not record item '" << item->GetName() << "'.\n";
        return;
    }
    // A handler that destroys the item has already let it exit.
    if (!SendToItem(item, &zItemScriptEventDispatcher::OnEnterTrigger)) return;
    if (GetDispatcher()) GetDispatcher()->OnItemEnter(GetScriptUnits(), item);
}

void zTrigger::Exit(zTriggerItem* record) {
    if (!record) return;
    for (auto* node = m_items.GetHead(); node; node = node->next) {
        if (node->value.get() != record) continue;
        // Unlinked first: the handlers below may run detection again.
        std::unique_ptr<zTriggerItem> owned = m_items.Take(node);
        zMItem* item = owned->item;
        if (!SendToItem(item, &zItemScriptEventDispatcher::OnExitTrigger)) return;
        if (GetDispatcher()) GetDispatcher()->OnItemExit(GetScriptUnits(), item);
        return;
    }
}

void zTrigger::ExitItem(zMItem* item) {
    Exit(FindRecord(item));
}

void zTrigger::ForgetItem(zMItem* item) {
    for (zWatch* watch = m_watches; watch; watch = watch->outer)
        if (watch->item == item) watch->destroyed = true;
    ExitItem(item);
}

void zTrigger::ClearMarks() {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->mark = 0;
}

void zTrigger::ExitUnmarked() {
    for (auto* node = m_items.GetHead(); node;) {
        auto* next = node->next;
        if (!node->value->mark) {
            Exit(node->value.get());
            // Exit handlers may change the list: start over from the head,
            // where only marked records remain before the next unmarked one.
            next = m_items.GetHead();
        }
        node = next;
    }
}

void zTrigger::DetectItem(zMItem* item) {
    zItem* node = item ? item->GetItem() : nullptr;
    if (node && IsInside(node->GetWorldMatrix()->GetRow(3, true))) Enter(item);
}

bool zTrigger::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    return ParseManagedTag(*this, document, tag, TriggerTagNames,
                           [this](const zMetaTag* node) { return zItem::ParseTag(node); });
}

zMetaTag* zTrigger::SerializeTag() const {
    return SerializeManagedTag(*this, TriggerTagNames, zItem::SerializeTag());
}
