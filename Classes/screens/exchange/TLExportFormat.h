#pragma once
// The export formats the Import & Export screen offers, in its rows' order.

namespace tallo {

struct TLExportFormat {
    static constexpr int Csv = 0;
    static constexpr int Qif = 1;
    static constexpr int Journal = 2;  // read by ledger and hledger
    static constexpr int Count = 3;
};

}  // namespace tallo
