// The scene as the CPU raytracer reads it: GrabRaytraceScene fills the
// raytracer's own input record (render/raytrace/raytrace_scene.h) from a
// scene, so the render layer never sees the scene graph.
//
// What enters, in the scene's item order:
// - objects: every object item with a geometry, with its world and inverse
//   matrices (brought up to date here), its opacity (the item's alpha) and,
//   when skinned, its skinning matrices as the bone matrices. An item that is
//   inactive or carries the invisible flag enters hidden: the raytracer's
//   grab keeps it out, as it does items of opacity 0;
// - lights: every light item that is active (a light whose intensities are
//   both at or below the inactive threshold counts as inactive) and not
//   invisible; the type (2 directional, 3 spot, any other a point light),
//   the colours with their intensities, the range, the spot cone and edge,
//   the shadow mode and, as a directional light's shadow distance, the
//   volume range;
// - the current camera (world and inverse matrices, stored aspect, zoom),
//   the background and ambient colours, the ambient intensity and the
//   engine clock.
//
// The record holds pointers to the scene's geometries: it is valid until the
// scene's content changes, so it is filled again for every frame.
#pragma once

class zScene;
struct zRaytraceScene;

// Replaces out's content. False (logged) when memory runs out; out is then
// empty but for the scene's colours.
bool GrabRaytraceScene(zScene& scene, zRaytraceScene& out);
