#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "markup/math_tags.h"
#include "render/trilist.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

const char* const TextQuad = R"(<ZML=1.0>
<Geometry=
  <RenderWord=<Lit>>
  <Materials=<Material=<Id="paint">>>
  <AVertex=<Count=4><Data=
    <V=<X=0.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=1.0><Z=0.0>>
    <V=<X=0.0><Y=1.0><Z=0.0>>>>
  <APolygon=<Count=1><BindingCount=4><Data=
    <P=<Count=4><Material=0><Index=0><Index=1><Index=2><Index=3>>>>
>
)";

std::vector<u8> BlockBytes(const zMetaTag* root, const char* path) {
    const zMetaTag* tag = root->GetTag(path);
    if (!tag || tag->GetValue().GetType() != VariantBinary) return {};
    const u8* data = static_cast<const u8*>(tag->GetValue().GetBinaryData());
    return std::vector<u8>(data, data + tag->GetValue().GetBinarySize());
}

std::unique_ptr<zMetaTag> Save(zGeometry& geometry) {
    zMetafile doc;
    return std::unique_ptr<zMetaTag>(geometry.BuildRootTag(doc));
}

std::string SaveText(zGeometry& geometry) {
    zMetafile doc;
    EXPECT_TRUE(geometry.SaveToMetafile(doc));
    std::string text;
    EXPECT_TRUE(SerializeMetafile(doc, text));
    return text;
}

std::string LastChildName(const zMetaTag* tag) {
    const zMetaTag* last = nullptr;
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag->GetNextChild(iterator))
        last = child;
    return last ? last->GetName().CStr() : "";
}

// ---- Round trip ---------------------------------------------------------------

TEST(GeometryFile, TextQuadSavesInBinaryFormAndReadsBack) {
    GeometryHost host;
    zGeometry geometry(&host);
    ASSERT_TRUE(LoadText(geometry, TextQuad));
    auto root = Save(geometry);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(BlockBytes(root.get(), "Vertex:Data;"), Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(BlockBytes(root.get(), "Polygon:Data;"), Words({4, 0, 1, 2, 3, 0}));
    EXPECT_EQ(root->GetTypedTag("Polygon:Count;", VariantInt)->GetRawInt(), 1);
    EXPECT_EQ(root->GetTypedTag("Polygon:BindingCount;", VariantInt)->GetRawInt(), 4);
    EXPECT_NE(root->GetTag("RenderWord:Lit;"), nullptr);
    EXPECT_EQ(LastChildName(root.get()), "Materials");

    const std::string first = SaveText(geometry);
    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, first));
    ASSERT_EQ(copy.GetVertexCount(), 4u);
    ASSERT_EQ(copy.GetPolygonCount(), 1u);
    for (u32 c = 0; c < 4; ++c)
        EXPECT_EQ(copy.GetPolygons()[0].bindings[c], c);
    EXPECT_EQ(copy.GetPolygons()[0].material, 0);
    EXPECT_EQ(copy.GetMaterial(0)->GetName(), "paint");
    EXPECT_EQ(copy.GetBounds().min.x, 0.0f);
    EXPECT_EQ(copy.GetBounds().max.x, 1.0f);
    EXPECT_EQ(copy.GetBounds().max.y, 1.0f);
    EXPECT_EQ(copy.GetBounds().max.z, 0.0f);
    EXPECT_EQ(SaveText(copy), first);
}

TEST(GeometryFile, ReadLogsTheLoadAndItsSummary) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    geometry.SetName("quad.zml");
    ASSERT_TRUE(LoadText(geometry, TextQuad));
    EXPECT_EQ(log.Text().find("Loading geometry 'quad.zml'.\n"), 0u);
    EXPECT_NE(log.Text().find("ms. 4 vertice, 1 polygon(s), 1 material(s).\n"), std::string::npos);
}

// ---- Quantisation ---------------------------------------------------------------

