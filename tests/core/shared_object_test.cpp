#include "core/shared_object.h"

#include <gtest/gtest.h>

#include <utility>

#include "core/list.h"

namespace {

// Counts its destructions in a counter that outlives it.
class Tracked : public zSharedObject {
public:
    explicit Tracked(int& destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { ++m_destroyed; }

private:
    int& m_destroyed;
};

class Derived : public Tracked {
public:
    using Tracked::Tracked;
};

}  // namespace

TEST(SharedObject, NewObjectHasNoReference) {
    int destroyed = 0;
    Tracked* object = new Tracked(destroyed);
    EXPECT_EQ(object->GetRefCount(), 0u);
    object->AddRef();
    object->AddRef();
    EXPECT_EQ(object->GetRefCount(), 2u);
    object->Release();
    EXPECT_EQ(destroyed, 0);
    object->Release();
    EXPECT_EQ(destroyed, 1);
}

TEST(SharedObject, ReleaseWithoutReferenceIsAProgrammersMistake) {
    int destroyed = 0;
    Tracked* object = new Tracked(destroyed);
    EXPECT_DEBUG_DEATH(object->Release(), "without references");
#ifdef NDEBUG
    EXPECT_EQ(destroyed, 0);  // release builds ignore it
#endif
    delete object;
}

TEST(SharedObject, CopyIsANewObjectWithoutReferences) {
    int destroyed = 0;
    Tracked* original = new Tracked(destroyed);
    original->AddRef();
    zWeakPtr<Tracked> weak(original);
    Tracked* copy = new Tracked(*original);
    EXPECT_EQ(copy->GetRefCount(), 0u);
    delete copy;  // must not free the original's weak block
    EXPECT_TRUE(weak.IsAlive());
    original->Release();
    EXPECT_FALSE(weak.IsAlive());
}

TEST(SharedPtr, OwnsOneReference) {
    int destroyed = 0;
    Tracked* object = new Tracked(destroyed);
    {
        zSharedPtr<Tracked> first(object);
        EXPECT_EQ(object->GetRefCount(), 1u);
        {
            zSharedPtr<Tracked> second(first);
            EXPECT_EQ(object->GetRefCount(), 2u);
            EXPECT_EQ(second.Get(), object);
            EXPECT_TRUE(second == first);
        }
        EXPECT_EQ(object->GetRefCount(), 1u);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(SharedPtr, NullIsAllowed) {
    zSharedPtr<Tracked> empty(nullptr);
    zSharedPtr<Tracked> other;
    EXPECT_FALSE(empty);
    other = empty;
    empty = static_cast<Tracked*>(nullptr);
    EXPECT_EQ(other.Get(), nullptr);
}

TEST(SharedPtr, SelfAssignmentKeepsTheCount) {
    int destroyed = 0;
    zSharedPtr<Tracked> pointer(new Tracked(destroyed));
    zSharedPtr<Tracked>& alias = pointer;
    pointer = alias;
    pointer = pointer.Get();
    EXPECT_EQ(pointer->GetRefCount(), 1u);
    EXPECT_EQ(destroyed, 0);
}

TEST(SharedPtr, AssignmentAddsTheNewThenReleasesTheOld) {
    int destroyedA = 0;
    int destroyedB = 0;
    Tracked* a = new Tracked(destroyedA);
    Tracked* b = new Tracked(destroyedB);
    zSharedPtr<Tracked> pointer(a);
    zSharedPtr<Tracked> other(b);
    pointer = other;
    EXPECT_EQ(destroyedA, 1);
    EXPECT_EQ(b->GetRefCount(), 2u);
    other = static_cast<Tracked*>(nullptr);
    EXPECT_EQ(b->GetRefCount(), 1u);
    EXPECT_EQ(destroyedB, 0);
}

TEST(SharedPtr, AssigningAnObjectKeptAliveOnlyByTheOldOne) {
    // The new object is referenced before the old one is released.
    struct Holder : zSharedObject {
        zSharedPtr<zSharedObject> child;
    };
    int destroyed = 0;
    Tracked* child = new Tracked(destroyed);
    Holder* holder = new Holder;
    holder->child = child;
    zSharedPtr<zSharedObject> pointer(holder);
    pointer = holder->child.Get();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(child->GetRefCount(), 1u);
}

TEST(SharedPtr, ConvertsToABaseClassPointer) {
    int destroyed = 0;
    zSharedPtr<Derived> derived(new Derived(destroyed));
    zSharedPtr<Tracked> base(derived);
    EXPECT_EQ(base->GetRefCount(), 2u);
    derived = static_cast<Derived*>(nullptr);
    base = static_cast<Tracked*>(nullptr);
    EXPECT_EQ(destroyed, 1);
}

TEST(SharedPtr, ListOfSharedPointersReleasesItsElementsWhenCleared) {
    int destroyed = 0;
    Tracked* kept = new Tracked(destroyed);
    zSharedPtr<Tracked> outside(kept);
    zList<zSharedPtr<Tracked>> list;
    list.Add(zSharedPtr<Tracked>(new Tracked(destroyed)));
    list.Add(zSharedPtr<Tracked>(new Tracked(destroyed)));
    list.Add(outside);
    EXPECT_EQ(kept->GetRefCount(), 2u);
    list.Clear();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(kept->GetRefCount(), 1u);
}

TEST(WeakPtr, LearnsThatTheObjectDied) {
    int destroyed = 0;
    zSharedPtr<Tracked> strong(new Tracked(destroyed));
    zWeakPtr<Tracked> weak(strong.Get());
    zWeakPtr<Tracked> copy(weak);
    EXPECT_EQ(weak.Get(), strong.Get());
    {
        zSharedPtr<Tracked> locked = copy.Lock();
        EXPECT_EQ(locked->GetRefCount(), 2u);
    }
    strong = static_cast<Tracked*>(nullptr);
    EXPECT_EQ(destroyed, 1);
    // The block survives its object while holders remain.
    EXPECT_FALSE(weak.IsAlive());
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_FALSE(copy.Lock());
}

TEST(WeakPtr, BlockDiesWithTheObjectWhenNoHolderRemains) {
    int destroyed = 0;
    Tracked* object = new Tracked(destroyed);
    object->AddRef();
    {
        zWeakPtr<Tracked> weak(object);
        zWeakPtr<Tracked> other;
        other = weak;
        other = object;
        EXPECT_TRUE(other.IsAlive());
    }
    object->Release();  // frees the block with the object (checked by the leak sanitizer)
    EXPECT_EQ(destroyed, 1);
}

TEST(WeakPtr, DestroyingAnObjectDirectlyMarksItsBlockDead) {
    int destroyed = 0;
    zWeakPtr<Tracked> weak;
    {
        Tracked onStack(destroyed);
        weak = &onStack;
        EXPECT_TRUE(weak.IsAlive());
    }
    EXPECT_FALSE(weak.IsAlive());
}

TEST(SharedPointers, InstantiableWithIntForTheMemoryDump) {
    EXPECT_EQ(sizeof(zSharedPtr<int>), sizeof(void*));
    EXPECT_EQ(sizeof(zWeakPtr<int>), 2 * sizeof(void*));
    EXPECT_GE(sizeof(zSharedObject), sizeof(void*) + sizeof(u32));
}
