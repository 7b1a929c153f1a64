// zMetafile: one ZML document, its root tags in document order plus the name
// of the file it came from and the binary-block encoding its writer uses.
//
// Reading and writing live in markup/reader.h and markup/writer.h; zRegistry
// (markup/registry.h) is a document used as a key store.
#pragma once

#include "core/linked_list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "markup/meta_tag.h"

// Binary-block encodings of the writer (markup/binary_encoding.h).
enum zBinaryMethod : u32 {
    BinaryMethodAscii = 0,  // lines of 6-bit characters
    BinaryMethodYEnc = 1,   // escaped bytes, the default
};

// Flags of zMetafile::GetInt.
enum zMetafileLookupFlags : u32 {
    MetafileLookupLog = 1,  // log a missing or malformed path
};

class zMetafile {
public:
    zMetafile();
    virtual ~zMetafile();

    // Appends and returns the tag (null for null); the document owns it.
    zMetaTag* AddRoot(zMetaTag* tag);
    // Unlinks without deleting; false when the tag is not a root.
    bool DetachRoot(zMetaTag* tag);
    // Deletes every root and empties the file name.
    void Clear();
    // Deletes every root, keeps the file name.
    void ClearRoots();

    zMetaTag* GetTag(const char* path, bool log = false) const;
    zMetaTag* GetTypedTag(const char* path, u32 type, bool log = false) const;
    zMetaTag* GetNextRoot(zLinkedListIterator& iterator) const;
    u32 GetRootCount() const { return m_roots.GetCount(); }
    zLinkedListId& GetRoots() { return m_roots; }
    const zLinkedListId& GetRoots() const { return m_roots; }

    // The value at path when the tag exists with that type, else the default.
    bool GetBool(const char* path, bool defaultValue) const;
    i32 GetInt(const char* path, i32 defaultValue, u32 flags = 0) const;
    f32 GetFloat(const char* path, f32 defaultValue) const;
    const char* GetString(const char* path, const char* defaultValue) const;

    // A new document with deep clones of the roots and the same file name;
    // null, logged, when memory runs out.
    zMetafile* Clone() const;

    const zString& GetFileName() const { return m_fileName; }
    void SetFileName(const char* name) { m_fileName.Set(name); }
    u32 GetBinaryMethod() const { return m_binaryMethod; }
    void SetBinaryMethod(u32 method) { m_binaryMethod = method; }

private:
    zMetafile(const zMetafile&) = delete;
    zMetafile& operator=(const zMetafile&) = delete;

    zLinkedListId m_roots;
    u32 m_binaryMethod;
    zString m_fileName;
};