TEST(GeometryFile, NormalsAreStoredAsTruncatedSignedBytes) {
    GeometryHost host;
    auto geometry =
        MakeGeometry(&host, {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0)}, {{{0, 1, 2}}});
    ASSERT_TRUE(geometry->AllocatePolygonNormals());
    geometry->GetPolygonNormals()[0] = zVector(0.6f, 0.8f, 0.0f, 0.0f);
    ASSERT_TRUE(geometry->AllocateBindingNormals());
    geometry->GetBindingNormals()[0] = zVector(1, 0, 0, 0);
    geometry->GetBindingNormals()[1] = zVector(0, -1, 0, 0);
    geometry->GetBindingNormals()[2] = zVector(0, 0, 1, 0);
    auto root = Save(*geometry);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(BlockBytes(root.get(), "PNormal:Data;"), (std::vector<u8>{76, 101, 0}));
    EXPECT_EQ(BlockBytes(root.get(), "VNormal:Data;"), (std::vector<u8>{127, 0, 0, 0, 0x81, 0, 0, 0, 127}));

    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, SaveText(*geometry)));
    EXPECT_NEAR(copy.GetPolygonNormals()[0].x, 0.6f, 2e-3f);
    EXPECT_NEAR(copy.GetPolygonNormals()[0].y, 0.8f, 2e-3f);
    EXPECT_EQ(copy.GetBindingNormals()[0].x, 1.0f);
    EXPECT_EQ(copy.GetBindingNormals()[1].y, -1.0f);
    EXPECT_EQ(copy.GetBindingNormals()[2].z, 1.0f);
}

TEST(GeometryFile, ColoursTakeFourFloatsOnlyWhenAnAlphaIsBelowOne) {
    for (f32 alpha : {1.0f, 0.5f}) {
        SCOPED_TRACE(alpha);
        GeometryHost host;
        auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
        ASSERT_TRUE(geometry->AllocateBindingColors());
        for (u32 b = 0; b < 4; ++b)
            geometry->GetBindingColors()[b] = zVector(0.25f * f32(b), 0.5f, 1.0f, 1.0f);
        geometry->GetBindingColors()[2].w = alpha;
        auto root = Save(*geometry);
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(BlockBytes(root.get(), "RGB:Data;").size(), alpha < 1.0f ? 64u : 48u);

        zGeometry copy(&host);
        ASSERT_TRUE(LoadText(copy, SaveText(*geometry)));
        ASSERT_NE(copy.GetBindingColors(), nullptr);
        EXPECT_EQ(copy.GetBindingColors()[3].x, 0.75f);
        EXPECT_EQ(copy.GetBindingColors()[2].w, alpha);
        EXPECT_EQ(copy.GetBindingColors()[1].w, 1.0f);
    }
}

TEST(GeometryFile, UVChannelsRoundTrip) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->AllocateUVChannels(2));
    for (u32 b = 0; b < 4; ++b) {
        geometry->GetUVChannel(0)[b] = zVector2(f32(b), 0.5f);
        geometry->GetUVChannel(1)[b] = zVector2(-1.0f, f32(b) * 0.25f);
    }
    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, SaveText(*geometry)));
    ASSERT_EQ(copy.GetUVChannelCount(), 2u);
    EXPECT_EQ(copy.GetUVChannel(0)[3].x, 3.0f);
    EXPECT_EQ(copy.GetUVChannel(1)[2].y, 0.5f);
}

// ---- Skin ---------------------------------------------------------------------

zMetaTag* SkinTag(u32 bones, std::vector<const char*> weights) {
    std::vector<zMetaTag*> ids, list;
    for (u32 i = 0; i < bones; ++i)
        ids.push_back(new zMetaTag("Id", ("bone" + std::to_string(i)).c_str()));
    for (const char* w : weights)
        list.push_back(new zMetaTag("W", w));
    return Node("Skin", {Node("Bones", ids), Node("Weights", list)});
}

TEST(GeometryFile, SkinWeightsReadWithAnySeparator) {
    for (const char* text : {"1,2,3,4:255,0,0,0", "1;2;3;4/255 0 0 0"}) {
        SCOPED_TRACE(text);
        GeometryHost host;
        zGeometry geometry(&host);
        ASSERT_TRUE(
            LoadTree(geometry, {QuadVertexTag(), QuadPolygonTag(), SkinTag(5, {text, text, text, text})}));
        ASSERT_EQ(geometry.GetBoneCount(), 5u);
        EXPECT_EQ(geometry.GetBoneNames()[4], "bone4");
        const zSkinWeight& weight = geometry.GetSkinWeights()[3];
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(weight.bones[i], i + 1);
        EXPECT_EQ(weight.weights[0], 1.0f);
        EXPECT_EQ(weight.weights[1], 0.0f);
    }
}

