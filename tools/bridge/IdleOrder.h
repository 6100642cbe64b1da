// Open connections, the one idle longest first: when there are as many as allowed, that one is
// closed to let a new one in, so a flood of silent connections never locks a real client out.
#pragma once

#include <cstddef>
#include <list>

template <typename Connection>
class IdleOrder {
public:
    using Place = typename std::list<Connection*>::iterator;

    Place Add(Connection* connection) { return connections_.insert(connections_.end(), connection); }
    // It did something: last in line to be closed.
    void Touch(Place place) { connections_.splice(connections_.end(), connections_, place); }
    void Remove(Place place) noexcept { connections_.erase(place); }
    Connection* Idlest() const { return connections_.empty() ? nullptr : connections_.front(); }
    std::size_t Size() const { return connections_.size(); }

private:
    std::list<Connection*> connections_;
};
