// zMetaObject: an object stored as one ZML document (scenes, projects, 2D
// scenes). The object implements two operations, reading itself from its root
// tag and building that root tag; loading and saving through files and
// documents are built on them here.
#pragma once

#include "markup/metafile.h"

class zMetaObject {
  public:
    virtual ~zMetaObject() = default;

    // Reads the object from its root tag.
    virtual bool ParseRootTag(zMetafile& doc, zMetaTag* root) = 0;
    // A new root tag describing the object (owned by the caller), or null.
    virtual zMetaTag* BuildRootTag(zMetafile& doc) = 0;

    // Adds the built root tag to the document's roots; false when none was built.
    virtual bool SaveToMetafile(zMetafile& doc);
    // A fresh document with exactly one root, written with SaveMetafile.
    virtual bool SaveToFile(const char* path);
    // The document's first root goes to ParseRootTag; no root logs
    // "[!] No root tag in '<file name>'.\n".
    virtual bool LoadFromMetafile(zMetafile& doc);
    // A fresh document loaded with LoadMetafileFromFile, then LoadFromMetafile.
    virtual bool LoadFromFile(const char* path);
};
