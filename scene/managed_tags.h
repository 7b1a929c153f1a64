// The managed kinds' own tags ("MObject", "MLight", "MCamera", "Trigger")
// share one shape: a root named after the kind holding the "MItem" tag and
// the node's own tag. These two helpers are that shape; each kind passes its
// names and its node's reader or writer.
//
// A read that fails (a wrong root, an "MItem" without a valid uid, a node
// tag the node refuses) gives the item back the uid it had before, so a
// half-read item never keeps -1 or a file's unmapped uid.
#pragma once

#include <functional>

#include "core/types.h"

class zMetafile;
class zMetaTag;
class zItem;
class zMItem;
class zString;

// A string's text for logs and tags: "" for a string without buffer.
const char* TextOf(const zString& text);

struct zManagedTagNames {
    const char* root;     // "MObject"
    const char* kindText; // "managed object", for the wrong-root error
    const char* nodeTag;  // "Object"
    // The error line when the root cannot be made.
    const char* serializeError;
};

bool ParseManagedTag(zMItem& item, const zMetafile* document, const zMetaTag* tag,
                     const zManagedTagNames& names, const std::function<bool(const zMetaTag*)>& parseNode);
// The root with the "MItem" tag, then nodeTag (taken over, may be null when
// it failed). Null (logged) on any failure.
zMetaTag* SerializeManagedTag(const zMItem& item, const zManagedTagNames& names, zMetaTag* nodeTag);

// Every managed kind's SetParent: scene events 13 and 14 around the node's
// own re-link (zItem::SetParent).
void SetManagedParent(zMItem& item, zItem* parent);
