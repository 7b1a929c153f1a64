// zMixerHost: what a mixer needs of the object that owns it, the engine. The
// engine sits above this folder and implements it; the mixer base applies the
// registration rules through it.
//
// Registration rules: a mixer built with its register flag becomes current;
// destroying the default mixer (the null mixer the host keeps) leaves no
// current mixer; destroying the current one makes the default current again;
// destroying any other mixer changes nothing.
#pragma once

class zMixer;

class zMixerHost {
  public:
    virtual zMixer* GetCurrentMixer() const = 0;
    // The mixer the host made for itself (the null mixer), or null.
    virtual zMixer* GetDefaultMixer() const = 0;
    // Stores the mixer as it is: null leaves the host without a mixer.
    virtual void SetCurrentMixer(zMixer* mixer) = 0;

  protected:
    ~zMixerHost() = default;
};
