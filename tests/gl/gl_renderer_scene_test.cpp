// Frames of the "gl2" renderer as a scene has them drawn, read back from
// Mesa: objects hiding each other in both pipelines after the scene's clear
// (depth 0), skinned meshes posed by their item's bones, flat geometry lit
// like its smooth counterpart, the present's buffer size and the normal
// matrices of material programs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "render/material.h"
#include "render/octree.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_map.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

// A light at a fixed world place.
struct PlacedLight : zRenderLight {
    zVector place;
    void GetRenderAxes(zVector& position, zVector& zAxis) override {
        position = place;
        zAxis = zVector(0.0f, 0.0f, 1.0f, 0.0f);
    }
};

struct GLRendererScene : GLRendererFrame {
    std::vector<zSharedPtr<zGeometry>> plates;
    std::vector<std::unique_ptr<MeshRenderable>> meshes;

    void TearDown() override {
        if (renderer) {
            renderer->ResetRenderQueue();
            for (auto& plate : plates)
                renderer->FreeGeometry(plate.Get());
        }
        plates.clear();
        GLRendererFrame::TearDown();
    }

    // A geometry of those vertices and polygons in one colour, set up, with
    // vertex normals when asked (else polygons only: flat).
    zGeometry* Plate(const std::vector<zVector>& vertices, const std::vector<PolygonSpec>& polygons,
                     const f32 colour[3], u32 materialFlags = 0, bool vertexNormals = true) {
        zSharedPtr<zGeometry> geometry = MakeGeometry(&host, vertices, polygons);
        if (vertexNormals) {
            geometry->ComputePolygonNormals(true);
            geometry->ComputeVertexNormals(true);
        }
        zMaterial* material = geometry->GetMaterial(0);
        material->SetColor(MaterialColorDiffuse, colour[0], colour[1], colour[2], 1.0f);
        material->SetColor(MaterialColorAmbient, colour[0], colour[1], colour[2], 1.0f);
        material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
        material->SetFlags(material->GetFlags() | materialFlags);
        renderer->SetCleanResourceOnSetup(false);
        LogCapture quiet;
        EXPECT_TRUE(renderer->SetupMaterial(material));
        EXPECT_TRUE(renderer->SetupGeometry(geometry.Get()));
        plates.push_back(geometry);
        return geometry.Get();
    }
    // A square from (x0, y0) to (x1, y1) at depth z, facing the camera.
    zGeometry* Square(f32 x0, f32 y0, f32 x1, f32 y1, f32 z, const f32 colour[3], u32 materialFlags = 0) {
        return Plate({zVector(x0, y0, z), zVector(x1, y0, z), zVector(x1, y1, z), zVector(x0, y1, z)},
                     {{{0, 1, 2, 3}, 0}}, colour, materialFlags);
    }
    // A point light of range 60 at place, set up, the scene's only light, over
    // a grey ambient of that level.
    bool Light(PlacedLight& light, const zVector& place, f32 intensity, f32 ambient) {
        light.type = 1;
        light.range = 60.0f;
        light.place = place;
        light.diffuseIntensity = intensity;
        scene.ambient = zVector(ambient, ambient, ambient, 1.0f);
        scene.lights = {&light};
        return renderer->SetupLight(&light);
    }
    MeshRenderable& Mesh(zGeometry* geometry, f32 sortKey = 0.0f) {
        meshes.push_back(std::make_unique<MeshRenderable>());
        meshes.back()->geometry = geometry;
        meshes.back()->sortKey = sortKey;
        return *meshes.back();
    }

    // A frame as a scene draws it: cleared to depth 0, then the queue.
    zPicture DrawScene(const std::vector<MeshRenderable*>& queue) {
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        for (MeshRenderable* mesh : queue)
            renderer->QueueRenderable(mesh);
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 0.0f, ClearAll);
        renderer->RenderQueue();
        return Grab();
    }
};

// Pixel column of view x (-1..1).
u32 Column(f32 x) {
    return u32((x + 1.0f) * 0.5f * f32(GLRendererFixture::Width));
}

const f32 RedColour[3] = {1.0f, 0.0f, 0.0f};
const f32 GreenColour[3] = {0.0f, 1.0f, 0.0f};

