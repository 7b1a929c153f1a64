#include "fuzz/fuzz_font.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fuzz/fuzz_support.h"
#include "ui/font_system.h"

void OpenFuzzFontSystem(zFuzzRound& round) {
    if (FontSystemIsUp()) return;
    std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().empty() || !round.AddFile("default.ttf", bytes.str()) || !FontSystemOpen())
        FuzzFail("no DejaVuSans.ttf (package fonts-dejavu-core)");
    std::atexit(FontSystemShutdown);
}
