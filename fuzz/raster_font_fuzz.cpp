// The raster font description on any bytes: the input, split at its first 0
// byte, is the description "f.zml" and the picture "f_00.tga" of its first
// page, both read through the memory file road and an engine's texture
// cache. A description that loads must hold only glyphs on its own pages,
// and every width must be measurable. Pages whose header claims more pixels
// than the picture budget are skipped (fuzz/picture_budget.h).
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/picture_budget.h"
#include "ui/raster_font.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::vector<std::string> parts = SplitAtZeroBytes(data, size, 2);
    if (!round.AddFile("f.zml", parts[0])) return 0;
    if (parts.size() > 1) {
        const u8* page = reinterpret_cast<const u8*>(parts[1].data());
        if (ClaimedPictureArea(page, parts[1].size()) > FuzzMaxPictureArea) return 0;
        if (!round.AddFile("f_00.tga", parts[1])) return 0;
    }
    zEngine engine;
    zRasterFont font(&engine);
    if (!font.Load("f.zml")) return 0;
    std::string every;
    for (int c = 1; c < zRasterFont::GlyphCount; ++c) {
        every.push_back(char(c));
        const zRasterGlyph* glyph = font.GetGlyph(u8(c));
        if (!glyph) continue;
        if (glyph->page < 0 || u32(glyph->page) >= font.GetPageCount()) FuzzFail("a glyph lies on a page the font lacks");
    }
    font.GetTextWidth(every.c_str());
    font.GetLineWidth(parts[0].c_str(), u32(parts[0].size() + 7));
    font.GetPageTexture(i32(font.GetPageCount()));
    return 0;
}
