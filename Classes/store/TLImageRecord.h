#pragma once
// TLImageRecord: a picture in PNG form. It has no identifier and no generic copying.

#include "Classes/store/TLImageRecordAcc.h"

namespace tallo {

class TLImageRecord : public TLImageRecordAcc {
};

}  // namespace tallo
