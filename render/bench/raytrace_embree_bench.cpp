// The engine's ray trees against Embree 3 on the same triangles and rays,
// one thread each. Meshes are procedural and seeded: a tessellated sphere, a
// heightfield, a random soup, and 64 items sharing one mesh (the two-level
// scene tree; Embree gets them as instances and flattened). Rays: primary
// rays of a 1024 x 768 camera, seeded incoherent rays, and shadow rays from
// the primary hits to a point light. Every material is double-sided, as
// Embree does not cull.
//
// Before timing, an agreement gate: hit or miss, item and triangle, and the
// distance within 1e-4 max(1, t) must agree on at least 99.9% of the rays.
// Times are the median of 5 runs after one warm-up (steady clock); pin the
// process to one core (taskset -c 2) for stable figures.
//
// Usage: raytrace_embree_bench [ray scale, default 1.0]; with RAYTRACE_BENCH_FRAME_DIR set,
// the sphere's 1024 x 768 frame is written there as out_00000.tga.
#include <embree3/rtcore.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/log.h"
#include "render/geometry.h"
#include "render/bench/bench_host.h"
#include "render/material.h"
#include "render/raytrace/geometry_trees.h"
#include "render/raytrace/raytracer.h"
#include "render/render_host.h"

namespace {

struct QuietLog : zLog {
    void OutputLine(const char* text) override {
        if (std::string(text).find("Ray/s") != std::string::npos) std::printf("    engine log: %s", text);
    }
};

struct Mesh {
    std::vector<zVector> vertices;
    std::vector<u32> indices; // three per triangle
};

Mesh Sphere(u32 rings, u32 sectors, f32 radius) {
    Mesh mesh;
    const f32 pi = 3.14159265f;
    for (u32 r = 0; r <= rings; ++r)
        for (u32 s = 0; s <= sectors; ++s) {
            const f32 theta = pi * f32(r) / f32(rings), phi = 2 * pi * f32(s) / f32(sectors);
            mesh.vertices.push_back(zVector(radius * std::sin(theta) * std::cos(phi),
                                            radius * std::cos(theta),
                                            radius * std::sin(theta) * std::sin(phi)));
        }
    for (u32 r = 0; r < rings; ++r)
        for (u32 s = 0; s < sectors; ++s) {
            const u32 a = r * (sectors + 1) + s, b = a + 1, c = a + sectors + 1, d = c + 1;
            mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
        }
    return mesh;
}

Mesh Heightfield(u32 size, std::mt19937& random) {
    Mesh mesh;
    std::uniform_real_distribution<f32> noise(-0.05f, 0.05f);
    for (u32 z = 0; z <= size; ++z)
        for (u32 x = 0; x <= size; ++x) {
            const f32 fx = f32(x) / f32(size) * 20 - 10, fz = f32(z) / f32(size) * 20 - 10;
            mesh.vertices.push_back(zVector(fx, std::sin(fx) * std::cos(fz) + noise(random), fz));
        }
    for (u32 z = 0; z < size; ++z)
        for (u32 x = 0; x < size; ++x) {
            const u32 a = z * (size + 1) + x, b = a + 1, c = a + size + 1, d = c + 1;
            mesh.indices.insert(mesh.indices.end(), {a, b, d, a, d, c});
        }
    return mesh;
}

Mesh Soup(u32 count, std::mt19937& random) {
    Mesh mesh;
    std::uniform_real_distribution<f32> centre(-10, 10), offset(-0.5f, 0.5f);
    for (u32 i = 0; i < count; ++i) {
        const zVector c(centre(random), centre(random), centre(random));
        for (int k = 0; k < 3; ++k) {
            mesh.indices.push_back(u32(mesh.vertices.size()));
            mesh.vertices.push_back(
                zVector(c.x + offset(random), c.y + offset(random), c.z + offset(random)));
        }
    }
    return mesh;
}

zSharedPtr<zGeometry> ToGeometry(BenchHost& host, const Mesh& mesh) {
    zSharedPtr<zGeometry> geometry(new zGeometry(&host));
    geometry->AllocateVertices(u32(mesh.vertices.size()));
    std::copy(mesh.vertices.begin(), mesh.vertices.end(), geometry->GetVertices());
    const u32 triangles = u32(mesh.indices.size() / 3);
    geometry->AllocatePolygons(triangles);
    for (u32 t = 0; t < triangles; ++t)
        geometry->GetPolygons()[t].cornerCount = 3;
    geometry->AllocateBindings();
    std::copy(mesh.indices.begin(), mesh.indices.end(), geometry->GetBindings());
    geometry->AllocateMaterials(1, true);
    geometry->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
    return geometry;
}

struct Ray {
    zVector origin, direction;
};

struct Answer {
    bool found = false;
    u32 item = 0, triangle = 0;
    f32 t = 0;
};

// One scene on both sides.
struct Case {
    std::string name;
    std::vector<Mesh> meshes;
    std::vector<std::pair<u32, zMatrix4>> items; // mesh, world
    zVector eye, target;
};

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median5(const std::function<void()>& work) {
    work(); // warm-up
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i)
        runs.push_back(Seconds(work));
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

struct EmbreeScene {
    RTCDevice device;
    RTCScene scene;
    std::vector<RTCScene> children;
    EmbreeScene(RTCDevice device, const Case& c, bool instanced) : device(device) {
        scene = rtcNewScene(device);
        auto addMesh = [&](RTCScene target, const Mesh& mesh, const zMatrix4* world) {
            RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
            auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(
                geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 12, mesh.vertices.size()));
            for (size_t i = 0; i < mesh.vertices.size(); ++i) {
                const zVector p = world ? mesh.vertices[i].ApplyMatrix(*world) : mesh.vertices[i];
                v[3 * i] = p.x;
                v[3 * i + 1] = p.y;
                v[3 * i + 2] = p.z;
            }
            auto* idx = static_cast<unsigned*>(rtcSetNewGeometryBuffer(
                geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 12, mesh.indices.size() / 3));
            std::copy(mesh.indices.begin(), mesh.indices.end(), idx);
            rtcCommitGeometry(geometry);
            const unsigned id = rtcAttachGeometry(target, geometry);
            rtcReleaseGeometry(geometry);
            return id;
        };
        if (instanced) {
            for (const Mesh& mesh : c.meshes) {
                RTCScene child = rtcNewScene(device);
                addMesh(child, mesh, nullptr);
                rtcCommitScene(child);
                children.push_back(child);
            }
            for (const auto& item : c.items) {
                RTCGeometry instance = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_INSTANCE);
                rtcSetGeometryInstancedScene(instance, children[item.first]);
                float xfm[12];
                for (int column = 0; column < 4; ++column) {
                    const zVector r = item.second.GetRow(column, true);
                    xfm[3 * column] = r.x;
                    xfm[3 * column + 1] = r.y;
                    xfm[3 * column + 2] = r.z;
                }
                rtcSetGeometryTransform(instance, 0, RTC_FORMAT_FLOAT3X4_COLUMN_MAJOR, xfm);
                rtcCommitGeometry(instance);
                rtcAttachGeometry(scene, instance);
                rtcReleaseGeometry(instance);
            }
        } else {
            for (const auto& item : c.items)
                addMesh(scene, c.meshes[item.first], &item.second);
        }
        rtcCommitScene(scene);
    }
    ~EmbreeScene() {
        rtcReleaseScene(scene);
        for (RTCScene child : children)
            rtcReleaseScene(child);
    }
    Answer Nearest(const Ray& ray, bool instanced) const {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRayHit rh;
        rh.ray.org_x = ray.origin.x;
        rh.ray.org_y = ray.origin.y;
        rh.ray.org_z = ray.origin.z;
        rh.ray.dir_x = ray.direction.x;
        rh.ray.dir_y = ray.direction.y;
        rh.ray.dir_z = ray.direction.z;
        rh.ray.tnear = 0.0f;
        rh.ray.tfar = INFINITY;
        rh.ray.mask = ~0u;
        rh.ray.flags = 0;
        rh.ray.time = 0;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene, &context, &rh);
        Answer answer;
        if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return answer;
        answer.found = true;
        answer.item = instanced ? rh.hit.instID[0] : rh.hit.geomID;
        answer.triangle = rh.hit.primID;
        answer.t = rh.ray.tfar;
        return answer;
    }
    bool Occluded(const Ray& ray, f32 distance) const {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRay r;
        r.org_x = ray.origin.x;
        r.org_y = ray.origin.y;
        r.org_z = ray.origin.z;
        r.dir_x = ray.direction.x;
        r.dir_y = ray.direction.y;
        r.dir_z = ray.direction.z;
        r.tnear = 0.0f;
        r.tfar = distance;
        r.mask = ~0u;
        r.flags = 0;
        r.time = 0;
        rtcOccluded1(scene, &context, &r);
        return r.tfar == -INFINITY;
    }
    // Streams of eight, the upper bound of Embree's single-ray figures.
    void Nearest8(const std::vector<Ray>& rays) const {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        alignas(32) RTCRayHit8 packet;
        alignas(32) int valid[8];
        for (size_t base = 0; base < rays.size(); base += 8) {
            for (int k = 0; k < 8; ++k) {
                const bool live = base + k < rays.size();
                valid[k] = live ? -1 : 0;
                const Ray& ray = rays[live ? base + k : 0];
                packet.ray.org_x[k] = ray.origin.x;
                packet.ray.org_y[k] = ray.origin.y;
                packet.ray.org_z[k] = ray.origin.z;
                packet.ray.dir_x[k] = ray.direction.x;
                packet.ray.dir_y[k] = ray.direction.y;
                packet.ray.dir_z[k] = ray.direction.z;
                packet.ray.tnear[k] = 0.0f;
                packet.ray.tfar[k] = INFINITY;
                packet.ray.mask[k] = ~0u;
                packet.ray.flags[k] = 0;
                packet.ray.time[k] = 0;
                packet.hit.geomID[k] = RTC_INVALID_GEOMETRY_ID;
                packet.hit.instID[0][k] = RTC_INVALID_GEOMETRY_ID;
            }
            rtcIntersect8(valid, scene, &context, &packet);
        }
    }
};

