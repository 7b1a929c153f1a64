#include "fuzz/terrain_budget.h"

#include <vector>

#include "markup/meta_tag.h"

u64 ClaimedTerrainArea(const zMetaTag* root) {
    u64 largest = 0;
    // Tags nest as deep as the input does: a list, not recursion.
    std::vector<const zMetaTag*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty()) {
        const zMetaTag* tag = pending.back();
        pending.pop_back();
        if (tag->GetName() == "Heightmap") {
            const zMetaTag* width = tag->GetTypedTag("Width;", VariantInt);
            const zMetaTag* height = tag->GetTypedTag("Height;", VariantInt);
            if (width && height && width->GetRawInt() > 0 && height->GetRawInt() > 0) {
                const u64 area = u64(width->GetRawInt()) * u64(height->GetRawInt());
                if (area > largest) largest = area;
            }
        }
        zLinkedListIterator iterator{};
        while (const zMetaTag* child = tag->GetNextChild(iterator))
            pending.push_back(child);
    }
    return largest;
}
