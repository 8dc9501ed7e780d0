#pragma once
// Tells whether another instance of the program runs for this user.
#include <QLockFile>

#include <memory>

namespace ostrel {

class InstanceLock {
public:
    // Tries to take the per-user lock; held until destruction.
    InstanceLock();
    bool anotherInstanceRuns() const { return !held_; }

private:
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

} // namespace ostrel
