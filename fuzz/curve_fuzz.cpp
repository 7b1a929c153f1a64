// The "Curve" tag on any bytes: the bytes are parsed as a ZML document and
// its first root goes to zCurve::ParseTag (text knots and "BinaryKnot"
// blocks). A curve that reads is evaluated at times inside, between and far
// outside its keys in every loop mode (the cached segment walk included),
// then written, read and written again: the second text must equal the first.
#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "render/curve.h"

namespace {

void Exercise(const zCurve& curve) {
    f32 start = 0.0f;
    f32 end = 0.0f;
    curve.GetTimeRange(start, end);
    const f32 times[] = {start,
                         end,
                         (start + end) * 0.5f,
                         end + 0.3f * (end - start),
                         start - 2.7f,
                         end + 1e6f,
                         -1e30f,
                         NAN,
                         INFINITY,
                         start};
    for (i32 mode = -2; mode <= 5; ++mode) {
        for (f32 time : times) {
            f32 value = 0.0f;
            curve.Evaluate(time, value, mode);
            curve.Evaluate(time, value, mode, start + 0.25f * (end - start), end);
        }
    }
}

std::string ReadAndWrite(const zMetaTag* root, bool firstRead) {
    zCurve curve;
    if (!curve.ParseTag(root)) return std::string();
    if (firstRead) Exercise(curve);
    return TagText(curve.SerializeTag(), "a read curve cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "curve");
    return 0;
}
