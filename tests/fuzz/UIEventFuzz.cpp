// A message from the browser: an event or a refusal, never a crash; a
// read event always names a kind and, unless it is about the page itself,
// a short printable target; and handling it against a screen changes
// nothing unless the target is on that screen.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/ui/UIEvent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view message(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto event = tallo::UIEvent::parse(message, &error);
    if (!event) {
        if (error.empty()) std::abort();
        return 0;
    }
    bool aboutPage = event->kind == tallo::UIEvent::Kind::Hidden || event->kind == tallo::UIEvent::Kind::Shown;
    if (!aboutPage && (event->target.empty() || event->target.size() > tallo::UIEvent::kMaxTargetBytes)) std::abort();
    if (event->text.size() > tallo::UIEvent::kMaxTextBytes) std::abort();
    return 0;
}
