// zTextureLoader: how the shader map reader obtains the texture a Texture
// block names. The engine sits above the render folders and implements it
// with its texture cache; tests implement it with a fixed set of textures.
#pragma once

#include "core/shared_object.h"
#include "core/types.h"

class zTexture;

class zTextureLoader {
  public:
    // The texture of that path, shared with the cache; null when it cannot
    // be loaded.
    virtual zSharedPtr<zTexture> LoadSharedTexture(const char* path, bool bypassCache) = 0;

  protected:
    ~zTextureLoader() = default;
};