TEST(GeometryFile, WeightCountOtherThanTheVertexCountIsSizedByTheVertices) {
    for (size_t count : {size_t(2), size_t(6)}) {
        SCOPED_TRACE(count);
        LogCapture log;
        GeometryHost host;
        zGeometry geometry(&host);
        std::vector<const char*> weights(count, "0,1,0,0:128,127,0,0");
        ASSERT_TRUE(LoadTree(geometry, {QuadVertexTag(), QuadPolygonTag(), SkinTag(2, weights)}));
        EXPECT_NE(log.Text().find("[*] Incoherent weight count (" + std::to_string(count) +
                                  " for 4 vertice (is the skin being declared before the vertice?)).\n"),
                  std::string::npos);
        const zSkinWeight* skin = geometry.GetSkinWeights();
        ASSERT_NE(skin, nullptr);
        EXPECT_EQ(skin[1].bones[1], 1);
        EXPECT_EQ(skin[3].weights[0], count > 4 ? 128.0f / 255.0f : 0.0f);
    }
}

TEST(GeometryFile, SkinRoundTripKeepsEveryWeightStep) {
    GeometryHost host;
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < 256; ++i)
        vertices.emplace_back(f32(i), 0.0f, 0.0f);
    for (u32 i = 0; i + 2 < 256; i += 3)
        polygons.push_back({{i, i + 1, i + 2}});
    auto geometry = MakeGeometry(&host, vertices, polygons);
    ASSERT_TRUE(geometry->AllocateSkin(3));
    geometry->GetBoneBinds()[2] = zMatrix4::Translation(zVector(1, 2, 3));
    for (u32 i = 0; i < 256; ++i) {
        geometry->GetSkinWeights()[i].weights[0] = f32(i) / 255.0f;
        geometry->GetSkinWeights()[i].bones[0] = u16(i % 3);
    }
    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, SaveText(*geometry)));
    ASSERT_EQ(copy.GetBoneCount(), 3u);
    EXPECT_EQ(copy.GetBoneBinds()[2].GetRow(3, false).y, 2.0f);
    for (u32 i = 0; i < 256; ++i) {
        EXPECT_EQ(copy.GetSkinWeights()[i].weights[0], f32(i) / 255.0f) << i;
        EXPECT_EQ(copy.GetSkinWeights()[i].bones[0], i % 3);
    }
}

// A skin that names its bones but gives no weights used to get zeroed
// weights: its materials were marked skinned and every vertex lost its bones.
TEST(GeometryFile, SkinWithoutWeightsHasNoWeights) {
    std::vector<std::string> journal;
    GeometryHost host;
    GeometryJournalRenderer renderer(&host, &journal);
    zGeometry geometry(&host);
    zMetaTag* skin = Node("Skin", {Node("Bones", {new zMetaTag("Id", "hip"), new zMetaTag("Id", "knee")})});
    ASSERT_TRUE(LoadTree(geometry, {QuadVertexTag(), QuadPolygonTag(), skin}));
    ASSERT_EQ(geometry.GetBoneCount(), 2u);
    EXPECT_EQ(geometry.GetBoneNames()[1], "knee");
    EXPECT_EQ(geometry.GetSkinWeights(), nullptr);

    ASSERT_TRUE(geometry.Setup());
    EXPECT_NE(std::find(journal.begin(), journal.end(), "SetupMaterial 0"), journal.end());
    std::unique_ptr<zLinkedList> lists(zTrilist::BuildFromGeometry(&geometry, 16384));
    ASSERT_NE(lists, nullptr);
    EXPECT_TRUE(static_cast<const zTrilist*>(lists->GetHead())->skin.IsEmpty());

    auto root = Save(geometry);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root->GetTag("Skin:Bones"), nullptr);
    EXPECT_EQ(root->GetTag("Skin:Weights"), nullptr);
}

