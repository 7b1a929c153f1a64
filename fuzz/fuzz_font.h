// The font system of the text and widget targets: opened once, on the first
// input, with the fonts-dejavu-core DejaVuSans file as "default.ttf", and
// shut down at exit. A missing font fails the target at once.
#pragma once

class zFuzzRound;

void OpenFuzzFontSystem(zFuzzRound& round);
