// zTextureStreamInterface: the video output of a media stream shown in a
// texture. The stream's video side hands it frames (SetFormat, WriteFrame);
// it converts them into the texture's picture and uploads them through the
// renderer when the stream presents a frame. The texture owns it and the
// engine advances it from the frame; a stream that ended starts again.
//
// This system has no MPEG video decoder, so nothing calls SetFormat or
// WriteFrame on a real stream: a texture opened on a program stream drops its
// video packets after one warning.
#pragma once

#include <memory>

#include "audio/lmr/video_output.h"
#include "render/texture.h"

class lmr_Stream;

class zTextureStreamInterface : public lmr_VideoOutput, public zTextureStream {
  public:
    explicit zTextureStreamInterface(zTexture* texture);
    ~zTextureStreamInterface() override;

    // Creates the stream with this interface as its only output and opens it
    // on path without the duration scan.
    bool Open(const char* path);
    lmr_Stream* GetMediaStream() const { return m_stream.get(); }

    // lmr_VideoOutput
    bool SetFormat(const lmr_VideoFormat& format) override;
    // Format 1: three planes, one byte each per pixel into bytes 0 to 2.
    // Format 2: bytes 0 and 2 of every pixel of the picture swapped.
    bool WriteFrame(const u8* const* planes, u32 size) override;
    bool IsFrameReady() override { return m_frameReady != 0; }
    bool NeedsFrame() override { return m_frameReady == 0; }
    void Flush() override { m_frameReady = 0; }
    bool PresentFrame() override;

    // zTextureStream: rewinds an ended stream, else advances it, unless paused.
    void Update(i32 steps) override;
    void SetState(u32 state) override { m_state = state; }
    u32 GetState() const { return m_state; }

  private:
    zTexture* m_texture;
    std::unique_ptr<lmr_Stream> m_stream;
    u8 m_frameReady = 0;
    u32 m_frameWidth = 0;
    u32 m_frameHeight = 0;
    u32 m_state = 0; // 1 paused
};

// zTexture::OpenStream's opener: "Open texture stream interface: '<path>'";
// on a failed open logs "[!] Failed to open content stream.", leaves the
// interface attached to the texture and gives null.
zTextureStream* OpenTextureStream(zTexture* texture, const char* path);
// Installs OpenTextureStream as the textures' stream opener.
void InstallTextureStreams();
