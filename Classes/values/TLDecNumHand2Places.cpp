#include "Classes/values/TLDecNumHand2Places.h"

namespace tallo {

TLDecNumHand2Places* TLDecNumHand2Places::sharedInstance() {
    static TLDecNumHand2Places instance;  // made once, thread-safe, never destroyed early
    return &instance;
}

}  // namespace tallo
