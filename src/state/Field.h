#pragma once

#include <utility>

// When a field tells its owner about a store.
enum class Announce {
    Changes,    // only when the new value differs from the one held
    EveryStore, // on every store, equal or not
};

// One value of an owner that announces its changes through one of the
// owner's signals: `field()` reads it, `field.set(v)` stores it and emits the
// signal as `announce` says.
template <class Owner, class T, Announce announce = Announce::Changes> class Field {
public:
    using Signal = void (Owner::*)();

    Field(Owner* owner, Signal changed, T initial = T())
        : m_owner(owner), m_changed(changed), m_value(std::move(initial))
    {
    }
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const T& operator()() const { return m_value; }

    void set(const T& v)
    {
        if constexpr (announce == Announce::Changes) {
            if (m_value == v)
                return;
        }
        m_value = v;
        (m_owner->*m_changed)();
    }

    // The owner and the signal that announce a store, for connecting to it.
    Owner* owner() const { return m_owner; }
    Signal changed() const { return m_changed; }

private:
    Owner* m_owner;
    Signal m_changed;
    T m_value;
};
