// A scene to raytrace: a unit quad 5 units in front of the default camera
// (the scene names none), diffuse (0.8, 0.4, 0.2), lit along the view by one
// parallel light, on a blue background. Traced, its centre pixel is
// (B, G, R, A) = (51, 102, 204, 255) and its corners (255, 0, 0, 255).
#pragma once

// The scene file; its geometry is patch.zml.
inline const char* const PatchSceneFile =
    "<ZML=1.0>\n<Scene=<Items=\n"
    "  <MObject=<MItem=<Id=\"patch\"><UId=1><Active>>\n"
    "    <Object=<Item=<Position=<X=0.0><Y=0.0><Z=5.0>>><Geometry=\"patch.zml\">>>\n"
    "  <MLight=<MItem=<Id=\"sun\"><UId=2><Active>><Light=<Type=\"Parallel\">>>>\n"
    "<Globals=<BackgroundColor=<X=0.0><Y=0.0><Z=1.0>>>>\n";

inline const char* const PatchGeometryFile =
    "<ZML=1.0>\n<Geometry=\n"
    "  <Materials=<Material=<Id=\"m\"><Diffuse=<X=0.8><Y=0.4><Z=0.2><W=1.0>>>>\n"
    "  <AVertex=<Count=4><Data=<V=<X=-0.5><Y=-0.5><Z=0.0>><V=<X=0.5><Y=-0.5><Z=0.0>>\n"
    "    <V=<X=0.5><Y=0.5><Z=0.0>><V=<X=-0.5><Y=0.5><Z=0.0>>>>\n"
    "  <APolygon=<Count=1><BindingCount=4><Data=\n"
    "    <P=<Count=4><Material=0><Index=0><Index=1><Index=2><Index=3>>>>>\n";