struct EngineScene {
    zRaytraceScene scene;
    std::vector<zSharedPtr<zGeometry>> geometries;
    zSceneBIH tree;
    EngineScene(BenchHost& host, const Case& c) {
        for (const Mesh& mesh : c.meshes)
            geometries.push_back(ToGeometry(host, mesh));
        scene.objects.reserve(c.items.size());
        for (const auto& item : c.items) {
            zRayObject object;
            object.geometry = geometries[item.first].Get();
            object.world = item.second;
            object.inverse = item.second.Inverse();
            scene.objects.push_back(object);
        }
    }
    // Builds fresh polygon trees (timed, then dropped) and the scene tree;
    // queries use each geometry's own tree, built once.
    void Build() {
        for (auto& geometry : geometries) {
            zGeometryBIH fresh;
            fresh.Build(geometry.Get());
            geometry->BuildTree(GeometryTreeBIH);
        }
        std::vector<zVector> boxes;
        tree.Clear();
        for (const zRayObject& object : scene.objects) {
            zMinMax box;
            object.geometry->GetMinMax(box, &object.world);
            boxes.push_back(box.min);
            boxes.push_back(box.max);
            tree.GetPrimitives().push_back({&object, object.geometry});
        }
        tree.Build(u32(scene.objects.size()), boxes.data());
    }
    Answer Nearest(const Ray& ray, u8 mode = RaySearchNearest, f32 max = -1.0f) {
        zRayHit hit;
        hit.searchMode = mode;
        tree.Intersect(hit, ray.origin, ray.direction, max);
        Answer answer;
        if (!hit.found) return answer;
        answer.found = true;
        answer.item = u32(hit.object - scene.objects.data());
        answer.triangle = u32(hit.polygon);
        answer.t = hit.distance;
        return answer;
    }
};