// The g-buffer's attributes were drawn without a depth test: the last object
// of the list gave its colour to every pixel it covered, hidden or not.
TEST_F(GLRendererScene, NearerObjectKeepsItsColourWhateverTheDrawingOrder) {
    for (bool fixedFunction : {false, true}) {
        ASSERT_TRUE(OpenHidden(fixedFunction));
        const u32 flags = fixedFunction ? u32(MaterialFlagShadeless) : 0u;
        zGeometry* nearSquare = Square(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, GreenColour, flags);
        zGeometry* farSquare = Square(-0.8f, -0.8f, 0.8f, 0.8f, -0.5f, RedColour, flags);
        for (bool nearFirst : {true, false}) {
            SCOPED_TRACE(std::string(fixedFunction ? "fixed function" : "deferred") +
                         (nearFirst ? ", near object first" : ", far object first"));
            MeshRenderable& nearMesh = Mesh(nearSquare, nearFirst ? 1.0f : 2.0f);
            MeshRenderable& farMesh = Mesh(farSquare, nearFirst ? 2.0f : 1.0f);
            const zPicture picture =
                DrawScene(nearFirst ? std::vector<MeshRenderable*>{&nearMesh, &farMesh}
                                    : std::vector<MeshRenderable*>{&farMesh, &nearMesh});
            EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 0, 255, 0));
            EXPECT_TRUE(Near(picture, Column(0.3f), Height / 2, 0, 255, 0));
            EXPECT_TRUE(Near(picture, Column(0.65f), Height / 2, 255, 0, 0));
            EXPECT_TRUE(Near(picture, 1, 1, 51, 102, 153));
        }
        EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
        TearDown();
        SetUp();
    }
}

// Scenes clear the depth to 0: the fixed-function pipeline, testing
// GL_LEQUAL against it, drew nothing at all.
TEST_F(GLRendererScene, FixedFunctionDrawsAfterTheScenesDepthClear) {
    ASSERT_TRUE(OpenHidden(true));
    MeshRenderable& mesh = Mesh(Square(-0.5f, -0.5f, 0.5f, 0.5f, 0.0f, RedColour, MaterialFlagShadeless));
    const zPicture picture = DrawScene({&mesh});
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0));
    EXPECT_TRUE(Near(picture, 2, 2, 51, 102, 153));
}