// ---- Reader results ---------------------------------------------------------------

TEST(GeometryFile, ReaderResults) {
    struct Case {
        const char* name;
        std::function<zMetaTag*()> root;
        bool result;
        std::vector<std::string> messages;
        u32 uvChannels;
    } cases[] = {
        {"wrong root",
         [] {
             return Node("Mesh", {QuadVertexTag(), QuadPolygonTag()});
         },
         false,
         {"[!] Could not parse material. Root tag id is incorrect (Mesh)...\n"},
         0},
        {"no vertices",
         [] { return Node("Geometry", {QuadPolygonTag()}); },
         false,
         {"[!] No vertice in geometry 'g'.\n"},
         0},
        {"no polygons",
         [] { return Node("Geometry", {QuadVertexTag()}); },
         false,
         {"[!] No polygon in geometry 'g'.\n"},
         0},
        {"no materials",
         [] {
             return Node("Geometry", {QuadVertexTag(), QuadPolygonTag()});
         },
         true,
         {"[*] Expected at least one material in geometry 'g'.\n"},
         0},
        {"four UV channels",
         [] {
             std::vector<zMetaTag*> uv{Int("Count", 4)};
             for (int i = 0; i < 4; ++i)
                 uv.push_back(Block("Data", Floats(std::vector<f32>(8, 0.5f))));
             return Node("Geometry", {QuadVertexTag(), QuadPolygonTag(), Node("UV", uv)});
         },
         true,
         {"[*] 'g' requires more UV channels than this build can handle.\n",
          "[*]    Please increase zUVMapCount and recompile zEngine to fully import this object.\n"},
         3},
        {"vertex count missing",
         [] {
             return Node("Geometry", {Node("Vertex", {Block("Data", {})}), QuadPolygonTag()});
         },
         false,
         {"[!] Incomplete vertex chunk loading 'g', expected vertex count integer tag.\n"},
         0},
        {"binding count missing",
         [] {
             return Node("Geometry",
                         {QuadVertexTag(),
                          Node("Polygon", {Int("Count", 1), Block("Data", Words({3, 0, 1, 2, 0}))})});
         },
         false,
         {"[!] Incomplete polygon chunk loading 'g'.\n"},
         0},
        {"parts without their counts or data",
         [] {
             return Node("Geometry",
                         {QuadVertexTag(), QuadPolygonTag(), Node("VNormal", {Block("Data", {})}),
                          Node("RGB", {Int("Count", 4)}), Node("Skin", {Node("Bones", {})}),
                          Node("UV", {Block("Data", {})}), Node("PNormal", {Block("Data", {0, 0, 127})})});
         },
         true,
         {"[!] No count tag in <VNormal>.\n", "[!] Expected <Data> tag under <RGB> tag.\n",
          "[*] Invalid bone count in skin (0).\n",
          "[!] Could not locate Count tag in UV tag while loading 'g'.\n",
          "[!] Incomplete polygon normal chunk loading 'g'.\n"},
         0},
        {"unknown render word",
         [] {
             return Node("Geometry",
                         {Node("RenderWord", {new zMetaTag("Shiny")}), QuadVertexTag(), QuadPolygonTag()});
         },
         true,
         {"[*] Unknown tag 'Shiny' in geometry 'g'.\n"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        GeometryHost host;
        zGeometry geometry(&host);
        geometry.SetName("g");
        EXPECT_EQ(LoadText(geometry, ZmlText(c.root())), c.result);
        for (const std::string& message : c.messages)
            EXPECT_NE(log.Text().find(message), std::string::npos) << message;
        EXPECT_EQ(geometry.GetUVChannelCount(), c.uvChannels);
        if (c.result) {
            EXPECT_EQ(geometry.GetMaterialCount(), 1u);
        } else {
            EXPECT_EQ(geometry.GetVertexCount(), 0u);
            EXPECT_EQ(geometry.GetPolygonCount(), 0u);
        }
    }
}

// Each fixture breaks one count; the file must be refused without reading
// or writing out of bounds.
TEST(GeometryFile, UnsafeCountsAreRefused) {
    struct Case {
        const char* name;
        std::function<std::vector<zMetaTag*>()> children;
        const char* message;
    } cases[] = {
        {"vertex data shorter than its count",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(5), QuadPolygonTag()};
         },
         "<Vertex>"},
        {"negative vertex count",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(-4), QuadPolygonTag()};
         },
         "negative count"},
        {"corner index past the vertices",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(1, 4, {4, 0, 1, 2, 4, 0})};
         },
         "vertex index out of range"},
        {"corner counts do not add up",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(1, 3, {4, 0, 1, 2, 3, 0})};
         },
         "<Polygon>"},
        {"corner count past the data",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(),
                                           QuadPolygonTag(1, 4, {0xFFFFFFFF, 0, 1, 2, 3, 0})};
         },
         "<Polygon>"},
        {"corner count above 16 bits",
         [] {
             std::vector<u32> words{65536};
             words.insert(words.end(), 65536, 0);
             words.push_back(0);
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(1, 65536, words)};
         },
         "corner count above 65535"},
        {"material above 16 bits",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(1, 4, {4, 0, 1, 2, 3, 65536})};
         },
         "material index above 65535"},
        {"polygon count past the data",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(),
                                           QuadPolygonTag(0x10000000, 4, {4, 0, 1, 2, 3, 0})};
         },
         "<Polygon>"},
        {"negative binding count",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(1, -4, {4, 0, 1, 2, 3, 0})};
         },
         "negative count"},
        {"polygon normal count other than the polygons",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(), QuadPolygonTag(),
                 Node("PNormal", {Int("Count", 2), Block("Data", {0, 0, 127, 0, 0, 127})})};
         },
         "<PNormal>"},
        {"polygon normal data short",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(),
                                           Node("PNormal", {Int("Count", 1), Block("Data", {0, 0})})};
         },
         "<PNormal>"},
        {"binding normal data short",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(), QuadPolygonTag(),
                 Node("VNormal", {Int("Count", 4), Block("Data", std::vector<u8>(9, 0))})};
         },
         "<VNormal>"},
        {"colour data of neither three nor four floats",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(),
                                           Node("RGB", {Block("Data", Floats(std::vector<f32>(14, 1.0f)))})};
         },
         "<RGB>"},
        {"UV data short",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(), QuadPolygonTag(),
                 Node("UV", {Int("Count", 1), Block("Data", Floats({0, 0, 1, 0}))})};
         },
         "<UV>"},
        {"fewer UV data than channels",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(), QuadPolygonTag(),
                 Node("UV", {Int("Count", 2), Block("Data", Floats(std::vector<f32>(8, 0.0f)))})};
         },
         "<UV>"},
        {"bone id past the bones",
         [] {
             return std::vector<zMetaTag*>{QuadVertexTag(), QuadPolygonTag(),
                                           SkinTag(2, {"0,0,0,0:255,0,0,0", "2,0,0,0:255,0,0,0"})};
         },
         "bone id out of range"},
        {"text vertices fewer than their count",
         [] {
             return std::vector<zMetaTag*>{
                 Node("AVertex", {Int("Count", 1000000000), Node("Data", {SerializeVector(zVector())})}),
                 QuadPolygonTag()};
         },
         "<AVertex>"},
        {"text polygon index past the vertices",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(),
                 Node("APolygon",
                      {Int("Count", 1), Int("BindingCount", 3),
                       Node("Data", {Node("P", {Int("Count", 3), Int("Material", 0), Int("Index", 0),
                                                Int("Index", 1), Int("Index", 9)})})})};
         },
         "vertex index out of range"},
        {"text polygon corners past the binding count",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(),
                 Node("APolygon",
                      {Int("Count", 1), Int("BindingCount", 2),
                       Node("Data", {Node("P", {Int("Count", 3), Int("Material", 0), Int("Index", 0),
                                                Int("Index", 1), Int("Index", 2)})})})};
         },
         "BindingCount"},
        {"text polygon count past its children",
         [] {
             return std::vector<zMetaTag*>{
                 QuadVertexTag(),
                 Node("APolygon",
                      {Int("Count", 1000000000), Int("BindingCount", 3),
                       Node("Data", {Node("P", {Int("Count", 3), Int("Material", 0), Int("Index", 0),
                                                Int("Index", 1), Int("Index", 2)})})})};
         },
         "<APolygon>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        GeometryHost host;
        zGeometry geometry(&host);
        geometry.SetName("bad");
        EXPECT_FALSE(LoadTree(geometry, c.children()));
        EXPECT_NE(log.Text().find(c.message), std::string::npos) << log.Text();
        EXPECT_NE(log.Text().find("[!] "), std::string::npos);
        EXPECT_EQ(geometry.GetVertexCount(), 0u);
        EXPECT_EQ(geometry.GetPolygonCount(), 0u);
        EXPECT_EQ(geometry.GetSkinWeights(), nullptr);
    }
}

