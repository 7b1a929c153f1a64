// Handles that hold no reference on their resource: a texture handed out as
// its picture (kind 22) and sounds (kind 33, whose sole owner is a resource
// cache). The listener turns every such handle into a "Deleted native"
// handle when the engine reports that its texture or sound begins to be
// destroyed, however that happens (cache cleared or freed, last reference
// released). A VM opened over an engine installs it there (zSquirrelVM::Open).
#pragma once

class zCoreListener;

// The one listener, for every engine and VM (the handle registry is global).
zCoreListener* GetScriptResourceListener();
