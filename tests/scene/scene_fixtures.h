// Helpers shared by the scene tests: ZML trees from text and curves from key tables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "markup/reader.h"
#include "markup/writer.h"
#include "render/curve.h"
#include "tests/markup/tree_dump.h"

// A parsed document; Root() is its first root tag.
struct ZmlDocument {
    zMetafile doc;

    explicit ZmlDocument(const std::string& body) {
        std::string text = "<ZML=1.0>\n" + body;
        EXPECT_TRUE(ParseMetafile(text.data(), text.size(), doc)) << body;
    }
    const zMetaTag* Root() const {
        zLinkedListIterator iterator{};
        return doc.GetNextRoot(iterator);
    }
};

// The tree of one tag, as tests/markup dumps it.
inline std::string DumpOne(const zMetaTag* tag) {
    std::string out;
    if (tag) DumpTag(*tag, 0, out);
    return out;
}

// A tag through the ZML writer and reader, to check what a file would keep.
// The tag is owned by the returned document's caller through Root().
inline std::unique_ptr<ZmlDocument> ThroughText(zMetaTag* tag) {
    zMetafile written;
    written.AddRoot(tag);
    std::string text;
    EXPECT_TRUE(SerializeMetafile(written, text));
    // Strip the header the document constructor adds again.
    const std::string header = "<ZML=1.0>\n";
    if (text.compare(0, header.size(), header) == 0) text.erase(0, header.size());
    return std::make_unique<ZmlDocument>(text);
}

struct Key {
    f32 time;
    f32 value;
    i32 type = CurveKindLinear;
    f32 tension = 0, continuity = 0, bias = 0;
    f32 inX = 0, inY = 0, outX = 0, outY = 0;
};

inline void FillCurve(zCurve& curve, const std::vector<Key>& keys) {
    for (const Key& key : keys) {
        auto point = std::make_unique<zCurvePoint>();
        point->type = key.type;
        point->time = key.time;
        point->value = key.value;
        point->tension = key.tension;
        point->continuity = key.continuity;
        point->bias = key.bias;
        point->inTangentX = key.inX;
        point->inTangentY = key.inY;
        point->outTangentX = key.outX;
        point->outTangentY = key.outY;
        ASSERT_TRUE(curve.AddPoint(std::move(point)));
    }
}

inline f32 ValueAt(const zCurve& curve, f32 time, i32 mode = LoopModeConstant, f32 start = CurveRangeFirstKey,
                   f32 end = CurveRangeLastKey) {
    f32 value = -12345.0f;
    curve.Evaluate(time, value, mode, start, end);
    return value;
}
