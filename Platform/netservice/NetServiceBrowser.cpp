#include "Platform/netservice/NetServiceBrowser.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace tallo {

namespace {

std::string withoutTrailingDot(std::string text) {
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

struct BrowseState {
    AvahiClient* client = nullptr;
    std::vector<ResolvedNetService> found;
    int pendingResolves = 0;
    bool allForNow = false;
    bool failed = false;
    std::string error;
};

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event, const char* name,
              const char* type, const char* domain, const char* hostName, const AvahiAddress* address, uint16_t port,
              AvahiStringList* txt, AvahiLookupResultFlags, void* context) {
    auto* state = static_cast<BrowseState*>(context);
    if (event == AVAHI_RESOLVER_FOUND) {
        ResolvedNetService service;
        service.name = name;
        service.type = type;
        service.domain = domain;
        service.hostName = hostName != nullptr ? hostName : "";
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        if (address != nullptr) avahi_address_snprint(text, sizeof text, address);
        service.address = text;
        service.port = port;
        for (AvahiStringList* entry = txt; entry != nullptr; entry = avahi_string_list_get_next(entry)) {
            char* key = nullptr;
            char* value = nullptr;
            size_t size = 0;
            if (avahi_string_list_get_pair(entry, &key, &value, &size) != 0) continue;
            NetService::Data bytes;
            if (value != nullptr) bytes.assign(value, value + size);
            service.txtRecord.emplace(key, std::move(bytes));
            avahi_free(key);
            avahi_free(value);
        }
        // One service may resolve on IPv4 and IPv6: keep the first answer.
        auto same = [&](const ResolvedNetService& s) { return s.name == service.name && s.domain == service.domain; };
        if (std::none_of(state->found.begin(), state->found.end(), same)) state->found.push_back(std::move(service));
    }
    --state->pendingResolves;
    avahi_service_resolver_free(resolver);
}

void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
             const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* context) {
    auto* state = static_cast<BrowseState*>(context);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (avahi_service_resolver_new(state->client, interface, protocol, name, type, domain, AVAHI_PROTO_UNSPEC,
                                       AvahiLookupFlags(0), resolved, state) != nullptr) {
            ++state->pendingResolves;
        }
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
        state->allForNow = true;
        break;
    case AVAHI_BROWSER_FAILURE:
        state->failed = true;
        state->error = avahi_strerror(avahi_client_errno(state->client));
        break;
    default:
        break;
    }
}

}  // namespace

std::optional<std::vector<ResolvedNetService>> NetServiceBrowser::browse(const std::string& type,
                                                                         const std::string& domain,
                                                                         double timeoutSeconds, std::string* error) {
    std::unique_ptr<AvahiSimplePoll, void (*)(AvahiSimplePoll*)> poll(avahi_simple_poll_new(), avahi_simple_poll_free);
    if (!poll) {
        if (error) *error = "cannot make an Avahi poll";
        return std::nullopt;
    }
    BrowseState state;
    int code = 0;
    std::unique_ptr<AvahiClient, void (*)(AvahiClient*)> client(
        avahi_client_new(avahi_simple_poll_get(poll.get()), AvahiClientFlags(0), nullptr, nullptr, &code),
        avahi_client_free);
    if (!client) {
        if (error) *error = std::string("the Avahi daemon cannot be reached (") + avahi_strerror(code) + ")";
        return std::nullopt;
    }
    state.client = client.get();
    std::string bareType = withoutTrailingDot(type), bareDomain = withoutTrailingDot(domain);
    AvahiServiceBrowser* browser =
        avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, bareType.c_str(),
                                  bareDomain.empty() ? nullptr : bareDomain.c_str(), AvahiLookupFlags(0), browsed, &state);
    if (browser == nullptr) {
        if (error) *error = std::string("cannot browse: ") + avahi_strerror(avahi_client_errno(client.get()));
        return std::nullopt;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!state.failed && !(state.allForNow && state.pendingResolves == 0)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (avahi_simple_poll_iterate(poll.get(), static_cast<int>(std::min<long long>(left.count(), 100))) != 0) break;
    }
    avahi_service_browser_free(browser);
    if (state.failed) {
        if (error) *error = "browsing failed: " + state.error;
        return std::nullopt;
    }
    std::sort(state.found.begin(), state.found.end(),
              [](const ResolvedNetService& a, const ResolvedNetService& b) { return a.name < b.name; });
    return state.found;
}

}  // namespace tallo
