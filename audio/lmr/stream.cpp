#include "audio/lmr/stream.h"

#include <new>

#include "audio/lmr/audio_output.h"
#include "audio/lmr/mpa_demuxer.h"
#include "audio/lmr/ov_demuxer.h"
#include "audio/lmr/ps_demuxer.h"
#include "audio/lmr/video_output.h"
#include "core/log.h"

bool lmr_Demuxer::Open(lmr_Stream&) {
    return true;
}

bool lmr_Demuxer::Setup(lmr_Stream&, bool) {
    return true;
}

lmr_Stream::lmr_Stream(lmr_VideoOutput* videoOutput, lmr_AudioOutput* audioOutput)
    : m_videoOutput(videoOutput), m_audioOutput(audioOutput) {}

lmr_Stream::~lmr_Stream() {
    Close();
    m_videoDemuxer.reset();
    m_audioDemuxer.reset();
    m_videoInput.Close();
    m_audioInput.Close();
}

bool lmr_Stream::SelectVideoDecoder(u32 type) {
    if (type == m_videoDecoderType) return true;
    m_videoDecoder.reset();
    m_videoDecoderType = type;
    if (type != 2 && type != 3) return false;
    GetLog() << "[*] (SelectVideoDecoder) Lumaro built with no MPEG I/II video support.\n";
    return true;
}

bool lmr_Stream::SelectAudioDecoder(u32 type) {
    if (!m_audioOutput) return false;
    if (type == m_audioDecoderType) return true;
    m_audioDecoder.reset();
    m_audioDecoderType = 0;
    if (type >= 2 && type <= 4) {
        GetLog() << "[!] (SelectAudioDecoder) Lumaro built with no MPEG I/II/III audio support.\n";
        return false;
    }
    m_audioDecoderType = type;
    return false;
}

void lmr_Stream::SetOutputs(lmr_VideoOutput* videoOutput, lmr_AudioOutput* audioOutput) {
    m_videoOutput = videoOutput;
    m_audioOutput = audioOutput;
}

void lmr_Stream::ResetEndFlags() {
    m_endFlags = (m_audioOutput ? 0 : StreamAudioEnded) | (m_videoOutput ? 0 : StreamVideoEnded);
}

void lmr_Stream::SetVideoFrameRate(u32 rate) {
    if (rate == 0) return; // no period for a rate of 0
    m_videoFramePeriod = i32(100000000u / rate);
    GetLog() << "Stream video frame period = " << m_videoFramePeriod << "\n";
}

std::unique_ptr<lmr_Demuxer> lmr_Stream::SelectDemuxer(zIOHandle& input) {
    for (int kind = 0; kind < 3; ++kind) {
        std::unique_ptr<lmr_Demuxer> demuxer;
        switch (kind) {
        case 0: demuxer.reset(new (std::nothrow) lmr_PSDemuxer(&input)); break;
        case 1: demuxer.reset(new (std::nothrow) lmr_MPADemuxer(&input)); break;
        default: demuxer.reset(new (std::nothrow) lmr_OVDemuxer(&input)); break;
        }
        if (demuxer && demuxer->Open(*this)) return demuxer;
        demuxer.reset();
        input.Rewind();
        input.ClearFailure();
    }
    GetLog() << "[!] No suitable demuxer for stream.\n";
    return nullptr;
}

bool lmr_Stream::OpenSide(zIOHandle& input, const char* path, std::unique_ptr<lmr_Demuxer>& demuxer, u32 side,
                          const char* logName) {
    if (!input.Open(path, true)) return false;
    demuxer = SelectDemuxer(input);
    if (!demuxer) return false;
    demuxer->AddSide(side);
    GetLog() << logName << "(): Using '" << demuxer->GetName() << "'.\n";
    return true;
}

bool lmr_Stream::Open(const char* path, bool scan) {
    Close();
    if (!path) return false;
    GetLog() << "[H] Opening stream '" << path << "'.\n";
    if (m_videoOutput && !OpenSide(m_videoInput, path, m_videoDemuxer, DemuxerSideVideo, "SelectVideoDemuxer"))
        return false;
    if (m_audioOutput && !OpenSide(m_audioInput, path, m_audioDemuxer, DemuxerSideAudio, "SelectAudioDemuxer"))
        return false;
    if ((m_videoDemuxer && !m_videoDemuxer->Setup(*this, scan)) ||
        (m_audioDemuxer && !m_audioDemuxer->Setup(*this, scan))) {
        GetLog() << "[!] No demuxer found for this stream.\n";
        return false;
    }
    m_videoDecoderType = m_audioDecoderType = 0;
    m_videoPaused = 0;
    m_videoClock = 0;
    m_state = StreamPlaying;
    ResetEndFlags();
    if (m_videoOutput && m_videoDemuxer) DemuxVideo();
    if (m_audioOutput && m_audioDemuxer) DemuxAudio();
    MarkEndedWhenBothSidesEnded();
    return true;
}