// Skinned meshes never moved: the palette was always identity, and held 16
// matrices where a list could name 32 bones. Here every vertex follows a bone
// of its own (24 bones): each rests far off to the right and its bone brings
// it back to its square, so one wrong palette entry tears a square.
TEST_F(GLRendererScene, SkinnedMeshIsPosedByItsBonesAcrossPaletteSizedLists) {
    ASSERT_TRUE(OpenHidden());
    constexpr u32 Squares = 6;
    constexpr u32 Bones = Squares * 4;
    std::vector<zVector> rest;
    std::vector<zMatrix4> skinning;
    std::vector<PolygonSpec> polygons;
    for (u32 s = 0; s < Squares; ++s) {
        const f32 x0 = -0.9f + 0.3f * f32(s), x1 = x0 + 0.3f;
        const zVector corners[4] = {zVector(x0, -0.5f, 0.0f), zVector(x1, -0.5f, 0.0f),
                                    zVector(x1, 0.5f, 0.0f), zVector(x0, 0.5f, 0.0f)};
        for (const zVector& corner : corners) {
            const u32 bone = u32(rest.size());
            const zVector offset(3.0f + 0.5f * f32(bone), 0.1f * f32(bone), 0.0f, 0.0f);
            rest.emplace_back(corner.x - offset.x, corner.y - offset.y, corner.z);
            skinning.push_back(zMatrix4::Translation(offset));
        }
        polygons.push_back({{4 * s, 4 * s + 1, 4 * s + 2, 4 * s + 3}, 0});
    }
    zSharedPtr<zGeometry> geometry = MakeGeometry(&host, rest, polygons);
    geometry->ComputePolygonNormals(true);
    geometry->ComputeVertexNormals(true);
    ASSERT_TRUE(geometry->AllocateSkin(Bones));
    for (u32 v = 0; v < Bones; ++v) {
        geometry->GetSkinWeights()[v].bones[0] = u16(v);
        geometry->GetSkinWeights()[v].weights[0] = 1.0f;
    }
    zMaterial* material = geometry->GetMaterial(0);
    material->SetColor(MaterialColorDiffuse, 1.0f, 0.0f, 0.0f, 1.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    material->SetFlags(material->GetFlags() | MaterialFlagSkinned);
    renderer->SetCleanResourceOnSetup(false);
    {
        LogCapture quiet;
        ASSERT_TRUE(renderer->SetupMaterial(material));
        ASSERT_TRUE(renderer->SetupGeometry(geometry.Get()));
    }
    plates.push_back(geometry);
    const auto* data = dynamic_cast<const zGL3Renderer::GL_GeometryData*>(geometry->GetRenderData());
    ASSERT_NE(data, nullptr);
    EXPECT_GE(data->listCount, 2u);
    for (u32 i = 0; i < data->listCount; ++i)
        EXPECT_LE(data->lists[i].boneCount, GLSLSkinPaletteSize);

    MeshRenderable& mesh = Mesh(geometry.Get());
    mesh.skinning = skinning;
    const zPicture picture = DrawScene({&mesh});
    for (u32 s = 0; s < Squares; ++s) {
        SCOPED_TRACE(s);
        const f32 middle = -0.75f + 0.3f * f32(s);
        EXPECT_TRUE(Near(picture, Column(middle), Height / 2, 255, 0, 0));
        EXPECT_TRUE(Near(picture, Column(middle), Height / 2 + 8, 255, 0, 0));
    }
    EXPECT_TRUE(Near(picture, Width / 2, 2, 51, 102, 153));
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

// A flat-shaded geometry (no vertex normals) was drawn without normals: it
// took whatever normal GL had last, where the raytracer lights its polygons'.
// The square faces -z, away from the camera, lit from behind near its right.
TEST_F(GLRendererScene, FlatGeometryIsLitLikeItsSmoothCounterpart) {
    for (bool fixedFunction : {false, true}) {
        SCOPED_TRACE(fixedFunction ? "fixed function" : "deferred");
        ASSERT_TRUE(OpenHidden(fixedFunction));
        const std::vector<zVector> corners = {zVector(-0.5f, -0.5f, 0.0f), zVector(0.5f, -0.5f, 0.0f),
                                              zVector(0.5f, 0.5f, 0.0f), zVector(-0.5f, 0.5f, 0.0f)};
        MeshRenderable& smooth = Mesh(Plate(corners, {{{0, 1, 2, 3}, 0}}, RedColour, 0, true));
        MeshRenderable& flat = Mesh(Plate(corners, {{{0, 1, 2, 3}, 0}}, RedColour, 0, false));
        PlacedLight light;
        ASSERT_TRUE(Light(light, zVector(0.45f, 0.0f, -0.3f), 2.0f, 0.0f));
        int smoothRight[3], flatRight[3], flatLeft[3];
        const zPicture smoothPicture = DrawScene({&smooth});
        PixelAt(smoothPicture, Width / 2 + 14, Height / 2, smoothRight);
        const zPicture flatPicture = DrawScene({&flat});
        PixelAt(flatPicture, Width / 2 + 14, Height / 2, flatRight);
        PixelAt(flatPicture, Width / 2 - 14, Height / 2, flatLeft);
        EXPECT_GE(smoothRight[0], 100);
        EXPECT_NEAR(flatRight[0], smoothRight[0], 3);
        EXPECT_GT(flatRight[0], flatLeft[0]);
        scene.lights.clear();
        renderer->FreeLight(&light);
        TearDown();
        SetUp();
    }
}

// An optimised geometry is drawn as its leaves: each leaf set up on its own,
// together they give the frame of the whole geometry, pixel for pixel.
TEST_F(GLRendererScene, LeavesOfAnOptimisedGeometryDrawTheWholeGeometrysFrame) {
    ASSERT_TRUE(OpenHidden(false));
    renderer->SetCleanResourceOnSetup(false);
    // A bumpy grid of 3200 triangles across the view.
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> polygons;
    const u32 cells = 40;
    for (u32 r = 0; r <= cells; ++r)
        for (u32 c = 0; c <= cells; ++c) {
            const f32 x = -0.8f + 1.6f * f32(c) / cells, y = -0.8f + 1.6f * f32(r) / cells;
            vertices.push_back(zVector(x, y, 0.1f * std::sin(4.0f * x) * std::cos(4.0f * y)));
        }
    for (u32 r = 0; r < cells; ++r)
        for (u32 c = 0; c < cells; ++c) {
            const u32 a = r * (cells + 1) + c, b = a + 1, d = a + cells + 1, e = d + 1;
            polygons.push_back({{a, b, e}});
            polygons.push_back({{a, e, d}});
        }
    zGeometry* whole = Plate(vertices, polygons, RedColour);
    zSharedPtr<zGeometry> optimised = MakeGeometry(&host, vertices, polygons);
    optimised->ComputePolygonNormals(true);
    optimised->ComputeVertexNormals(true);
    zMaterial* material = optimised->GetMaterial(0);
    material->SetColor(MaterialColorDiffuse, 1.0f, 0.0f, 0.0f, 1.0f);
    material->SetColor(MaterialColorAmbient, 1.0f, 0.0f, 0.0f, 1.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    plates.push_back(optimised);
    {
        LogCapture quiet;
        ASSERT_TRUE(renderer->SetupMaterial(material));
        ASSERT_TRUE(optimised->Optimize(512));
    }
    std::vector<zGeometry*> leaves;
    optimised->GetOctree()->GetLeafGeometries(leaves);
    ASSERT_GE(leaves.size(), 4u);
    std::vector<MeshRenderable*> leafMeshes;
    for (zGeometry* leaf : leaves) {
        ASSERT_NE(leaf->GetRenderData(), nullptr);
        leafMeshes.push_back(&Mesh(leaf));
    }
    PlacedLight light;
    ASSERT_TRUE(Light(light, zVector(0.3f, 0.2f, -1.0f), 1.5f, 0.1f));
    const zPicture wholePicture = DrawScene({&Mesh(whole)});
    const zPicture leafPicture = DrawScene(leafMeshes);
    int centre[3];
    PixelAt(wholePicture, Width / 2, Height / 2, centre);
    EXPECT_GE(centre[0], 60); // the lit grid, not the clear colour
    EXPECT_LE(centre[2], 20);
    EXPECT_TRUE(leafPicture.Equals(wholePicture));
    scene.lights.clear();
    renderer->FreeLight(&light);
    for (zGeometry* leaf : leaves)
        renderer->FreeGeometry(leaf);
}

// The last present step reads a picture S times the output (S the
// supersample factor, 2 for the last halving step): its texel spacing is
// S / target size, not 1 / target size.
struct PresentCall {
    GLhandleARB program;
    GLint location;
    f32 x, y;
};
struct UniformRecorder {
    static inline void (*use)(GLhandleARB) = nullptr;
    static inline void (*uniform2)(GLint, GLfloat, GLfloat) = nullptr;
    static inline GLhandleARB current = 0;
    static inline std::vector<PresentCall> calls;
    static void Use(GLhandleARB program) {
        current = program;
        use(program);
    }
    static void Uniform2(GLint location, GLfloat x, GLfloat y) {
        calls.push_back({current, location, x, y});
        uniform2(location, x, y);
    }
};

TEST_F(GLRendererScene, PresentGivesTheBlitItsSupersampledTexelSize) {
    const struct {
        f32 sample;
        f32 scale; // of the reciprocal target size
    } cases[] = {{1.3f, 1.3f}, {2.0f, 2.0f}, {4.0f, 2.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        const zVariant enable(true), factor(c.sample);
        renderer->GetRegistry().SetKey("Antialising:Enable;", &enable);
        renderer->GetRegistry().SetKey("Antialising:Sample;", &factor);
        ASSERT_TRUE(OpenHidden());
        MeshRenderable& mesh = Mesh(Square(-0.5f, -0.5f, 0.5f, 0.5f, 0.0f, RedColour));
        auto* blit = static_cast<zGL3Shader*>(renderer->GetShaderLibrary()->Find("core::blit_layer_alpha"));
        ASSERT_NE(blit, nullptr);
        const GLhandleARB program = blit->GetProgram();
        const GLint location = renderer->GetGL().glGetUniformLocationARB(program, "inverse_buffer_size");
        ASSERT_NE(location, -1);
        zGLFunctions& table = renderer->GetGLTable();
        UniformRecorder::use = table.glUseProgramObjectARB;
        UniformRecorder::uniform2 = table.glUniform2fARB;
        UniformRecorder::calls.clear();
        table.glUseProgramObjectARB = &UniformRecorder::Use;
        table.glUniform2fARB = &UniformRecorder::Uniform2;
        const zPicture picture = DrawScene({&mesh});
        table.glUseProgramObjectARB = UniformRecorder::use;
        table.glUniform2fARB = UniformRecorder::uniform2;
        EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0, 3));
        const f32* reciprocals = renderer->GetTargetReciprocals();
        u32 found = 0;
        for (const PresentCall& call : UniformRecorder::calls) {
            if (call.program != program || call.location != location) continue;
            ++found;
            EXPECT_FLOAT_EQ(call.x, c.scale * reciprocals[0]);
            EXPECT_FLOAT_EQ(call.y, c.scale * reciprocals[1]);
        }
        EXPECT_EQ(found, 1u);
        TearDown();
        SetUp();
    }
}

// A material whose albedo shows one column of a normal matrix: the image of
// the x axis, packed into a colour. The normal matrix turns the item's
// normals into the world, the normal-view matrix into the view; both had the
// view where the other belonged.
TEST_F(GLRendererScene, NormalAndNormalViewMatricesTurnNormalsIntoWorldAndView) {
    ASSERT_TRUE(OpenHidden());
    const f32 quarter = 1.57079633f;
    view.world = zMatrix4::Multiply(zMatrix4::Translation(zVector(0.0f, 0.0f, 2.0f)),
                                    zMatrix4::FromMatrix3(zMatrix3::RotationZ(quarter)));
    const zMatrix4 model = zMatrix4::FromMatrix3(zMatrix3::RotationZ(-quarter * 0.5f));
    const struct {
        const char* name;
        bool normalView;
        f32 x0, x1;
    } cases[] = {{"normal", false, -0.9f, -0.1f}, {"normal view", true, 0.1f, 0.9f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        zGeometry* plate = Square(c.x0, -0.4f, c.x1, 0.4f, 0.0f, RedColour);
        auto* graph = new zShaderMap();
        auto make = [graph](zShaderBlock* block) {
            graph->AdoptBlock(block);
            return block;
        };
        auto* axis = new zConstantShaderBlock();
        axis->SetValues(1.0f, 0.0f, 0.0f, 0.0f);
        axis->SetConstantType(ShaderTypeVec3);
        zShaderBlock* matrix = c.normalView ? make(new zNormalViewMatrixShaderBlock())
                                            : make(new zNormalMatrixShaderBlock());
        graph->SetOutput(ShaderOutputDiffuse,
                         make(new zPackVectorToColorShaderBlock(make(new zMulOperatorShaderBlock(matrix, make(axis))))));
        zMaterial* material = plate->GetMaterial(0);
        material->SetShaderMap(graph);
        {
            LogCapture quiet;
            renderer->UpdateMaterial(material);
        }
        MeshRenderable& mesh = Mesh(plate);
        mesh.world = model;
        const zPicture picture = DrawScene({&mesh});
        // The x axis of the item, in the world or in the view.
        const zMatrix4 turn = c.normalView ? zMatrix4::Multiply(view.GetViewMatrix(), model) : model;
        const zVector image = turn.GetRow(0, false);
        // Where the square's middle lands on screen.
        zVector middle(0.5f * (c.x0 + c.x1), 0.0f, 0.0f, 1.0f);
        const zMatrix4 toView = zMatrix4::Multiply(view.GetViewMatrix(), model);
        toView.TransformPoints(&middle, &middle, 1);
        const u32 column = Column(middle.x);
        const u32 row = u32((1.0f - (middle.y + 1.0f) * 0.5f) * f32(Height));
        EXPECT_TRUE(Near(picture, column, row, int(std::lround((image.x + 1.0f) * 0.5f * 255.0f)),
                         int(std::lround((image.y + 1.0f) * 0.5f * 255.0f)),
                         int(std::lround((image.z + 1.0f) * 0.5f * 255.0f)), 3));
    }
}

} // namespace