TEST(GeometryFile, TextPolygonWithoutCountGetsNoCorners) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    ASSERT_TRUE(LoadTree(
        geometry,
        {QuadVertexTag(),
         Node("APolygon", {Int("Count", 2), Int("BindingCount", 4),
                           Node("Data", {Node("P", {Int("Count", 3), Int("Material", 1), Int("Index", 0),
                                                    Int("Index", 1), Int("Index", 2)}),
                                         Node("P", {Int("Index", 3)})})})}));
    EXPECT_NE(log.Text().find("[!] Corrupt <Polygon> tag in <APolygon>.\n"), std::string::npos);
    ASSERT_EQ(geometry.GetPolygonCount(), 2u);
    EXPECT_EQ(geometry.GetPolygons()[0].material, 1);
    EXPECT_EQ(geometry.GetPolygons()[1].cornerCount, 0);
    EXPECT_EQ(geometry.GetBindingCount(), 3u);
}

TEST(GeometryFile, TextColoursAndUVs) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    auto value = [](std::vector<zMetaTag*> children) { return Node("Value", std::move(children)); };
    auto f = [](const char* name, f32 number) { return new zMetaTag(name, number); };
    ASSERT_TRUE(LoadTree(
        geometry,
        {QuadVertexTag(), QuadPolygonTag(),
         Node("ARGB",
              {Int("Count", 4), Node("Data", {value({f("R", 0.5f), f("A", 0.25f)}), value({f("G", 1.0f)})})}),
         Node("AUV", {Int("Count", 1), Node("Data", {value({f("U", 0.5f)}), value({f("V", 2.0f)}), value({}),
                                                     value({}), value({f("U", 9.0f)})})})}));
    EXPECT_NE(log.Text().find("[*] Not enough <Value> tags in RGB list of geometry ''.\n"),
              std::string::npos);
    EXPECT_NE(log.Text().find("[!] Too many <Value> tags in UV channel 0 of geometry ''.\n"),
              std::string::npos);
    const zVector* colors = geometry.GetBindingColors();
    ASSERT_NE(colors, nullptr);
    EXPECT_EQ(colors[0].x, 0.5f);
    EXPECT_EQ(colors[0].w, 0.25f);
    EXPECT_EQ(colors[1].y, 1.0f);
    EXPECT_EQ(colors[1].w, 1.0f);
    EXPECT_EQ(colors[3].w, 1.0f);
    ASSERT_EQ(geometry.GetUVChannelCount(), 1u);
    EXPECT_EQ(geometry.GetUVChannel(0)[0].x, 0.5f);
    EXPECT_EQ(geometry.GetUVChannel(0)[1].y, 2.0f);
    EXPECT_EQ(geometry.GetUVChannel(0)[3].x, 0.0f);
}

