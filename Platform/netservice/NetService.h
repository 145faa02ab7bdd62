#pragma once
// NetService: one DNS-SD service published on the local network — a name,
// a type such as "_TalloMobile2._tcp.", a domain ("local."), a port and a TXT
// record — for as long as the object is published.
//
// Publication goes through the Avahi daemon. When no daemon runs (or the
// system bus is not there) nothing is published, and the program says so
// once on standard error; the object still keeps its fields and TXT record,
// and the caller carries on as if published. Publication failures after that
// (a name conflict, the daemon going away) are not reported: the service is
// simply not visible, as the callers expect.
//
// The backend is replaceable (setBackendFactory), so tests can see what would
// be published without a daemon. Main thread only; the Avahi backend keeps its
// own connection thread and takes its lock for every change.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallo {

class NetService;

// What publishes a NetService. publish() is called once, with the TXT record
// already set; updateTXTRecord() on every later change; stop() once.
class NetServiceBackend {
public:
    virtual ~NetServiceBackend() = default;
    virtual void publish(const NetService& service) = 0;
    virtual void updateTXTRecord(const NetService& service) = 0;
    virtual void stop() = 0;
};

class NetService {
public:
    using Data = std::vector<uint8_t>;
    using TXTRecord = std::map<std::string, Data>;
    using BackendFactory = std::function<std::unique_ptr<NetServiceBackend>()>;

    NetService(std::string domain, std::string type, std::string name, uint16_t port);
    ~NetService();  // stops the publication
    NetService(const NetService&) = delete;
    NetService& operator=(const NetService&) = delete;

    const std::string& domain() const { return domain_; }
    const std::string& type() const { return type_; }
    const std::string& name() const { return name_; }
    uint16_t port() const { return port_; }

    // The TXT record in its wire form: each entry one length byte and then
    // "key=value", keys in sorted order. {"version": "2.1.1"} is
    // "\x0dversion=2.1.1". Nothing when an entry would pass 255 bytes or a
    // key is empty or holds '='.
    static std::optional<Data> dataFromTXTRecordDictionary(const TXTRecord& record);
    // The entries of TXT wire data; an entry without '=' has an empty value.
    // Nothing when a length byte points past the end.
    static std::optional<TXTRecord> dictionaryFromTXTRecordData(const Data& data);

    // Sets the record, and republishes it when published. False (record
    // unchanged) for data that is not TXT wire data.
    bool setTXTRecordData(const Data& data);
    const Data& TXTRecordData() const { return txt_; }

    void publish();
    void stop();
    bool isPublished() const { return published_; }

    // The backend for services published from now on; an empty factory
    // restores Avahi.
    static void setBackendFactory(BackendFactory factory);

private:
    std::string domain_, type_, name_;
    uint16_t port_;
    Data txt_;
    bool published_ = false;
    std::unique_ptr<NetServiceBackend> backend_;
};

}  // namespace tallo
