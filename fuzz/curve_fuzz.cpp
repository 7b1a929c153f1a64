// The "Curve" tag on any bytes: the bytes are parsed as a ZML document and
// its first root goes to zCurve::ParseTag (text knots and "BinaryKnot"
// blocks). A curve that reads is evaluated at times inside, between and far
// outside its keys in every loop mode (the cached segment walk included),
// then written, read and written again: the second text must equal the first.
#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/curve.h"

namespace {

std::string ReadAndWrite(const std::string& text) {
    zMetafile doc;
    const zMetaTag* root = FirstRoot(doc, text.data(), text.size());
    if (!root) FuzzFail("a written curve does not parse as ZML");
    zCurve curve;
    if (!curve.ParseTag(root)) FuzzFail("a written curve does not read back");
    return TagText(curve.SerializeTag(), "a read curve cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    std::string written;
    {
        zMetafile doc;
        const zMetaTag* root = FirstRoot(doc, reinterpret_cast<const char*>(data), size);
        if (!root) return 0;
        zCurve curve;
        if (!curve.ParseTag(root)) return 0;
        f32 start = 0.0f;
        f32 end = 0.0f;
        curve.GetTimeRange(start, end);
        const f32 times[] = {start, end, (start + end) * 0.5f, end + 0.3f * (end - start), start - 2.7f,
                             end + 1e6f, -1e30f, NAN, INFINITY, start};
        for (i32 mode = -2; mode <= 5; ++mode) {
            for (f32 time : times) {
                f32 value = 0.0f;
                curve.Evaluate(time, value, mode);
                curve.Evaluate(time, value, mode, start + 0.25f * (end - start), end);
            }
        }
        written = TagText(curve.SerializeTag(), "a read curve cannot be written");
    }
    FuzzExpectSame(written, ReadAndWrite(written), "a written curve reads back to another one");
    return 0;
}