// ---- Writer -------------------------------------------------------------------

TEST(GeometryFile, WriterEmitsProxyValuesOnlyWhenSet) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    auto root = Save(*geometry);
    ASSERT_NE(root, nullptr);
    for (const char* name : {"LodProxy", "LodDistance", "LodNull", "ShadowProxy", "ShadowNull", "ZFar",
                             "PNormal", "VNormal", "RGB", "UV", "Skin"}) {
        EXPECT_EQ(root->GetTag(name), nullptr) << name;
    }

    auto proxy = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    proxy->SetName("low.zml");
    ASSERT_TRUE(geometry->SetLodProxy(proxy.Get()));
    geometry->SetLodDistance(50.0f);
    geometry->SetFarDistance(0.0f);
    geometry->SetFlags(GeometryNotDrawnBeyondLod | GeometryNoShadow);
    root = Save(*geometry);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(std::string(root->GetTag("LodProxy")->GetValue().GetStringValue().CStr()), "low.zml");
    EXPECT_EQ(root->GetTag("LodDistance")->GetRawFloat(), 50.0f);
    EXPECT_TRUE(root->GetTag("LodNull")->GetBool());
    EXPECT_TRUE(root->GetTag("ShadowNull")->GetBool());
    EXPECT_EQ(root->GetTag("ZFar")->GetRawFloat(), 0.0f);
    EXPECT_EQ(LastChildName(root.get()), "Materials");

    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, SaveText(*geometry)));
    EXPECT_EQ(copy.GetFlags(), u32(GeometryNotDrawnBeyondLod | GeometryNoShadow));
    EXPECT_EQ(copy.GetLodDistance(), 50.0f);
    EXPECT_EQ(copy.GetFarDistance(), 0.0f);
    EXPECT_EQ(host.proxyLoads, std::vector<std::string>{"low.zml"});
}

