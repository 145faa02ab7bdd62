#pragma once
// NotificationCenter: named notifications to whoever listens ("gotNewDatabase",
// "ratesDownloaded", …). Observers run synchronously on the poster's thread,
// in the order they were added. An observer removed while a notification is
// being delivered (by itself or by another observer) is not called again,
// and one added during delivery is first called for the next post.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tallo {

struct Notification {
    std::string name;
    const void* object = nullptr;  // the poster, when it says
    std::any userInfo;
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // Calls `handler` for each notification called `name` (empty: every
    // name). `owner` groups registrations for removeObserver.
    void addObserver(const void* owner, const std::string& name, Handler handler);
    // Removes every registration of `owner`, or only those for `name`.
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const std::string& name);

    void postNotification(const std::string& name, const void* object = nullptr, std::any userInfo = {});

    size_t observerCount() const;

private:
    struct Entry {
        const void* owner;
        std::string name;
        Handler handler;
        bool removed = false;
    };
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace tallo
