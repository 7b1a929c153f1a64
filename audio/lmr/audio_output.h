// lmr_AudioOutput: where a media stream writes its decoded audio, as
// interleaved 16-bit PCM. The stream demuxes audio only while the output
// wants data (HasEnoughData false) and notifies it once after every audio
// step. In practice it is a mixer channel's stream interface.
#pragma once

#include "core/types.h"

class lmr_AudioOutput {
  public:
    lmr_AudioOutput() = default;
    virtual ~lmr_AudioOutput() = default;
    lmr_AudioOutput(const lmr_AudioOutput&) = delete;
    lmr_AudioOutput& operator=(const lmr_AudioOutput&) = delete;

    virtual bool IsReady() = 0;
    virtual void Start() = 0;
    virtual bool Configure(u32 value) = 0;
    // Takes size bytes of interleaved PCM.
    virtual void Write(const void* data, u32 size, u32 flags) = 0;
    virtual bool HasEnoughData() = 0;
    virtual bool WantsData() = 0;
    virtual void Flush() { m_pending = 0; }
    // Called once after every audio step of the stream's update.
    virtual bool StepDone() = 0;
    // Whether the output keeps playing across a close (gapless play).
    virtual bool SupportsGapless() { return false; }

    void ClearOutputFlag() { m_outputFlag = 0; }
    void SetPendingIfClear(u32 value) {
        if (m_pending == 0) m_pending = value;
    }
    u32 GetPending() const { return m_pending; }

  private:
    u32 m_pending = 0; // cleared by Flush
    u8 m_outputFlag = 0;
};