TEST(GeometryFile, EmptyGeometryIsNotSerialized) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    geometry.SetName("void");
    EXPECT_EQ(Save(geometry), nullptr);
    EXPECT_EQ(log.Text(), "[!] Cannot serialize 'void', geometry is empty.\n");
}

// ---- Proxies --------------------------------------------------------------------

std::string ProxyFile(const char* lodProxy) {
    return ZmlText(Node("Geometry", {QuadVertexTag(), QuadPolygonTag(), new zMetaTag("LodProxy", lodProxy),
                                     new zMetaTag("LodDistance", 30.0f), new zMetaTag("ShadowNull", true)}));
}

TEST(GeometryFile, ProxiesLoadThroughTheHost) {
    GeometryHost host;
    host.files["low.zml"] = ZmlText(Node("Geometry", {QuadVertexTag(), QuadPolygonTag()}));
    zGeometry geometry(&host);
    geometry.SetName("high.zml");
    ASSERT_TRUE(LoadText(geometry, ProxyFile("low.zml")));
    ASSERT_NE(geometry.GetLodProxy(), nullptr);
    EXPECT_EQ(geometry.GetLodProxy()->GetName(), "low.zml");
    EXPECT_EQ(geometry.GetLodDistance(), 30.0f);
    EXPECT_EQ(geometry.GetFlags(), u32(GeometryNoShadow));
}

TEST(GeometryFile, ProxyCycleInFilesIsRefused) {
    LogCapture log;
    GeometryHost host;
    host.files["b.zml"] = ProxyFile("a.zml");
    zGeometry a(&host);
    a.SetName("a.zml");
    ASSERT_TRUE(LoadText(a, ProxyFile("b.zml")));
    zGeometry* b = a.GetLodProxy();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetLodProxy(), nullptr);
    EXPECT_EQ(host.proxyLoads, std::vector<std::string>{"b.zml"});
    EXPECT_NE(log.Text().find("[!] Proxy 'a.zml' of geometry 'b.zml' refers back to it, proxy refused.\n"),
              std::string::npos);

    zGeometry self(&host);
    self.SetName("self.zml");
    ASSERT_TRUE(LoadText(self, ProxyFile("self.zml")));
    EXPECT_EQ(self.GetLodProxy(), nullptr);
}

TEST(GeometryFile, DamagedDocumentsNeverReadOutOfBounds) {
    GeometryHost host;
    const std::string whole = SaveText(*MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}}));
    for (size_t cut = 0; cut < whole.size(); cut += 7) {
        zGeometry geometry(&host);
        LoadGeometryFromBuffer(geometry, whole.data(), cut);
        if (geometry.GetPolygonCount()) {
            EXPECT_LT(geometry.GetPolygons()[0].bindings[3], geometry.GetVertexCount());
        }
    }
}

} // namespace
