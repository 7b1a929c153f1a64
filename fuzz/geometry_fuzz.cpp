// The geometry file on any bytes, through LoadGeometryFromBuffer as the
// geometry cache reads one. The input is split at its first 0 byte into the
// file "0.zml" and a second file "1.zml" that proxies may name (a proxy
// naming the file being read is refused).
//
// A geometry that loads is written back; that text must load again and
// write the same bytes. Normals are stored as truncated bytes, so the first
// writing may move them once; the property is checked from there on.
//
// A geometry that loads is also cut into octree leaves (each polygon in
// exactly one leaf) and merged with itself (twice the polygons).
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/render_stand_in.h"
#include "markup/writer.h"
#include "render/geometry.h"
#include "render/geometry_file.h"
#include "render/geometry_merge.h"
#include "render/octree.h"

namespace {

// The written text of the geometry; empty when it cannot be written.
std::string WriteGeometry(zGeometry& geometry) {
    zMetafile doc;
    std::string text;
    if (geometry.SaveToMetafile(doc)) SerializeMetafile(doc, text);
    return text;
}

// Loads the text into a new geometry of that host and writes it again.
std::string ReadAndWrite(zFuzzRenderHost& host, const std::string& text) {
    zSharedPtr<zGeometry> geometry(new zGeometry(&host));
    geometry->SetName("0.zml");
    if (!LoadGeometryFromBuffer(*geometry, text.data(), text.size()))
        FuzzFail("a written geometry does not read back");
    std::string again = WriteGeometry(*geometry);
    if (again.empty()) FuzzFail("a read-back geometry cannot be written");
    return again;
}

void CutAndMerge(zFuzzRenderHost& host, const std::string& text) {
    zSharedPtr<zGeometry> geometry(new zGeometry(&host));
    geometry->SetName("0.zml");
    if (!LoadGeometryFromBuffer(*geometry, text.data(), text.size())) FuzzFail("a geometry reads only once");
    const u32 polygons = geometry->GetPolygonCount();
    if (geometry->Optimize(0)) {
        std::vector<zGeometry*> leaves;
        geometry->GetOctree()->GetLeafGeometries(leaves);
        u64 total = 0;
        for (const zGeometry* leaf : leaves)
            total += leaf->GetPolygonCount();
        if (total != polygons) FuzzFail("the leaves do not hold every polygon once");
    } else if (polygons) {
        FuzzFail("a geometry with polygons is not cut into leaves");
    }
    zSharedPtr<zGeometry> merged = MergeItemGeometries(geometry.Get(), geometry.Get(), nullptr, nullptr);
    if (merged && merged->GetPolygonCount() != 2 * u64(polygons)) FuzzFail("a merge loses polygons");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    std::vector<std::string> files = SplitAtZeroBytes(data, size, 2);
    zFuzzRenderHost host;
    host.AddGeometryFile("0.zml", files[0]);
    if (files.size() > 1) host.AddGeometryFile("1.zml", files[1]);

    std::string written;
    {
        zSharedPtr<zGeometry> geometry(new zGeometry(&host));
        geometry->SetName("0.zml");
        if (!LoadGeometryFromBuffer(*geometry, files[0].data(), files[0].size())) return 0;
        written = WriteGeometry(*geometry);
        if (written.empty()) FuzzFail("a loaded geometry cannot be written");
    }
    CutAndMerge(host, files[0]);
    const std::string settled = ReadAndWrite(host, written);
    FuzzExpectSame(settled, ReadAndWrite(host, settled), "a written geometry reads back to another one");
    return 0;
}
