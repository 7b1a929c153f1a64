// The "Item" tag on any bytes: the first root of the parsed document goes to
// zItem::ParseTag. An item that reads is put in a small hierarchy (a parent
// read from the same tag, a child below it) and every matrix is computed,
// snapshotted, inverted and moved, so that values from the file reach the
// maths with whatever they hold. It is then written, read and written again:
// the second text must equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/item.h"

namespace {

void Exercise(const zMetaTag* root) {
    zItem parent;
    parent.ParseTag(root);
    zItem item;
    item.ParseTag(root);
    zItem child;
    item.SetParent(&parent);
    child.SetParent(&item);
    child.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    child.GetWorldMatrix();
    child.GetInverseMatrix();
    zMatrix4 without;
    item.GetWorldMatrixWithoutPivot(without);
    item.TranslateWorld(zVector(0.5f, -1.0f, 2.0f));
    item.SetMatrix(*child.GetWorldMatrix());
    zMinMax bounds;
    child.GetBounds(bounds);
    parent.SetParent(&child); // a cycle to correct
    child.GetInverseMatrix();
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zItem item;
    if (!item.ParseTag(root)) return std::string();
    return TagText(item.SerializeTag(), "a read item cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "item");
    return 0;
}
