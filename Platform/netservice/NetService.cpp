#include "Platform/netservice/NetService.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace tallo {

namespace {

std::mutex gFactoryMutex;
NetService::BackendFactory gFactory;
std::atomic<bool> gNoDaemonReported{false};

// DNS-SD names carry no trailing dot in Avahi's calls: "local." → "local".
std::string withoutTrailingDot(std::string text) {
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

void reportNoDaemonOnce(int error) {
    if (gNoDaemonReported.exchange(true)) return;
    std::fprintf(stderr,
                 "tallo: the sync service is not published on the network: the Avahi daemon cannot be reached (%s). "
                 "A desktop can still connect with the device's address and port.\n",
                 avahi_strerror(error));
}

// One Avahi client on a thread of its own for one service. The client
// callback runs on that thread (and once inside avahi_client_new); every
// change from the main thread takes the poll's lock.
class AvahiBackend final : public NetServiceBackend {
public:
    ~AvahiBackend() override { stop(); }

    void publish(const NetService& service) override {
        name_ = service.name();
        type_ = withoutTrailingDot(service.type());
        domain_ = withoutTrailingDot(service.domain());
        port_ = service.port();
        txt_ = service.TXTRecordData();
        poll_ = avahi_threaded_poll_new();
        if (poll_ == nullptr) return;
        int error = 0;
        client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AvahiClientFlags(0), &AvahiBackend::clientChanged,
                                   this, &error);
        if (client_ == nullptr) {
            reportNoDaemonOnce(error);
            avahi_threaded_poll_free(poll_);
            poll_ = nullptr;
            return;
        }
        avahi_threaded_poll_start(poll_);
    }

    void updateTXTRecord(const NetService& service) override {
        if (poll_ == nullptr) return;
        avahi_threaded_poll_lock(poll_);
        txt_ = service.TXTRecordData();
        if (group_ != nullptr && !avahi_entry_group_is_empty(group_)) {
            AvahiStringList* list = txtList();
            avahi_entry_group_update_service_txt_strlst(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                                        name_.c_str(), type_.c_str(), domain_.c_str(), list);
            avahi_string_list_free(list);
        }
        avahi_threaded_poll_unlock(poll_);
    }

    void stop() override {
        if (poll_ == nullptr) return;
        avahi_threaded_poll_stop(poll_);
        avahi_client_free(client_);  // frees the entry group too
        avahi_threaded_poll_free(poll_);
        client_ = nullptr;
        group_ = nullptr;
        poll_ = nullptr;
    }

private:
    AvahiStringList* txtList() const {
        AvahiStringList* list = nullptr;
        if (!txt_.empty() && avahi_string_list_parse(txt_.data(), txt_.size(), &list) != 0) list = nullptr;
        return list;
    }

    void addService(AvahiClient* client) {
        if (group_ == nullptr) group_ = avahi_entry_group_new(client, nullptr, nullptr);
        if (group_ == nullptr || !avahi_entry_group_is_empty(group_)) return;
        AvahiStringList* list = txtList();
        int result = avahi_entry_group_add_service_strlst(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                          AvahiPublishFlags(0), name_.c_str(), type_.c_str(),
                                                          domain_.c_str(), nullptr, port_, list);
        avahi_string_list_free(list);
        if (result == 0) avahi_entry_group_commit(group_);
    }

    static void clientChanged(AvahiClient* client, AvahiClientState state, void* context) {
        auto* self = static_cast<AvahiBackend*>(context);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->addService(client);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name changes; the records come back once running again.
            if (self->group_ != nullptr) avahi_entry_group_reset(self->group_);
            break;
        default:
            break;
        }
    }

    std::string name_, type_, domain_;
    uint16_t port_ = 0;
    NetService::Data txt_;
    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
};

}  // namespace

NetService::NetService(std::string domain, std::string type, std::string name, uint16_t port)
    : domain_(std::move(domain)), type_(std::move(type)), name_(std::move(name)), port_(port) {}

NetService::~NetService() { stop(); }

std::optional<NetService::Data> NetService::dataFromTXTRecordDictionary(const TXTRecord& record) {
    Data out;
    for (const auto& [key, value] : record) {
        if (key.empty() || key.find('=') != std::string::npos) return std::nullopt;
        size_t length = key.size() + 1 + value.size();
        if (length > 255) return std::nullopt;
        out.push_back(static_cast<uint8_t>(length));
        out.insert(out.end(), key.begin(), key.end());
        out.push_back('=');
        out.insert(out.end(), value.begin(), value.end());
    }
    return out;
}

std::optional<NetService::TXTRecord> NetService::dictionaryFromTXTRecordData(const Data& data) {
    TXTRecord record;
    size_t i = 0;
    while (i < data.size()) {
        size_t length = data[i++];
        if (i + length > data.size()) return std::nullopt;
        std::string_view entry(reinterpret_cast<const char*>(data.data() + i), length);
        i += length;
        if (entry.empty()) continue;
        size_t equals = entry.find('=');
        std::string key(entry.substr(0, equals));
        Data value;
        if (equals != std::string_view::npos) value.assign(entry.begin() + equals + 1, entry.end());
        record.emplace(std::move(key), std::move(value));
    }
    return record;
}

bool NetService::setTXTRecordData(const Data& data) {
    if (!dictionaryFromTXTRecordData(data)) return false;
    txt_ = data;
    if (published_ && backend_) backend_->updateTXTRecord(*this);
    return true;
}

void NetService::publish() {
    if (published_) return;
    {
        std::lock_guard lock(gFactoryMutex);
        backend_ = gFactory ? gFactory() : std::make_unique<AvahiBackend>();
    }
    published_ = true;
    if (backend_) backend_->publish(*this);
}

void NetService::stop() {
    if (!published_) return;
    published_ = false;
    if (backend_) backend_->stop();
    backend_.reset();
}

void NetService::setBackendFactory(BackendFactory factory) {
    std::lock_guard lock(gFactoryMutex);
    gFactory = std::move(factory);
}

}  // namespace tallo
