// zTexture: a picture that the renderer uploads. The pixels stay in the
// zPicture base; the GPU copy lives in renderer data that only the renderer
// reads and frees. Destruction tells the engine's listeners before
// (event 5) and after (event 6) the renderer freed its data.
#pragma once

#include "picture/picture.h"
#include "render/renderable.h"
#include "render/render_host.h"

enum : u32 {
    TextureFlagRendererOwn = 1, // read by the GPU renderers
    TextureFlagNoResample = 2,  // uploaded as it is, not resampled
    TextureFlagNormalMap = 4,   // used as a normal map by a material
};

class zTexture;

// A source of frames for a texture (a video stream). The media code
// implements it and installs the opener below; the texture owns its stream.
class zTextureStream {
  public:
    virtual ~zTextureStream() = default;
    // Advances by dt clock units; the stream itself handles pause and rewind.
    virtual void Update(i32 dt) = 0;
    // State word: 1 pauses the stream.
    virtual void SetState(u32 state) { (void)state; }
};

// Opens a stream of the file into the texture, or gives null.
using zTextureStreamOpener = zTextureStream* (*)(zTexture* texture, const char* path);
// Null removes the opener.
void SetTextureStreamOpener(zTextureStreamOpener opener);

class zTexture : public zPicture {
  public:
    // renderTarget: 1 for render targets and UI window surfaces, else 0;
    // targetFormat: the render target's pixel format code (0 when loaded).
    zTexture(zRenderHost* engine, u32 renderTarget = 0, u32 targetFormat = 0);
    ~zTexture() override;

    // Uploads through the current renderer ("Texture Setup" profiler
    // section); false without a renderer.
    bool Setup();
    // The current renderer's FreeTexture.
    void Free();
    void SetNoResample(bool noResample);

    // Replaces the content with a stream of the file through the installed
    // opener; without one, or when it fails, logs and gives false.
    bool OpenStream(const char* path);
    // Advances the stream, if any, by dt clock units.
    void UpdateStream(i32 dt);
    zTextureStream* GetStream() const { return m_stream; }
    // Takes ownership; the previous stream is destroyed.
    void SetStream(zTextureStream* stream);
    // Destroys the stream, if any.
    void CloseStream() { SetStream(nullptr); }
    // Sets the stream's state word (1 pauses it); nothing without a stream.
    void SetStreamState(u32 state) {
        if (m_stream) m_stream->SetState(state);
    }

    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    u32 GetTargetFormat() const { return m_targetFormat; }
    u32 GetRenderTarget() const { return m_renderTarget; }
    zRenderHost* GetEngine() const { return m_engine; }
    u32 GetWord() const { return m_word; }
    void SetWord(u32 word) { m_word = word; }
    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

  private:
    u32 m_flags = 0;
    u32 m_targetFormat;
    u32 m_renderTarget;
    zRenderHost* m_engine;
    u32 m_word = 0;
    zRenderData* m_renderData = nullptr;
    zTextureStream* m_stream = nullptr; // owned
};
