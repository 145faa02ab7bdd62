#include "Platform/foundation/NotificationCenter.h"

#include <algorithm>

namespace tallo {

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: observers that outlive main (screens still held by
    // the run loop's last tasks) remove themselves at exit.
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

void NotificationCenter::addObserver(const void* owner, const std::string& name, Handler handler) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::make_shared<Entry>(Entry{owner, name, std::move(handler)}));
}

void NotificationCenter::removeObserver(const void* owner) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const std::shared_ptr<Entry>& entry) {
        if (entry->owner != owner) return false;
        entry->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const std::shared_ptr<Entry>& entry) {
        if (entry->owner != owner || entry->name != name) return false;
        entry->removed = true;
        return true;
    });
}

void NotificationCenter::postNotification(const std::string& name, const void* object, std::any userInfo) {
    // Deliver to a snapshot, so observers may add and remove freely; the
    // `removed` mark keeps a removed observer from being called.
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if (entry->name.empty() || entry->name == name) snapshot.push_back(entry);
        }
    }
    Notification notification{name, object, std::move(userInfo)};
    for (const auto& entry : snapshot) {
        bool removed;
        {
            std::lock_guard lock(mutex_);
            removed = entry->removed;
        }
        if (!removed) entry->handler(notification);
    }
}

size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace tallo
