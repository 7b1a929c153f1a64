// The GL scalar types and the enumerant values the renderers use, declared
// here so that no folder above this one includes a system GL header. Entry
// points are not declared: renderers fetch each one by name from the context
// (zPlatformGLContext::GetProc) into a table of their own.
//
// The values are those the OpenGL and extension specifications assign; an
// ARB or EXT enumerant equal to its core counterpart is not repeated.
#pragma once

#include <cstddef>
#include <cstdint>

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLint = int;
using GLuint = unsigned int;
using GLsizei = int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLubyte = unsigned char;
using GLchar = char;
using GLcharARB = char;
using GLhandleARB = unsigned int;
using GLsizeiptr = std::ptrdiff_t;
using GLintptr = std::ptrdiff_t;

namespace zgl {
enum : GLenum {
    NoError = 0,
    InvalidEnum = 0x0500,
    InvalidValue = 0x0501,
    InvalidOperation = 0x0502,
    StackOverflow = 0x0503,
    StackUnderflow = 0x0504,
    OutOfMemory = 0x0505,

    Vendor = 0x1F00,
    Renderer = 0x1F01,
    Version = 0x1F02,
    Extensions = 0x1F03,

    MaxDrawBuffers = 0x8824,
    Multisample = 0x809D,
    Samples = 0x80A9,

    FragmentShader = 0x8B30,
    VertexShader = 0x8B31,
    ObjectCompileStatus = 0x8B81,
    ObjectLinkStatus = 0x8B82,
    ObjectInfoLogLength = 0x8B84,

    // Textures.
    Texture2D = 0x0DE1,
    TextureMagFilter = 0x2800,
    TextureMinFilter = 0x2801,
    TextureWrapS = 0x2802,
    TextureWrapT = 0x2803,
    Nearest = 0x2600,
    Linear = 0x2601,
    LinearMipmapLinear = 0x2703,
    Repeat = 0x2901,
    ClampToEdge = 0x812F,
    TextureWidth = 0x1000,
    TextureHeight = 0x1001,
    TextureInternalFormat = 0x1003,
    TextureCompressedImageSize = 0x86A0,
    TextureMaxAnisotropy = 0x84FE,
    GenerateMipmap = 0x8191,
    DepthTextureMode = 0x884B,
    TextureCompareMode = 0x884C,
    TextureCompareFunc = 0x884D,
    CompareRToTexture = 0x884E,
    UnpackAlignment = 0x0CF5,
    PackAlignment = 0x0D05,

    // Pixel formats and types.
    UnsignedByte = 0x1401,
    UnsignedShort = 0x1403,
    UnsignedInt = 0x1405,
    Float = 0x1406,
    DepthComponent = 0x1902,
    Rgb = 0x1907,
    Rgba = 0x1908,
    Luminance = 0x1909,
    Rgba4 = 0x8056,
    Rgba8 = 0x8058,
    Rgba16 = 0x805B,
    CompressedRgba = 0x84EE,
    CompressedRgbaS3tcDxt5 = 0x83F3,
    DepthComponent16 = 0x81A5,
    DepthComponent24 = 0x81A6,
    Rgba16F = 0x881A,
    Rgb16F = 0x881B,

    // Frame-buffer objects and buffers.
    Framebuffer = 0x8D40,
    FramebufferComplete = 0x8CD5,
    ColorAttachment0 = 0x8CE0,
    DepthAttachment = 0x8D00,
    None = 0,
    Back = 0x0405,
    ArrayBuffer = 0x8892,
    ElementArrayBuffer = 0x8893,
    StaticDraw = 0x88E4,
    DynamicDraw = 0x88E8,
    SamplesPassed = 0x8914,

    // Clearing and attribute groups.
    DepthBufferBit = 0x00000100,
    ColorBufferBit = 0x00004000,
    PolygonBit = 0x00000008,
    LightingBit = 0x00000040,
    FogBit = 0x00000080,
    EnableBit = 0x00002000,
    CurrentBit = 0x00000001,
    TransformBit = 0x00001000,
    ViewportBit = 0x00000800,
    ScissorBit = 0x00080000,

    // Capabilities.
    Fog = 0x0B60,
    Lighting = 0x0B50,
    ColorMaterial = 0x0B57,
    CullFace = 0x0B44,
    DepthTest = 0x0B71,
    Normalize = 0x0BA1,
    AlphaTest = 0x0BC0,
    Blend = 0x0BE2,
    ScissorTest = 0x0C11,
    DepthClamp = 0x864F,
    TextureGenS = 0x0C60,
    TextureGenT = 0x0C61,
    Light0 = 0x4000,

    // Fixed-function state values.
    Never = 0x0200,
    Less = 0x0201,
    Equal = 0x0202,
    Lequal = 0x0203,
    Greater = 0x0204,
    Always = 0x0207,
    SrcAlpha = 0x0302,
    OneMinusSrcAlpha = 0x0303,
    One = 1,
    Zero = 0,
    DstColor = 0x0306,
    Front = 0x0404,
    FrontAndBack = 0x0408,
    Ccw = 0x0901,
    PerspectiveCorrectionHint = 0x0C50,
    Nicest = 0x1102,
    FogMode = 0x0B65,
    FogStart = 0x0B63,
    FogEnd = 0x0B64,
    FogColor = 0x0B66,
    LinearFog = 0x2601,
    Modelview = 0x1700,
    Projection = 0x1701,
    TextureMatrix = 0x1702,
    Ambient = 0x1200,
    Diffuse = 0x1201,
    Specular = 0x1202,
    Position = 0x1203,
    SpotDirection = 0x1204,
    SpotExponent = 0x1205,
    SpotCutoff = 0x1206,
    LinearAttenuation = 0x1208,
    AmbientAndDiffuse = 0x1602,
    Emission = 0x1600,
    Shininess = 0x1601,
    LightModelLocalViewer = 0x0B51,
    LightModelAmbient = 0x0B53,
    LightModelColorControl = 0x81F8,
    SeparateSpecularColor = 0x81FA,
    Flat = 0x1D00,
    Smooth = 0x1D01,
    Line = 0x1B01,
    FillMode = 0x1B02,
    Lines = 0x0001,
    Triangles = 0x0004,
    Quads = 0x0007,
    VertexArray = 0x8074,
    NormalArray = 0x8075,
    ColorArray = 0x8076,
    TextureCoordArray = 0x8078,
    Texture0 = 0x84C0,
    TextureEnv = 0x2300,
    TextureEnvMode = 0x2200,
    Modulate = 0x2100,
    Replace = 0x1E01,
    Combine = 0x8570,
    CombineRgb = 0x8571,
    CombineAlpha = 0x8572,
    Source0Rgb = 0x8580,
    Source1Rgb = 0x8581,
    Source0Alpha = 0x8588,
    Source1Alpha = 0x8589,
    PreviousSource = 0x8578,
    TextureSource = 0x1702,
    MaxTextureSize = 0x0D33,
    QuadStrip = 0x0008,
    S = 0x2000,
    T = 0x2001,
    TextureGenMode = 0x2500,
    EyePlane = 0x2502,
    EyeLinear = 0x2400,
    SphereMap = 0x2402,
    PrimaryColor = 0x8577,
    AddCombine = 0x0104,
};
} // namespace zgl