std::vector<Ray> PrimaryRays(const Case& c, u32 width, u32 height) {
    const zMatrix3 basis = zMatrix3::FromDirection(c.target.Sub(c.eye));
    std::vector<Ray> rays;
    for (u32 y = 0; y < height; ++y)
        for (u32 x = 0; x < width; ++x) {
            const f32 ndcX = 2.0f * (f32(x) + 0.5f) / f32(width) - 1.0f;
            const f32 ndcY = 1.0f - 2.0f * (f32(y) + 0.5f) / f32(height);
            const zVector local(ndcX * f32(width) / f32(height) / 3.2f, ndcY / 3.2f, 1.0f);
            rays.push_back({c.eye, local.ApplyRotationMatrix(basis).Normalize()});
        }
    return rays;
}

std::vector<Ray> RandomRays(u32 count, std::mt19937& random) {
    std::uniform_real_distribution<f32> far(-15, 15), near(-8, 8);
    std::vector<Ray> rays;
    for (u32 i = 0; i < count; ++i) {
        const zVector origin(far(random), far(random), far(random));
        const zVector target(near(random), near(random), near(random));
        rays.push_back({origin, target.Sub(origin).Normalize()});
    }
    return rays;
}

// The smallest barycentric weight of the ray's crossing with a triangle of
// the case, in double precision: near 0 for a ray through an edge.
f64 EdgeWeight(const Case& c, const Answer& answer, const Ray& ray) {
    if (!answer.found) return 1.0;
    const auto& item = c.items[answer.item];
    const Mesh& mesh = c.meshes[item.first];
    zVector q[3];
    for (int k = 0; k < 3; ++k)
        q[k] = mesh.vertices[mesh.indices[3 * answer.triangle + k]].ApplyMatrix(item.second);
    const f64 e1[3] = {f64(q[1].x) - q[0].x, f64(q[1].y) - q[0].y, f64(q[1].z) - q[0].z};
    const f64 e2[3] = {f64(q[2].x) - q[0].x, f64(q[2].y) - q[0].y, f64(q[2].z) - q[0].z};
    const f64 d[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
    const f64 s[3] = {f64(ray.origin.x) - q[0].x, f64(ray.origin.y) - q[0].y, f64(ray.origin.z) - q[0].z};
    auto cross = [](const f64 a[3], const f64 b[3], f64 out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    auto dot = [](const f64 a[3], const f64 b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    f64 p[3], qv[3];
    cross(d, e2, p);
    const f64 det = dot(e1, p);
    cross(s, e1, qv);
    const f64 u = dot(s, p) / det, v = dot(d, qv) / det;
    return std::min({u, v, 1.0 - u - v});
}

bool Agree(const Answer& a, const Answer& b) {
    if (a.found != b.found) return false;
    if (!a.found) return true;
    return a.item == b.item && a.triangle == b.triangle &&
           std::fabs(a.t - b.t) <= 1e-4f * std::max(1.0f, a.t);
}

void Report(const char* what, size_t rays, double engine, double embree) {
    std::printf(
        "  %-34s engine %9.0f rays/s (%7.1f ns/ray)   embree %10.0f rays/s (%7.1f ns/ray)   ratio %5.2fx\n",
        what, f64(rays) / engine, engine * 1e9 / f64(rays), f64(rays) / embree, embree * 1e9 / f64(rays),
        engine / embree);
}

int Run(const Case& c, RTCDevice device, f64 rayScale, bool instanced, bool trace) {
    BenchHost host;
    std::mt19937 random(99);
    EngineScene engine(host, c);
    std::printf(
        "%s%s: %zu triangles in %zu items\n", c.name.c_str(), instanced ? " (instances)" : " (flattened)",
        [&] {
            size_t n = 0;
            for (const auto& item : c.items)
                n += c.meshes[item.first].indices.size() / 3;
            return n;
        }(),
        c.items.size());
    const double engineBuild = Median5([&] { engine.Build(); });
    EmbreeScene* embree = nullptr;
    const double embreeBuild = Median5([&] {
        delete embree;
        embree = new EmbreeScene(device, c, instanced);
    });
    std::printf("  %-34s engine %9.2f ms   embree %9.2f ms\n", "build", engineBuild * 1e3, embreeBuild * 1e3);

    const u32 width = u32(1024 * std::sqrt(rayScale)), height = u32(768 * std::sqrt(rayScale));
    const std::vector<Ray> primary = PrimaryRays(c, std::max(8u, width), std::max(6u, height));
    const std::vector<Ray> incoherent = RandomRays(u32(1000000 * rayScale), random);
    // Shadow rays from the primary hits to a light above the eye.
    const zVector light = c.eye.Add(zVector(0, 20, 0));
    std::vector<Ray> shadows;
    std::vector<f32> shadowLength;
    for (const Ray& ray : primary) {
        const Answer hit = embree->Nearest(ray, instanced);
        if (!hit.found) continue;
        const zVector point = ray.origin.Add(ray.direction.MulReal(hit.t * 0.9999f));
        const zVector toLight = light.Sub(point);
        shadows.push_back({point, toLight.Normalize()});
        shadowLength.push_back(toLight.Length());
    }

    for (const auto& set : {std::make_pair("primary", &primary), std::make_pair("incoherent", &incoherent)}) {
        size_t agree = 0, shown = 0;
        for (const Ray& ray : *set.second) {
            const Answer a = engine.Nearest(ray), b = embree->Nearest(ray, instanced);
            if (Agree(a, b)) {
                ++agree;
            } else if (shown++ < 5) {
                std::printf("    disagree: engine %d item %u tri %u t %.6f (edge weight %.1e), embree %d "
                            "item %u tri %u "
                            "t %.6f (edge weight %.1e)\n",
                            a.found, a.item, a.triangle, a.t, EdgeWeight(c, a, ray), b.found, b.item,
                            b.triangle, b.t, EdgeWeight(c, b, ray));
            }
        }
        const double share = f64(agree) / f64(set.second->size());
        std::printf("  agreement on %s rays: %.4f%%\n", set.first, share * 100.0);
        if (share < 0.999) {
            std::printf("  agreement gate failed: no timing\n");
            delete embree;
            return 1;
        }
    }

    for (const auto& set : {std::make_pair("nearest hit, primary", &primary),
                            std::make_pair("nearest hit, incoherent", &incoherent)}) {
        const std::vector<Ray>& rays = *set.second;
        const double e = Median5([&] {
            for (const Ray& ray : rays)
                engine.Nearest(ray);
        });
        const double m = Median5([&] {
            for (const Ray& ray : rays)
                embree->Nearest(ray, instanced);
        });
        Report(set.first, rays.size(), e, m);
        const double m8 = Median5([&] { embree->Nearest8(rays); });
        std::printf("  %-34s embree rtcIntersect8 %10.0f rays/s\n", "", f64(rays.size()) / m8);
    }
    {
        const double e = Median5([&] {
            for (size_t i = 0; i < shadows.size(); ++i)
                engine.Nearest(shadows[i], RaySearchAny, shadowLength[i]);
        });
        const double m = Median5([&] {
            for (size_t i = 0; i < shadows.size(); ++i)
                embree->Occluded(shadows[i], shadowLength[i]);
        });
        Report("any hit, shadow rays", shadows.size(), e, m);
    }
    // A brute-force and kd-tree check of the engine's answer on a few rays of a one-mesh case.
    if (c.items.size() == 1 && c.meshes[0].indices.size() / 3 <= 200000) {
        zGeometryKDTree kd;
        kd.Build(engine.geometries[0].Get());
        const std::vector<Ray> few(incoherent.begin(),
                                   incoherent.begin() + std::min<size_t>(incoherent.size(), 20000));
        const double k = Median5([&] {
            for (const Ray& ray : few) {
                zRayHit hit;
                kd.Intersect(hit, ray.origin.ApplyMatrix(engine.scene.objects[0].inverse), ray.direction,
                             -1.0f);
            }
        });
        const double b = Median5([&] {
            for (const Ray& ray : few)
                engine.Nearest(ray);
        });
        std::printf("  %-34s engine BIH %9.0f rays/s   engine kd-tree %9.0f rays/s\n", "incoherent (20k)",
                    f64(few.size()) / b, f64(few.size()) / k);
    }
    if (trace) {
        zRayLight point;
        point.world.SetRow(3, light, true);
        engine.scene.lights.push_back(point);
        engine.scene.hasCamera = true;
        engine.scene.camera.world = zMatrix4::FromMatrix3(zMatrix3::FromDirection(c.target.Sub(c.eye)));
        engine.scene.camera.world.SetRow(3, c.eye, true);
        engine.scene.camera.inverse = engine.scene.camera.world.Inverse();
        zRaytracer raytracer;
        zPicture picture;
        const double seconds = Seconds([&] {
            raytracer.SetScene(&engine.scene);
            raytracer.Trace(picture, 1024, 768);
        });
        if (const char* directory = std::getenv("RAYTRACE_BENCH_FRAME_DIR"))
            WriteRaytracedFrame(directory, 0, picture);
        std::printf("  %-34s %.2f s wall, %llu rays\n", "engine Trace 1024 x 768, defaults", seconds,
                    static_cast<unsigned long long>(raytracer.GetRayCount()));
        // The same frame at 640 x 360 on one thread and on more, trees built:
        // the median of 5 and the range, and whether the bytes agree.
        zPicture one;
        bool same = true;
        for (u32 threads : {1u, 2u, 3u, 6u, 0u}) {
            zRaytracer frame;
            frame.SetThreadCount(threads);
            frame.SetScene(&engine.scene);
            zPicture picture;
            std::vector<double> times;
            for (int run = 0; run < 5; ++run)
                times.push_back(Seconds([&] { frame.Trace(picture, 640, 360); }));
            std::sort(times.begin(), times.end());
            if (threads == 1) one.Copy(picture);
            const bool equal =
                picture.GetWidth() == one.GetWidth() && picture.GetHeight() == one.GetHeight() &&
                std::equal(one.GetPixels(), one.GetPixels() + size_t(640) * 360 * 4, picture.GetPixels());
            same = same && equal;
            std::printf("  %-34s %u thread(s): median %6.1f ms (%.1f - %.1f)%s\n", "engine Trace 640 x 360",
                        frame.GetThreadCount(), times[2] * 1e3, times[0] * 1e3, times[4] * 1e3,
                        equal ? ", bytes equal to one thread's" : ", BYTES DIFFER");
        }
        if (!same) return 1;
    }
    delete embree;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const f64 rayScale = argc > 1 ? std::atof(argv[1]) : 1.0;
    QuietLog log;
    SetLog(&log);
    RegisterGeometryTrees();
    std::mt19937 random(7);

    std::vector<Case> cases;
    cases.push_back({"sphere, 80k triangles",
                     {Sphere(200, 200, 5.0f)},
                     {{0, zMatrix4()}},
                     zVector(0, 0, -20),
                     zVector(0, 0, 0)});
    cases.push_back({"heightfield 512 x 512, 524k triangles",
                     {Heightfield(512, random)},
                     {{0, zMatrix4()}},
                     zVector(0.0137f, 8, -16),
                     zVector(0.0137f, 0, 0)}); // off the grid lines
    cases.push_back({"random soup, 100k triangles",
                     {Soup(100000, random)},
                     {{0, zMatrix4()}},
                     zVector(0, 0, -30),
                     zVector(0, 0, 0)});
    Case items{
        "64 items x 20k triangles", {Sphere(100, 100, 0.9f)}, {}, zVector(0, 6, -30), zVector(0, 0, 0)};
    for (int i = 0; i < 64; ++i)
        items.items.push_back(
            {0, zMatrix4::Compose(zVector(f32(i % 8) * 2.5f - 8.75f, 0, f32(i / 8) * 2.5f - 8.75f),
                                  zVector(0, f32(i) * 0.3f, 0), zVector(1, 1, 1), zVector(0, 0, 0))});
    cases.push_back(items);

    RTCDevice single = rtcNewDevice("threads=1");
    int failures = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        failures += Run(cases[i], single, rayScale, false, i == 0);
        if (cases[i].items.size() > 1) failures += Run(cases[i], single, rayScale, true, false);
    }
    rtcReleaseDevice(single);

    // Embree's own threading, for context only.
    RTCDevice threaded = rtcNewDevice(nullptr);
    {
        EmbreeScene scene(threaded, cases[0], false);
        const std::vector<Ray> rays = PrimaryRays(cases[0], 1024, 768);
        const double seconds = Median5([&] {
            for (const Ray& ray : rays)
                scene.Nearest(ray, false);
        });
        std::printf("embree default device, sphere primary rays: %.0f rays/s (calls from one thread)\n",
                    f64(rays.size()) / seconds);
    }
    rtcReleaseDevice(threaded);
    SetLog(nullptr);
    return failures;
}
