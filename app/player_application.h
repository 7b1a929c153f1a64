// zApplicationWin32: the player the program runs. The name is the one
// scripts and tools know; the class stands on platform/ (window events, the
// Escape key) rather than on Windows.
//
// It adds the renderer and mixer factories with their "list" texts, the
// display and audio opens (the engine's null renderer and null mixer when
// the id is "none"), the message pump and the -Mf option (the "file"
// mixer's output path).
#pragma once

#include "app/application.h"

class zSMixMixer;

class zApplicationWin32 : public zApplication {
  public:
    // Renderer "gl2", mixer "al", 1280 x 720, output "mix_out.pcm".
    zApplicationWin32();
    ~zApplicationWin32() override;

    bool OpenDisplay() override;
    bool OpenAudio() override;
    // False when Escape is held or the window was closed, unless Escape is
    // ignored.
    bool PumpMessages() override;
    // "-Mf <path>".
    bool ParseExtraOption(int argc, const char* const* argv, int& index) override;
    void PrintExtraUsage() override;
    bool CreateRenderer() override;
    bool CreateMixer() override;

    const zString& GetMixerOutputPath() const { return m_mixerOutputPath; }
    zSMixMixer* GetFileMixer() const { return m_fileMixer; }

  protected:
    void OnMixerDeleting(zMixer* dying) override;

  private:
    zString m_mixerOutputPath;
    // The "file" mixer: a view of the application's mixer, which owns it.
    zSMixMixer* m_fileMixer = nullptr;
};