void lmr_Stream::DemuxAudio() {
    while (!(m_endFlags & StreamAudioEnded) && !m_audioOutput->HasEnoughData()) {
        if (m_audioDemuxer->Read(*this)) m_endFlags |= StreamAudioEnded;
    }
}

void lmr_Stream::DemuxVideo() {
    while (!(m_endFlags & StreamVideoEnded) && m_videoOutput->NeedsFrame()) {
        if (m_videoDemuxer->Read(*this)) m_endFlags |= StreamVideoEnded;
    }
}

void lmr_Stream::MarkEndedWhenBothSidesEnded() {
    if ((m_endFlags & (StreamAudioEnded | StreamVideoEnded)) == (StreamAudioEnded | StreamVideoEnded))
        m_state = StreamEnded;
}

bool lmr_Stream::Update(i32 steps) {
    if (steps < 1) return false;
    if (steps > 1000) steps = 1000;
    if (m_audioOutput && m_audioDemuxer) {
        DemuxAudio();
        MarkEndedWhenBothSidesEnded();
        m_audioOutput->StepDone();
    }
    if (!m_videoPaused && m_videoOutput && m_videoDemuxer) {
        m_videoClock -= steps;
        while (m_videoClock < 0) {
            DemuxVideo();
            MarkEndedWhenBothSidesEnded();
            m_videoOutput->PresentFrame();
            m_videoClock += m_videoFramePeriod;
            if (m_videoFramePeriod <= 0) break; // no period: one frame per step
        }
    }
    return true;
}

void lmr_Stream::Close() {
    if (m_state != StreamClosed) {
        GetLog() << "StreamClose().\n\n";
        m_videoDecoder.reset();
        m_audioDecoder.reset();
        if (m_videoDemuxer) m_videoDemuxer->Close();
        m_videoDemuxer.reset();
        if (m_audioDemuxer) m_audioDemuxer->Close();
        m_audioDemuxer.reset();
        m_videoDecoderType = m_audioDecoderType = 0;
        m_videoInput.Close();
        m_audioInput.Close();
        m_state = StreamClosed;
    }
    if (m_gapless) {
        if (m_audioOutput && m_audioOutput->SupportsGapless() && m_videoOutput &&
            m_videoOutput->SupportsGapless())
            return;
        GetLog() << "[!] A/V driver does not support gapless playback.\n";
    }
    if (m_audioOutput) m_audioOutput->Flush();
    if (m_videoOutput) m_videoOutput->Flush();
}

void lmr_Stream::Rewind() {
    m_state = StreamPlaying;
    for (lmr_Demuxer* demuxer : {m_videoDemuxer.get(), m_audioDemuxer.get()}) {
        if (!demuxer) continue;
        demuxer->GetInput()->Rewind();
        demuxer->GetInput()->ClearFailure();
        demuxer->ClearEnd();
    }
    if (m_audioDecoder) m_audioDecoder->Reset();
    ResetEndFlags();
}

bool lmr_Stream::Seek(u32 timeMs) {
    bool reached = true;
    if (m_videoDemuxer && !m_videoDemuxer->Seek(*this, timeMs)) reached = false;
    if (m_audioDemuxer && !m_audioDemuxer->Seek(*this, timeMs)) reached = false;
    ResetEndFlags();
    m_state = StreamPlaying;
    return reached;
}

void lmr_Stream::FeedVideo(u32 type, const u8* data, const u8* end, u32 time) {
    if (SelectVideoDecoder(type) && m_videoDecoder) m_videoDecoder->Decode(data, end, time / 9);
}

void lmr_Stream::FeedAudio(u32 type, const u8* data, const u8* end, u32 time) {
    if (SelectAudioDecoder(type) && m_audioDecoder) m_audioDecoder->Decode(data, end, time / 9);
}
