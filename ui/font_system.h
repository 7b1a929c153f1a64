// The process-wide TrueType font system over FreeType.
//
// FontSystemOpen starts FreeType once and loads "default.ttf" through the
// file systems as the default font, which is kept apart from the registry of
// fonts loaded by path: clearing the registry keeps it, only shutdown frees
// it. A font is registered under the path it was loaded from; a lookup by a
// name that is not registered gives the default font. Each font keeps its
// file's bytes for as long as its FreeType face lives. Main thread only.
#pragma once

#include <memory>

#include "core/linked_list.h"
#include "core/rect.h"
#include "core/types.h"
#include "core/zstring.h"

struct FT_FaceRec_;

class zWindowSystemFont : public zLinkedListEntryId {
  public:
    using FreeDeleter = void (*)(void*);

    zWindowSystemFont(const char* name, void* fileBytes);
    ~zWindowSystemFont() override;

    const zString& GetName() const { return id; }
    FT_FaceRec_* GetFace() const { return m_face; }
    bool UsesKerning() const { return m_useKerning; }
    // Sets the face's size; false when FreeType refuses it.
    bool SetPixelSize(u32 pixels);

  private:
    friend zWindowSystemFont* FontSystemLoadFont(const char* path);

    std::unique_ptr<void, FreeDeleter> m_fileBytes;
    FT_FaceRec_* m_face = nullptr;
    bool m_useKerning = false;
};

// Once: starts FreeType ("[!] Failed to open font system.", false) and loads
// "default.ttf" as the default font ("[!] Failed to open default system
// font.", the system shut down again, false). True when already up.
bool FontSystemOpen();
// When up: deletes every registered font and the default font and releases
// FreeType.
void FontSystemShutdown();
bool FontSystemIsUp();
// Deletes every registered font; the default font stays, the system stays up.
void FontSystemClearFonts();
// Null before FontSystemOpen and after FontSystemShutdown.
zWindowSystemFont* FontSystemGetDefaultFont();

// Loads a TrueType file through the file systems and registers it under its
// path. Null when the system is down, a font of that name is registered
// already, or the file cannot be read or opened ("[!] Failed to open font
// file '<path>'.").
zWindowSystemFont* FontSystemLoadFont(const char* path);
// The registered font of that name, else the default font.
zWindowSystemFont* FontSystemFindFont(const char* name);
u32 FontSystemGetFontCount();

// The spacing factors new text parameters start with (0 until set): each
// glyph, or each line, advances by an extra factor x size in 1/64 pixel.
f32 FontSystemGetLetterSpacing();
f32 FontSystemGetLineSpacing();
void FontSystemSetSpacing(f32 letterSpacing, f32 lineSpacing);

// Single-byte characters, no commands, at the face's current size: the sum
// of the advances (with kerning when the font uses it) and the largest glyph
// height, as (0, 0, width, height) in whole pixels. Empty without a font.
zRect FontSystemMeasureText(const char* text, zWindowSystemFont* font);
