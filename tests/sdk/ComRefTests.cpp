#include "ComRef.h"
#include "CountedObject.h"

#include <doctest.h>

#include <utility>

TEST_CASE("a counted reference adds on copy, moves without counting and releases once")
{
    int destroyed = 0;
    auto* thing = new CountedThing(&destroyed);
    {
        ComRef<ICountedThing> first;
        CHECK_FALSE(first);
        first.attach(thing);
        CHECK(thing->Count() == 1);

        ComRef<ICountedThing> copy = first;
        CHECK(thing->Count() == 2);
        ComRef<ICountedThing> moved = std::move(copy);
        CHECK(thing->Count() == 2);
        CHECK_FALSE(copy);
        CHECK(moved.get() == thing);

        ComRef<ICountedThing> fromRaw(thing);
        CHECK(thing->Count() == 3);
        fromRaw.reset();
        CHECK(thing->Count() == 2);
        fromRaw.reset();
        CHECK(thing->Count() == 2);
    }
    CHECK(destroyed == 1);
}

TEST_CASE("assignment takes the new reference before it lets go of the old")
{
    int destroyed = 0;
    ComRef<ICountedThing> slot;
    slot.attach(new CountedThing(&destroyed, 1));

    // Storing the object a slot already holds must not destroy it on the way.
    slot = slot.get();
    REQUIRE(destroyed == 0);
    CHECK(slot->Value() == 1);

    ComRef<ICountedThing> other;
    other.attach(new CountedThing(&destroyed, 2));
    slot = other;
    CHECK(destroyed == 1);
    CHECK(slot->Value() == 2);
    CHECK(static_cast<CountedThing*>(other.get())->Count() == 2);

    slot = std::move(other);
    CHECK(static_cast<CountedThing*>(slot.get())->Count() == 1);
    slot = nullptr;
    CHECK(destroyed == 2);
}

TEST_CASE("put empties the reference and the filled object is owned without an extra count")
{
    int destroyed = 0;
    ComRef<ICountedThing> slot;
    slot.attach(new CountedThing(&destroyed, 1));

    // As an engine getter does: fill the out parameter with an added reference.
    auto fill = [&destroyed](ICountedThing** out) {
        *out = new CountedThing(&destroyed, 2);
    };
    fill(slot.put());
    CHECK(destroyed == 1);
    CHECK(slot->Value() == 2);
    CHECK(static_cast<CountedThing*>(slot.get())->Count() == 1);

    ICountedThing* raw = slot.detach();
    CHECK_FALSE(slot);
    CHECK(destroyed == 1);
    raw->Release();
    CHECK(destroyed == 2);
}

TEST_CASE("try_query gives a counted reference or an empty one")
{
    int destroyed = 0;
    ComRef<ICountedThing> thing;
    thing.attach(new CountedThing(&destroyed));
    {
        ComRef<IUnknown> unknown = thing.try_query<IUnknown>();
        CHECK(unknown);
        CHECK(static_cast<CountedThing*>(thing.get())->Count() == 2);
        ComRef<IClassFactory> missing = thing.try_query<IClassFactory>();
        CHECK_FALSE(missing);
        CHECK(static_cast<CountedThing*>(thing.get())->Count() == 2);
    }
    CHECK(static_cast<CountedThing*>(thing.get())->Count() == 1);
    ComRef<ICountedThing> empty;
    CHECK_FALSE(empty.try_query<IUnknown>());
}
